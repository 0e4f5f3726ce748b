#include "net/download_progress.h"

#include <cmath>

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

}  // namespace storvane
