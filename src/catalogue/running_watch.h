// The running watcher: keeps each installed item's state between Open ("打开软件") and Running
// ("正在运行") while its tool starts and stops.
#pragma once

#include <atomic>
#include <functional>

#include "catalogue/catalogue.h"

namespace storvane {

// Pause between the items of a pass, and before the next pass when a pass had nothing to check.
inline constexpr int kWatchPauseMs = 500;

// One pass over the items, on the user-interface thread: an Open item whose tool runs becomes
// Running, a Running item whose tool no longer runs becomes Open; window messages are dispatched
// for 500 ms after each item. Other states are left alone, and so are entries whose names are
// not plain file names. Returns the number of items the pass went through.
int RefreshRunningStates(Catalogue& catalogue);

// The watcher thread's loop: `runPass` hands one pass to the user-interface thread and returns
// the number of items it went through. A pass over no items is followed by `pause`(500) so an
// empty list never turns the loop into a spin. Runs while `keepRunning` holds (the program's
// watcher runs until the process ends).
void RunningWatchLoop(const std::function<int()>& runPass, const std::function<void(int)>& pause,
                      const std::function<bool()>& keepRunning);

}  // namespace storvane
