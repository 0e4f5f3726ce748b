// Committed private memory of a process, as the benchmarks read it (0 when it cannot be read).
#pragma once

#include <windows.h>
#include <psapi.h>

#include <cstddef>

namespace storvane::testing {

inline size_t PrivateBytes(HANDLE process = GetCurrentProcess()) {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(process, &counters, sizeof counters)) return 0;
  return counters.PagefileUsage;
}

}  // namespace storvane::testing
