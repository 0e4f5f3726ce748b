#include "util/image_format.h"

#include <cstring>

namespace storvane {
namespace {

constexpr int kLargestSide = 16384;

uint32_t Big32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}
uint32_t Big16(const uint8_t* p) { return (uint32_t{p[0]} << 8) | uint32_t{p[1]}; }
uint32_t Little16(const uint8_t* p) { return uint32_t{p[0]} | (uint32_t{p[1]} << 8); }
uint32_t Little32(const uint8_t* p) { return Little16(p) | (Little16(p + 2) << 16); }

std::optional<ImageHeader> Sized(int64_t width, int64_t height) {
  if (width <= 0 || height <= 0 || width > kLargestSide || height > kLargestSide) return std::nullopt;
  return ImageHeader{static_cast<int>(width), static_cast<int>(height)};
}

std::optional<ImageHeader> Png(const uint8_t* p, size_t n) {
  static constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (n < 33 || std::memcmp(p, kSignature, 8) != 0 || std::memcmp(p + 12, "IHDR", 4) != 0) return std::nullopt;
  // Every chunk: length, type, data, checksum; the file is whole once IEND is reached.
  for (size_t at = 8; at + 12 <= n;) {
    const uint32_t length = Big32(p + at);
    if (length > n - at - 12) return std::nullopt;
    if (std::memcmp(p + at + 4, "IEND", 4) == 0) return Sized(Big32(p + 16), Big32(p + 20));
    at += 12 + size_t{length};
  }
  return std::nullopt;
}

std::optional<ImageHeader> Jpeg(const uint8_t* p, size_t n) {
  if (n < 4 || p[0] != 0xFF || p[1] != 0xD8) return std::nullopt;
  // Encoders may pad after the end marker; what matters is that the marker arrived.
  size_t end = n;
  while (end > 2 && p[end - 1] == 0x00) --end;
  if (p[end - 2] != 0xFF || p[end - 1] != 0xD9) return std::nullopt;
  for (size_t at = 2; at + 4 <= end;) {
    if (p[at] != 0xFF) return std::nullopt;
    const uint8_t marker = p[at + 1];
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    const uint32_t length = Big16(p + at + 2);
    if (length < 2 || at + 2 + length > end) return std::nullopt;
    const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame) return length >= 7 ? Sized(Big16(p + at + 7), Big16(p + at + 5)) : std::nullopt;
    if (marker == 0xDA) return std::nullopt;  // the scan began before any frame header
    at += 2 + length;
  }
  return std::nullopt;
}

std::optional<ImageHeader> Gif(const uint8_t* p, size_t n) {
  if (n < 14 || (std::memcmp(p, "GIF87a", 6) != 0 && std::memcmp(p, "GIF89a", 6) != 0) || p[n - 1] != 0x3B) {
    return std::nullopt;
  }
  return Sized(Little16(p + 6), Little16(p + 8));
}

std::optional<ImageHeader> Bmp(const uint8_t* p, size_t n) {
  if (n < 26 || p[0] != 'B' || p[1] != 'M' || Little32(p + 2) > n || Little32(p + 10) >= n) return std::nullopt;
  const uint32_t infoSize = Little32(p + 14);
  if (infoSize == 12) return Sized(Little16(p + 18), Little16(p + 20));
  if (infoSize < 40 || n < 14 + size_t{infoSize}) return std::nullopt;
  // A negative height is a top-down picture.
  const auto height = static_cast<int32_t>(Little32(p + 22));
  return Sized(static_cast<int32_t>(Little32(p + 18)), height < 0 ? -int64_t{height} : int64_t{height});
}

std::optional<ImageHeader> Ico(const uint8_t* p, size_t n) {
  if (n < 22 || Little16(p) != 0 || Little16(p + 2) != 1) return std::nullopt;
  const uint32_t count = Little16(p + 4);
  if (count == 0 || 6 + size_t{count} * 16 > n) return std::nullopt;
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* entry = p + 6 + size_t{i} * 16;
    const uint32_t size = Little32(entry + 8);
    const uint32_t offset = Little32(entry + 12);
    if (size == 0 || offset > n || size > n - offset) return std::nullopt;
  }
  // The first picture is the one shown; 0 in the directory stands for 256.
  return Sized(p[6] == 0 ? 256 : p[6], p[7] == 0 ? 256 : p[7]);
}

}  // namespace

std::optional<ImageHeader> ReadImageHeader(const uint8_t* data, size_t length) {
  if (data == nullptr || length == 0) return std::nullopt;
  for (auto read : {Png, Jpeg, Gif, Bmp, Ico}) {
    if (std::optional<ImageHeader> header = read(data, length)) return header;
  }
  return std::nullopt;
}

bool HasKnownImageSignature(const uint8_t* data, size_t length) {
  if (data == nullptr || length < 4) return false;
  static constexpr uint8_t kPng[4] = {0x89, 'P', 'N', 'G'};
  static constexpr uint8_t kIcon[4] = {0, 0, 1, 0};
  return std::memcmp(data, kPng, 4) == 0 || (data[0] == 0xFF && data[1] == 0xD8) || std::memcmp(data, "GIF8", 4) == 0 ||
         (data[0] == 'B' && data[1] == 'M') || std::memcmp(data, kIcon, 4) == 0;
}

}  // namespace storvane
