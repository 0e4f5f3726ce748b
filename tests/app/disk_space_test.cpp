#include "app/disk_space.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace storvane {
namespace {

constexpr double kKilobytesPerGigabyte = 1048576.0;

// Kilobytes for at least `gigabytes` free: what a drive showing that figure reports.
long long KilobytesFor(double gigabytes) {
  return static_cast<long long>(std::ceil(gigabytes * kKilobytesPerGigabyte));
}

TEST(FreeSpaceLine, RoundsToOneDecimalWithEnoughSuffix) {
  EXPECT_EQ(MakeFreeSpaceLine(KilobytesFor(12.34), 'C').caption, "C盘剩余空间：12.3G，足够软件的运行！");
  // Half away from zero: 12.35 shows as 12.4, not 12.3.
  EXPECT_EQ(MakeFreeSpaceLine(KilobytesFor(12.35), 'C').caption, "C盘剩余空间：12.4G，足够软件的运行！");
}

TEST(FreeSpaceLine, ExactlyFiveGigabytesIsNotEnough) {
  const FreeSpaceLine line = MakeFreeSpaceLine(5 * 1048576LL, 'C');
  EXPECT_EQ(line.gigabytesText, "5");
  EXPECT_EQ(line.caption, "C盘剩余空间：5G，建议进行扩容！");
}

TEST(FreeSpaceLine, JustAboveFiveGigabytesIsEnough) {
  EXPECT_EQ(MakeFreeSpaceLine(KilobytesFor(5.1), 'C').caption, "C盘剩余空间：5.1G，足够软件的运行！");
  // One kilobyte more than 5 GB is already more: it shows as 5 but counts as enough.
  EXPECT_EQ(MakeFreeSpaceLine(5 * 1048576LL + 1, 'C').caption, "C盘剩余空间：5G，足够软件的运行！");
  EXPECT_EQ(MakeFreeSpaceLine(5 * 1048576LL - 1, 'C').caption, "C盘剩余空间：5G，建议进行扩容！");
}

TEST(FreeSpaceLine, UnreadableSpaceGivesAdviceAndNoNegativeZero) {
  const FreeSpaceLine line = MakeFreeSpaceLine(-1, 'C');
  EXPECT_EQ(line.caption, "C盘剩余空间：0G，建议进行扩容！");
  EXPECT_EQ(std::strtod(line.gigabytesText.c_str(), nullptr), -1 / kKilobytesPerGigabyte);
}

TEST(FreeSpaceLine, DriveLetterIsUpperCased) {
  EXPECT_EQ(MakeFreeSpaceLine(KilobytesFor(12.34), 'd').caption, "D盘剩余空间：12.3G，足够软件的运行！");
  EXPECT_EQ(MakeFreeSpaceLine(0, 'z').caption.substr(0, 1), "Z");
}

// Significant digits of a decimal text such as "12.34000015258789" or "9.5e-07".
int SignificantDigits(const std::string& text) {
  int digits = 0;
  bool leading = true;
  for (char c : text.substr(0, text.find_first_of("eE"))) {
    if (c < '0' || c > '9') continue;
    if (leading && c == '0') continue;
    leading = false;
    ++digits;
  }
  return digits;
}

TEST(FreeSpaceLine, GigabytesTextIsTheShortestExactText) {
  for (long long kb : {KilobytesFor(12.34), KilobytesFor(0.5), 1LL, 123456789LL, -1LL}) {
    const std::string text = MakeFreeSpaceLine(kb, 'C').gigabytesText;
    const double exact = static_cast<double>(kb) / kKilobytesPerGigabyte;
    EXPECT_EQ(std::strtod(text.c_str(), nullptr), exact) << text;
    const int digits = SignificantDigits(text);
    if (digits > 1) {
      char shorter[64];
      std::snprintf(shorter, sizeof(shorter), "%.*g", digits - 1, exact);
      EXPECT_NE(std::strtod(shorter, nullptr), exact) << text << " could be " << shorter;
    }
  }
  EXPECT_EQ(MakeFreeSpaceLine(3 * 1048576LL / 2, 'C').gigabytesText, "1.5");
}

TEST(FreeSpaceQuery, ReadsTheSystemDriveInEitherCase) {
  const long long upper = QueryFreeKilobytes('C');
  const long long lower = QueryFreeKilobytes('c');
  EXPECT_GT(upper, 0);
  EXPECT_GT(lower, 0);
  // Other tests write files meanwhile; the two readings are close, not equal.
  EXPECT_LT(std::llabs(upper - lower), 1024LL * 1024);
}

TEST(FreeSpaceQuery, MissingDriveGivesMinusOne) { EXPECT_EQ(QueryFreeKilobytes('Q'), -1); }

}  // namespace
}  // namespace storvane
