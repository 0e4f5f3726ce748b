// The skin support layer's way to the skin-UI library: the carried copy mapped from memory
// first, then the file candidates on disk, then the path files naming a library file. Whatever
// is found is registered with the library (which may refuse it) and the support layer's own
// table of entry points is resolved from it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "uilib/binding.h"
#include "uilib/carried_library.h"
#include "uilib/ui_library_record.h"

namespace storvane::uilib {

// The library version the support layer was made for; the library refuses others.
inline constexpr std::int32_t kRequiredUiLibraryVersion = 20210218;
// Size value of LocateUiLibrary that asks it to forget the module found before.
inline constexpr std::uint32_t kLocateResetRequest = 4;
// Command code of CallInternalFunction_Ex that registers a module with the library.
inline constexpr std::int32_t kRegisterModuleCommand = 2008;

struct LocatorSettings {
  std::span<const std::uint8_t> carriedImage = CarriedUiLibrary();
  // Tried in order; the first that opens is the one read.
  std::vector<std::string> pathFiles{"C:\\ExuiKrnln.ini", "D:\\ExuiKrnln.ini"};
  std::int32_t requiredVersion = kRequiredUiLibraryVersion;
};

// The algorithm of LocateUiLibrary over a record and a table of the caller's, so that it can be
// run afresh; the process keeps one instance for the support layer.
class UiLibraryLocator {
public:
  UiLibraryLocator(UiLibraryRecord& record, UiExportTable& table, LocatorSettings settings = {});

  // nameOrImage / sizeOrMode:
  //   size 4            reset; then, with a pointer, take the five slots of the record it points to
  //   other non-zero    map the image of that many bytes at the pointer from memory
  //   0 with a pointer  load the file named by the zero-terminated GBK text at the pointer
  // The carried copy always comes first (except after a reset), the disk search last. Returns
  // the record, or null when nothing was found or the library refused the registration.
  UiLibraryRecord* Locate(const void* nameOrImage, std::uint32_t sizeOrMode);

private:
  bool MapFromMemory(const void* image, std::size_t size);
  bool LoadFile(const std::string& path);
  bool SearchDisk();
  bool RegisterFoundModule();

  UiLibraryRecord& record_;
  UiExportTable& table_;
  LocatorSettings settings_;
  // Whether this locator mapped or loaded record_.module itself; a record handed in with a reset
  // request belongs to the caller, who releases it.
  bool ownsModule_ = false;
};

// The support layer's locating routine; start-up hands it to LoadUiLibrary.
UiLibraryRecord* LocateUiLibrary(const void* nameOrImage, std::uint32_t sizeOrMode);

// The support layer's record and its own table of entry points (filled by LocateUiLibrary).
UiLibraryRecord& SupportUiLibrary();
UiExportTable& SupportUiExports();

// The text a path file names: at most its first `limit` bytes, up to a zero byte, taken as they
// are (a trailing line break stays part of the name). Nothing when the file cannot be opened.
std::optional<std::string> ReadPathFile(const std::string& path, std::size_t limit = 255);

}  // namespace storvane::uilib
