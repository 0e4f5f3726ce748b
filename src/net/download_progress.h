// What the download window shows after a chunk: where the bar stands and the line under it, the
// arithmetic of the install worker's progress routine, kept free of any window so it can be
// checked on its own.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <utility>

namespace storvane {

// The download progress bar's range in the download window's design.
inline constexpr int kDownloadProgressMaximum = 10000;

// Position of a bar running from 0 to `maximum` after `total` of `contentLength` bytes:
// total × 10000 / contentLength in floating point, held at `maximum` when it goes beyond it by
// more than 0.0000001 (a missing content length, 0, divides to infinity and lands there too),
// then truncated toward zero. Nothing received yet without a known length stays at 0 rather
// than turning the 0/0 quotient into garbage.
int DownloadProgressPosition(int32_t contentLength, int32_t total, int maximum = kDownloadProgressMaximum);

// The line under the bar after `received` of `total` bytes (total 0 or less: not known), at
// `bytesPerSecond` (negative: not measured yet): "已下载 12.5 MB / 48.0 MB，1.2 MB/s，剩余 30 秒";
// without a total, the received size and the speed only. Sizes in KB, MB or GB with one decimal;
// the time left in seconds up to 90, in minutes beyond. GBK text.
std::string DownloadProgressLine(int64_t received, int64_t total, double bytesPerSecond);

// The transfer's speed over its last few seconds, so that the line does not jump with every chunk.
class TransferRate {
public:
  explicit TransferRate(uint32_t spanMs = 3000) : spanMs_(spanMs) {}
  // `totalBytes` received by `nowMs` (a tick count).
  void Add(uint32_t nowMs, int64_t totalBytes);
  // Bytes per second over the kept span; negative until half a second has been seen.
  double BytesPerSecond() const;

private:
  uint32_t spanMs_;
  std::deque<std::pair<uint32_t, int64_t>> samples_;
};

}  // namespace storvane
