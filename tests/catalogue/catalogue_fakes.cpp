#include "catalogue_fakes.h"

namespace storvane::fakes {

int32_t FakeListView::AddItem(const SoftwareEntry& entry, ItemState state) {
  if (refuseItems) return -1;
  items.push_back({entry, state, lockDepth > 0});
  return static_cast<int32_t>(items.size()) - 1;
}

FakeCatalogue::FakeCatalogue(std::string runDirectory, std::string serviceBase)
    : env{std::move(runDirectory),
          std::move(serviceBase),
          list,
          loadProgress,
          frame,
          menu,
          dialogs,
          starter,
          downloadWindow,
          [this] { ++watcherStarts; },
          [this](const std::string& a) {
            openedAddresses.push_back(a);
            return true;
          }} {}

int32_t FakeCatalogue::Seed(const std::string& name, const std::string& version, const std::string& store,
                            const std::string& exe, const std::string& download, const std::string& tutorial,
                            ItemState state, const std::string& sha256, const std::string& size) {
  SoftwareEntry e;
  e.name = name;
  e.version = version;
  e.storeFolder = store;
  e.executable = exe;
  e.downloadAddress = download;
  e.tutorialAddress = tutorial;
  e.sha256 = sha256;
  e.size = size;
  return catalogue.Add(std::move(e), state);
}

}  // namespace storvane::fakes
