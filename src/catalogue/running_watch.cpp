#include "catalogue/running_watch.h"

#include "catalogue/catalogue_item.h"
#include "catalogue/entry_rules.h"
#include "sys/process_finder.h"
#include "sys/pumping_wait.h"

namespace storvane {

int RefreshRunningStates(Catalogue& catalogue) {
  const std::string& runDirectory = catalogue.env().runDirectory;
  const int32_t count = catalogue.Count();
  for (int32_t item = 0; item < count; ++item) {
    // Read afresh for every item: the pause before it let clicks change states.
    const std::optional<CatalogueItem> record = catalogue.Item(item);
    // Only these two states move; the process list is not walked for the others.
    const bool watched = record && (record->state == ItemState::Open || record->state == ItemState::Running);
    if (watched && IsSafeEntry(record->entry.storeFolder, record->entry.executable)) {
      const SoftwareEntry& e = record->entry;
      const bool running = IsToolRunning(ToolFolder(runDirectory, e.storeFolder), e.executable);
      if (running && record->state == ItemState::Open) {
        catalogue.SetState(item, ItemState::Running);
      } else if (!running && record->state == ItemState::Running) {
        catalogue.SetState(item, ItemState::Open);
      }
    }
    PumpingWait(kWatchPauseMs);
  }
  return count;
}

void RunningWatchLoop(const std::function<int()>& runPass, const std::function<void(int)>& pause,
                      const std::function<bool()>& keepRunning) {
  while (keepRunning()) {
    if (runPass() <= 0) pause(kWatchPauseMs);
  }
}

}  // namespace storvane
