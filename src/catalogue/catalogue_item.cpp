#include "catalogue/catalogue_item.h"

#include <windows.h>

#include "catalogue/entry_rules.h"
#include "util/handles.h"
#include "util/win_text.h"

namespace storvane {

std::string ToolFolder(std::string_view runDirectory, std::string_view storeFolder) {
  return ConcatTexts(runDirectory, "/soft/", storeFolder);
}

std::string ToolExecutablePath(std::string_view runDirectory, std::string_view storeFolder,
                               std::string_view executable) {
  return ConcatTexts(ToolFolder(runDirectory, storeFolder), "/", executable);
}

std::string StampPath(std::string_view runDirectory, std::string_view storeFolder) {
  return ConcatTexts(ToolFolder(runDirectory, storeFolder), "/", kStampFileName);
}

bool FileExistsAt(std::string_view path) {
  if (path.empty()) return false;
  WIN32_FIND_DATAW data;
  UniqueFindHandle find(::FindFirstFileW(GbkToWide(path).c_str(), &data));
  if (!find) return false;
  do {
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return true;
  } while (::FindNextFileW(find.get(), &data));
  return false;
}

std::string ReadInstalledVersion(std::string_view runDirectory, std::string_view storeFolder) {
  UniqueHandle file(::CreateFileW(GbkToWide(StampPath(runDirectory, storeFolder)).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
  if (!file) return {};
  std::string content;
  char buffer[4096];
  DWORD got = 0;
  // A stamp is a few bytes; anything beyond a page is not a version and is not read.
  while (content.size() < 65536 && ::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
    content.append(buffer, got);
  }
  return content.substr(0, content.find('\0'));
}

bool WriteInstalledVersion(std::string_view runDirectory, std::string_view storeFolder, std::string_view version) {
  UniqueHandle file(::CreateFileW(GbkToWide(StampPath(runDirectory, storeFolder)).c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  if (version.empty()) return true;
  return ::WriteFile(file.get(), version.data(), static_cast<DWORD>(version.size()), &written, nullptr) &&
         written == version.size();
}

ItemState StateFromDisk(std::string_view runDirectory, const SoftwareEntry& entry) {
  if (!IsSafeEntry(entry.storeFolder, entry.executable)) return ItemState::Download;
  const bool exists = FileExistsAt(ToolExecutablePath(runDirectory, entry.storeFolder, entry.executable));
  if (!exists) return ItemState::Download;
  return FirstActionState(true, ReadInstalledVersion(runDirectory, entry.storeFolder), entry.version);
}

}  // namespace storvane
