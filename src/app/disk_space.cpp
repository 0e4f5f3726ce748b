#include "app/disk_space.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "util/text.h"

namespace storvane {
namespace {

constexpr double kKilobytesPerGigabyte = 1048576.0;
constexpr double kEnoughGigabytes = 5.0;

// The shortest text that reads back as the same double: the fewest significant digits that parse
// back equal, written plain or with an exponent, whichever is shorter (plain on a tie). Built on
// printf rather than std::to_chars, whose tables for doubles are about 186 KB of the image.
std::string ShortestText(double value) {
  char scientific[32];
  int digits = 1;
  for (; digits < 17; ++digits) {
    std::snprintf(scientific, sizeof(scientific), "%.*e", digits - 1, value);
    if (std::strtod(scientific, nullptr) == value) break;
  }
  const int scientificLength = std::snprintf(scientific, sizeof(scientific), "%.*e", digits - 1, value);
  const int exponent = std::atoi(std::strchr(scientific, 'e') + 1);
  char plain[512];  // room for the longest: 309 integer digits, or "0." and 340 decimals
  const int plainLength = std::snprintf(plain, sizeof(plain), "%.*f", std::max(0, digits - 1 - exponent), value);
  if (plainLength <= scientificLength) return std::string(plain, static_cast<size_t>(plainLength));
  return std::string(scientific, static_cast<size_t>(scientificLength));
}

// One decimal, half away from zero. The small bias keeps values that are a hair under the
// half (as 12.35 is in binary) rounding up, as the figure reads.
double RoundToOneDecimal(double value) {
  const double scaled = std::floor(std::fabs(value) * 10.0 + 0.5 + 1e-12) / 10.0;
  // A tiny negative amount rounds to zero, shown as "0" rather than "-0".
  if (scaled == 0.0) return 0.0;
  return value < 0 ? -scaled : scaled;
}

std::string NumberText(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof(buffer), "%.13g", value);
  return buffer;
}

}  // namespace

long long QueryFreeKilobytes(char driveLetter) {
  const wchar_t root[] = {static_cast<wchar_t>(static_cast<unsigned char>(driveLetter)), L':', L'\\', L'\0'};
  ULARGE_INTEGER available{}, total{}, free{};
  if (::GetDiskFreeSpaceExW(root, &available, &total, &free)) return static_cast<long long>(free.QuadPart >> 10);
  // The classic query, for systems where the extended one is refused for the drive.
  const char narrowRoot[] = {driveLetter, ':', '\\', '\0'};
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
  if (::GetDiskFreeSpaceA(narrowRoot, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters)) {
    const unsigned long long bytes = static_cast<unsigned long long>(sectorsPerCluster) * bytesPerSector * freeClusters;
    return static_cast<long long>(bytes >> 10);
  }
  return -1;
}

FreeSpaceLine MakeFreeSpaceLine(long long freeKilobytes, char driveLetter) {
  FreeSpaceLine line;
  const double gigabytes = static_cast<double>(freeKilobytes) / kKilobytesPerGigabyte;
  line.gigabytesText = ShortestText(gigabytes);
  const float value = std::strtof(line.gigabytesText.c_str(), nullptr);

  const char* suffix =
      static_cast<double>(value) - kEnoughGigabytes > 0.0000001 ? "G，足够软件的运行！" : "G，建议进行扩容！";
  char drive = driveLetter;
  if (drive >= 'a' && drive <= 'z') drive = static_cast<char>(drive - 'a' + 'A');
  line.caption = ConcatTexts(std::string(1, drive), "盘剩余空间：", NumberText(RoundToOneDecimal(value)), suffix);
  return line;
}

}  // namespace storvane
