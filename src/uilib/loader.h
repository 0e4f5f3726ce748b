// The program's entry to the skin-UI library: LoadUiLibrary takes the library from a locating
// routine (start-up passes the support layer's LocateUiLibrary), from an image it is handed, or
// from its own disk search, and binds the 750 exports; CallUiInternal is the program's one
// direct call into the library.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "exui_api.h"
#include "uilib/binding.h"
#include "uilib/ui_library_record.h"

namespace storvane::uilib {

using LocateRoutine = UiLibraryRecord* (*)(const void* nameOrImage, std::uint32_t sizeOrMode);
using ImageBytes = std::vector<std::uint8_t>;

struct LoaderSettings {
  // Each one that exists is read whole and its text tried as a library path, in this order.
  std::vector<std::string> pathFiles{"C:\\ExuiKrnln.ini", "D:\\ExuiKrnln.ini"};
  // Directory searched first; empty means the directory of the program's executable.
  std::string runDirectory;
};

// The algorithm of LoadUiLibrary over a record and a table of the caller's.
class UiLibraryLoader {
public:
  UiLibraryLoader(UiLibraryRecord& record, UiExportTable& table, LoaderSettings settings = {});

  // With a locator: asks it (image bytes, or the path with size 0), takes its record and binds.
  // Without: only while nothing is recorded, maps a given image with the strict mapper or
  // searches the disk, then binds and registers. Returns the module handle, null on failure.
  // `flag` is accepted for the callers' sake and not used.
  HMODULE Load(std::string_view path, const ImageBytes& image, LocateRoutine locator, int flag = 0);

  // CallInternalFunction_Ex with the five values; loads the library (no path, no image, no
  // locator) first when the entry is not bound yet. 0 when it still is not.
  ExuiValue CallInternal(std::int32_t code, ExuiValue a, ExuiValue b, ExuiValue c, ExuiValue d);

private:
  bool LoadFile(const std::string& path);
  bool SearchDisk(std::string_view path);
  void Bind() { table_.Fill(record_.module, record_.lookup); }

  UiLibraryRecord& record_;
  UiExportTable& table_;
  LoaderSettings settings_;
};

// The program's record (filled by LoadUiLibrary).
UiLibraryRecord& ProgramUiLibrary();

HMODULE LoadUiLibrary(std::string_view path, const ImageBytes& image, LocateRoutine locator, int flag = 0);
ExuiValue CallUiInternal(std::int32_t code, ExuiValue a = 0, ExuiValue b = 0, ExuiValue c = 0, ExuiValue d = 0);

// Directory of the program's executable, without a trailing separator.
std::string ProgramDirectory();

}  // namespace storvane::uilib
