#include "net/download_retry.h"

#include <windows.h>

#include <algorithm>
#include <charconv>
#include <string>

#include "util/text.h"

namespace storvane {

bool IsTransientStatus(unsigned status) { return status == 408 || status == 429 || (status >= 500 && status <= 599); }

std::optional<int> RetryAfterMs(std::string_view value) {
  const std::string text = TrimText(value);
  int seconds = -1;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
  if (error != std::errc() || end != text.data() + text.size() || text.empty() || seconds < 0 ||
      seconds > kLongestRetryAfterMs / 1000) {
    return std::nullopt;
  }
  return seconds * 1000;
}

bool WaitBeforeRetry(int ms, const std::atomic<bool>* cancel) {
  const ULONGLONG due = ::GetTickCount64() + static_cast<ULONGLONG>(std::max(ms, 0));
  for (;;) {
    if (cancel != nullptr && cancel->load()) return false;
    const ULONGLONG now = ::GetTickCount64();
    if (now >= due) return true;
    ::Sleep(static_cast<DWORD>(std::min<ULONGLONG>(due - now, 100)));
  }
}

}  // namespace storvane
