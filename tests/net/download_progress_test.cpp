// The line under the download bar: sizes, speed and time left as the user reads them.
#include "net/download_progress.h"

#include <gtest/gtest.h>

namespace storvane {
namespace {

constexpr int64_t kMb = 1024 * 1024;

TEST(DownloadProgressLine, SaysReceivedTotalSpeedAndTimeLeftAsAPersonReadsThem) {
  EXPECT_EQ(DownloadProgressLine(12 * kMb + kMb / 2, 48 * kMb, 1.2 * kMb),
            "已下载 12.5 MB / 48.0 MB，1.2 MB/s，剩余 30 秒");
  EXPECT_EQ(DownloadProgressLine(kMb, 100 * kMb, 0.5 * kMb), "已下载 1.0 MB / 100.0 MB，512.0 KB/s，剩余 3 分钟");
  EXPECT_EQ(DownloadProgressLine(512 * 1024, 0, 256 * 1024), "已下载 512.0 KB，256.0 KB/s");  // no total
  EXPECT_EQ(DownloadProgressLine(0, 48 * kMb, -1), "已下载 0.0 KB / 48.0 MB");                // no speed yet
  EXPECT_EQ(DownloadProgressLine(48 * kMb, 48 * kMb, 2.0 * kMb), "已下载 48.0 MB / 48.0 MB，2.0 MB/s");
  EXPECT_EQ(DownloadProgressLine(3 * 1024 * kMb, 4 * 1024 * kMb, 0), "已下载 3.0 GB / 4.0 GB，0.0 KB/s");
}

TEST(TransferRate, AveragesOverItsSpanAndWaitsForHalfASecond) {
  TransferRate rate(3000);
  rate.Add(1000, 0);
  rate.Add(1200, 100000);
  EXPECT_LT(rate.BytesPerSecond(), 0) << "a fifth of a second says nothing yet";
  rate.Add(2000, 1000000);
  EXPECT_DOUBLE_EQ(rate.BytesPerSecond(), 1000000.0);
  // A burst after a stall is averaged with the stall, and old samples leave the span.
  rate.Add(5000, 1000000);
  rate.Add(5100, 4000000);
  EXPECT_NEAR(rate.BytesPerSecond(), 3000000.0 / 3.1, 1.0);
  TransferRate wrapping;  // the tick count wraps round: 768 ms pass, not minus four billion
  wrapping.Add(0xFFFFFE00u, 0);
  wrapping.Add(0x00000100u, 768000);
  EXPECT_NEAR(wrapping.BytesPerSecond(), 1000000.0, 1.0);
}

}  // namespace
}  // namespace storvane
