#include "catalogue/running_watch.h"

#include "catalogue/catalogue_item.h"
#include "catalogue/entry_rules.h"
#include "catalogue/item_template.h"
#include "sys/process_finder.h"
#include "sys/pumping_wait.h"

namespace storvane {

int RefreshRunningStates(CatalogueEnvironment& env) {
    const int count = env.list.GetItemCount();
    for (int i = 1; i <= count; ++i) {
        const int32_t item = i - 1;
        const std::string store = env.list.GetElemDataText(kElemKind, item, kNoColumn, kElemStoreFolder, kElemFieldText);
        const std::string exe = env.list.GetElemDataText(kElemKind, item, kNoColumn, kElemExecutable, kElemFieldText);
        const std::string caption = env.list.GetElemDataButton(kElemKind, item, kNoColumn, kElemAction, kElemFieldText);
        // Only these two captions move; the process list is not walked for the others.
        const bool watched = caption == kCaptionOpen || caption == kCaptionRunning;
        if (watched && IsSafeEntry(store, exe)) {
            const bool running = IsToolRunning(ToolFolder(env.runDirectory, store), exe);
            if (running && caption == kCaptionOpen) {
                SetItemActionCaption(env.list, item, kCaptionRunning, 1);
            } else if (!running && caption == kCaptionRunning) {
                SetItemActionCaption(env.list, item, kCaptionOpen, 0);
            }
        }
        PumpingWait(kWatchPauseMs);
    }
    return count > 0 ? count : 0;
}

void RunningWatchLoop(const std::function<int()>& runPass, const std::function<void(int)>& pause,
                      const std::function<bool()>& keepRunning) {
    while (keepRunning()) {
        if (runPass() <= 0) pause(kWatchPauseMs);
    }
}

}  // namespace storvane
