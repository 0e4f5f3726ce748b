// Waiting without freezing the window: long work on the user-interface thread calls these
// instead of sleeping, so clicks and repaints keep being served while it waits.
#pragma once

namespace storvane {

// Dispatches every window message already waiting for the calling thread. A quit request met
// on the way is put back, so the thread's own message loop still sees it.
void DispatchPendingMessages();

// Waits `milliseconds` on a one-shot waitable timer while dispatching window messages as they
// arrive, then dispatches whatever is still pending. Always returns true.
bool PumpingWait(int milliseconds);

}  // namespace storvane
