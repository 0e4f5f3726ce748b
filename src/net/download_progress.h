// Where the download progress bar stands after a chunk: the arithmetic of the install worker's
// progress routine, kept free of any window so it can be checked on its own.
#pragma once

#include <cstdint>

namespace storvane {

// The download progress bar's range in the download window's design.
inline constexpr int kDownloadProgressMaximum = 10000;

// Position of a bar running from 0 to `maximum` after `total` of `contentLength` bytes:
// total × 10000 / contentLength in floating point, held at `maximum` when it goes beyond it by
// more than 0.0000001 (a missing content length, 0, divides to infinity and lands there too),
// then truncated toward zero. Nothing received yet without a known length stays at 0 rather
// than turning the 0/0 quotient into garbage.
int DownloadProgressPosition(int32_t contentLength, int32_t total, int maximum = kDownloadProgressMaximum);

}  // namespace storvane
