#include "catalogue/catalogue.h"

namespace storvane {

SelectedEntry SelectionOf(const CatalogueItem& item, int32_t itemIndex) {
  const SoftwareEntry& e = item.entry;
  const std::string title = ItemTitle(e.name, e.version);
  return {itemIndex,    NameFromTitle(title), VersionFromTitle(title), e.storeFolder,
          e.executable, e.downloadAddress,    e.tutorialAddress,       NamedDigest(e.sha256, e.size)};
}

int32_t Catalogue::Add(SoftwareEntry entry, ItemState state) {
  const int32_t item = env_.list.AddItem(entry, state);
  if (item < 0) return -1;
  entry.icon.clear();
  // The list appends, so its index is normally the next record's; records follow the list's
  // numbering whatever it gives.
  if (static_cast<std::size_t>(item) >= items_.size()) items_.resize(static_cast<std::size_t>(item) + 1);
  items_[static_cast<std::size_t>(item)] = CatalogueItem{std::move(entry), state};
  return item;
}

std::optional<CatalogueItem> Catalogue::Item(int32_t item) const {
  if (item < 0 || item >= Count()) return std::nullopt;
  return items_[static_cast<std::size_t>(item)];
}

void Catalogue::SetState(int32_t item, ItemState state) {
  if (item < 0 || item >= Count()) return;
  items_[static_cast<std::size_t>(item)].state = state;
  env_.list.ShowState(item, state);
}

}  // namespace storvane
