// Keeps the calling thread's windows alive during a long synchronous exchange.
#pragma once

namespace storvane::net {

// Dispatches every window message already queued for this thread, then returns. A quit
// message is put back for the thread's own message loop.
void PumpPendingMessages();

}  // namespace storvane::net
