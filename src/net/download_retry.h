// When a download tries again after a failure of the connection or the server, and how long it
// waits first. A reset or refused connection, a time-out, 5xx, 408 and 429 pass; any other
// answer would only come again.
#pragma once

#include <atomic>
#include <optional>
#include <string_view>

namespace storvane {

// The waits before the first, second and third new try.
inline constexpr int kDownloadRetryWaitsMs[] = {1000, 3000, 9000};
// A Retry-After longer than this is not waited for; the usual wait applies.
inline constexpr int kLongestRetryAfterMs = 30000;

bool IsTransientStatus(unsigned status);

// The wait a Retry-After value asks for (delay in seconds; a date is not read), when it asks for
// at most kLongestRetryAfterMs.
std::optional<int> RetryAfterMs(std::string_view value);

// Waits `ms`, looking at `cancel` (may be null) every tenth of a second; false once it is set.
bool WaitBeforeRetry(int ms, const std::atomic<bool>* cancel);

}  // namespace storvane
