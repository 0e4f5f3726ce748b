#include "uilib/binding.h"

#include "uilib/loader.h"

namespace storvane::uilib {

namespace {

constexpr std::size_t FamilyTotal() {
  std::size_t total = 0;
  for (const UiExportFamily& family : kUiExportFamilies) total += family.count;
  return total;
}
static_assert(FamilyTotal() == kUiExportCount, "the families cover every name exactly once");
static_assert(kUiExportNames[0] == "CallInternalFunction_Ex", "entry 0 is the internal call");

}  // namespace

void UiExportTable::Fill(HMODULE module, LookupRoutine lookup) {
  if (module == nullptr || lookup == nullptr) {
    Clear();
    return;
  }
  for (std::size_t i = 0; i < kUiExportCount; ++i) {
    // The names are literals, so each view is zero-terminated.
    entries_[i] = lookup(module, kUiExportNames[i].data());
  }
}

FARPROC UiExportTable::Entry(std::string_view name) const {
  for (std::size_t i = 0; i < kUiExportCount; ++i) {
    if (kUiExportNames[i] == name) return entries_[i];
  }
  return nullptr;
}

std::size_t UiExportTable::BoundCount() const {
  std::size_t count = 0;
  for (FARPROC entry : entries_) count += entry != nullptr;
  return count;
}

UiExportTable& ProgramUiExports() {
  static UiExportTable table;
  return table;
}

void BindUiExports() {
  const UiLibraryRecord& record = ProgramUiLibrary();
  ProgramUiExports().Fill(record.module, record.lookup);
}

}  // namespace storvane::uilib
