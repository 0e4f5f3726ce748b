// The binding table: one entry address per export name of the skin-UI library, in the fixed
// order of export_names.h. A name the library lacks leaves a null entry; callers test an entry
// before calling through it, so a missing export never turns into a call to address 0.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <string_view>

#include "uilib/export_names.h"
#include "uilib/function_cast.h"
#include "uilib/ui_library_record.h"

namespace storvane::uilib {

class UiExportTable {
public:
  // Looks up every name through `lookup` on `module`, in table order. A null module or lookup
  // empties the table.
  void Fill(HMODULE module, LookupRoutine lookup);
  void Clear() { entries_.fill(nullptr); }

  FARPROC Entry(std::size_t index) const { return index < entries_.size() ? entries_[index] : nullptr; }
  // Entry of a name given at run time; null for a name that is not in the table.
  FARPROC Entry(std::string_view name) const;

  // The entry as the routine type `Fn` (null when missing), e.g.
  // table.Get<ControlGetBindControl_t>(UiExportIndex("ControlGetBindControl")).
  template <typename Fn>
  Fn Get(std::size_t index) const {
    return FunctionCast<Fn>(Entry(index));
  }

  std::size_t BoundCount() const;

private:
  std::array<FARPROC, kUiExportCount> entries_{};
};

// The program's table, filled by BindUiExports.
UiExportTable& ProgramUiExports();

// Fills the program's table from the module of the program's library record (LoadUiLibrary),
// through that record's lookup routine.
void BindUiExports();

}  // namespace storvane::uilib
