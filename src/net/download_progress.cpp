#include "net/download_progress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace storvane {

int DownloadProgressPosition(int32_t contentLength, int32_t total, int maximum) {
  double position = static_cast<double>(total) * 10000.0 / static_cast<double>(contentLength);
  // 0/0 (no length, nothing yet) has no position; truncating NaN is undefined behaviour.
  if (std::isnan(position)) return 0;
  if (position - static_cast<double>(maximum) > 0.0000001) position = maximum;
  // A length or total beyond 2 GiB arrives negative in the 32-bit values; the bar has no
  // place below its start.
  if (position < 0.0) return 0;
  return static_cast<int>(std::trunc(position));
}

namespace {

std::string SizeText(int64_t bytes) {
  constexpr double kKb = 1024.0, kMb = kKb * 1024.0, kGb = kMb * 1024.0;
  const double b = static_cast<double>(bytes < 0 ? 0 : bytes);
  char text[32];
  if (b < kMb) {
    std::snprintf(text, sizeof text, "%.1f KB", b / kKb);
  } else if (b < kGb) {
    std::snprintf(text, sizeof text, "%.1f MB", b / kMb);
  } else {
    std::snprintf(text, sizeof text, "%.1f GB", b / kGb);
  }
  return text;
}

std::string TimeLeftText(double seconds) {
  char text[48];
  if (seconds <= 90.0) {
    std::snprintf(text, sizeof text, "剩余 %d 秒", static_cast<int>(std::ceil(std::max(seconds, 1.0))));
  } else {
    std::snprintf(text, sizeof text, "剩余 %d 分钟", static_cast<int>(std::lround(seconds / 60.0)));
  }
  return text;
}

}  // namespace

std::string DownloadProgressLine(int64_t received, int64_t total, double bytesPerSecond) {
  std::string line = "已下载 " + SizeText(received);
  const bool known = total > 0;
  if (known) line += " / " + SizeText(total);
  if (bytesPerSecond < 0.0) return line;
  line += "，" + SizeText(static_cast<int64_t>(bytesPerSecond)) + "/s";
  if (known && bytesPerSecond > 0.0 && received < total) {
    line += "，" + TimeLeftText(static_cast<double>(total - received) / bytesPerSecond);
  }
  return line;
}

void TransferRate::Add(uint32_t nowMs, int64_t totalBytes) {
  samples_.emplace_back(nowMs, totalBytes);
  // Tick counts wrap: differences of unsigned values stay right across the wrap.
  while (samples_.size() > 2 && nowMs - samples_[1].first >= spanMs_) samples_.pop_front();
}

double TransferRate::BytesPerSecond() const {
  if (samples_.size() < 2) return -1.0;
  const uint32_t spanMs = samples_.back().first - samples_.front().first;
  if (spanMs < 500) return -1.0;
  return static_cast<double>(samples_.back().second - samples_.front().second) * 1000.0 / spanMs;
}

}  // namespace storvane
