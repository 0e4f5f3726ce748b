// Keeps the calling thread's windows alive during a long synchronous exchange.
#pragma once

#include <windows.h>

#include <cstdint>

namespace storvane::net {

// Dispatches every window message already queued for this thread, then returns. A quit
// message is put back for the thread's own message loop.
void PumpPendingMessages();

// Waits until `done` is signalled or the tick count (GetTickCount64) reaches `deadline`,
// dispatching window messages as they arrive, so the thread's windows never wait on it. True
// when `done` was signalled in time.
bool WaitPumpingUntil(HANDLE done, uint64_t deadline);

// The tick count `milliseconds` from now.
uint64_t DeadlineAfter(int milliseconds);

}  // namespace storvane::net
