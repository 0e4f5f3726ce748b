#include "uilib/locate.h"

#include <windows.h>

#include <cstring>
#include <string_view>

#include "exui_api.h"
#include "uilib/function_cast.h"
#include "uilib/image_mapper.h"
#include "util/handles.h"
#include "util/win_text.h"

namespace storvane::uilib {
namespace {

// Longest current directory the search joins names to; a longer one is not searched.
constexpr std::size_t kMaxCurrentDirectory = 254;

UiLibraryRecord MemoryLibraryRecord(HMODULE module) {
  UiLibraryRecord record;
  record.module = module;
  record.fromMemory = 1;
  record.load = FunctionCast<FARPROC>(&MapImageFromMemory);
  record.lookup = &LookupMappedExport;
  record.release = &ReleaseMappedImage;
  return record;
}

std::string CurrentDirectory() {
  const DWORD length = ::GetCurrentDirectoryW(0, nullptr);
  if (length == 0) return {};
  std::wstring buffer(length, L'\0');
  const DWORD written = ::GetCurrentDirectoryW(length, buffer.data());
  if (written == 0 || written >= length) return {};
  buffer.resize(written);
  return WideToGbk(buffer);
}

}  // namespace

std::optional<std::string> ReadPathFile(const std::string& path, std::size_t limit) {
  UniqueHandle file(::CreateFileW(GbkToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) return std::string();
  const std::size_t wanted =
      static_cast<std::uint64_t>(size.QuadPart) < limit ? static_cast<std::size_t>(size.QuadPart) : limit;
  std::string text(wanted, '\0');
  std::size_t filled = 0;
  while (filled < wanted) {
    DWORD read = 0;
    if (!::ReadFile(file.get(), text.data() + filled, static_cast<DWORD>(wanted - filled), &read, nullptr) || read == 0)
      break;
    filled += read;
  }
  text.resize(filled);
  if (const std::size_t zero = text.find('\0'); zero != std::string::npos) text.resize(zero);
  return text;
}

UiLibraryLocator::UiLibraryLocator(UiLibraryRecord& record, UiExportTable& table, LocatorSettings settings)
    : record_(record), table_(table), settings_(std::move(settings)) {}

bool UiLibraryLocator::MapFromMemory(const void* image, std::size_t size) {
  HMODULE module = MapImageFromMemory(image, size);
  if (module == nullptr) return false;
  record_ = MemoryLibraryRecord(module);
  ownsModule_ = true;
  return true;
}

bool UiLibraryLocator::LoadFile(const std::string& path) {
  if (path.empty()) return false;
  // Owned by the record from here on: the library stays loaded for the life of the process.
  HMODULE module = ::LoadLibraryW(GbkToWide(path).c_str());
  if (module == nullptr) return false;
  record_ = FileLibraryRecord(module);
  ownsModule_ = true;
  return true;
}

bool UiLibraryLocator::SearchDisk() {
  const std::string current = CurrentDirectory();
  if (!current.empty() && current.size() <= kMaxCurrentDirectory) {
    if (LoadFile(current + "\\ExuiKrnln.dll")) return true;
    if (LoadFile(current + "\\lib\\ExuiKrnln\\ExuiKrnln.dll")) return true;
  }
  if (LoadFile("ExuiKrnln.dll")) return true;
  if (LoadFile("lib\\ExuiKrnln\\ExuiKrnln.dll")) return true;
  for (const std::string& pathFile : settings_.pathFiles) {
    // Only the first path file that opens is read.
    if (std::optional<std::string> named = ReadPathFile(pathFile)) return LoadFile(*named);
  }
  return false;
}

bool UiLibraryLocator::RegisterFoundModule() {
  table_.Fill(record_.module, record_.lookup);
  auto registerModule = table_.Get<CallInternalFunction_Ex_t>(UiExportIndex("CallInternalFunction_Ex"));
  if (registerModule == nullptr) return true;
  const ExuiValue handle = registerModule(kRegisterModuleCommand, reinterpret_cast<ExuiValue>(record_.module), 0, 0,
                                          settings_.requiredVersion);
  if (handle != 0) {
    record_.module = reinterpret_cast<HMODULE>(handle);
    return true;
  }
  // Refused: nothing of this library may be used, so its entry points must not stay reachable.
  if (ownsModule_ && record_.release != nullptr) record_.release(record_.module);
  record_ = UiLibraryRecord{};
  ownsModule_ = false;
  table_.Clear();
  return false;
}

UiLibraryRecord* UiLibraryLocator::Locate(const void* nameOrImage, std::uint32_t sizeOrMode) {
  if (sizeOrMode == kLocateResetRequest) {
    record_ = UiLibraryRecord{};
    ownsModule_ = false;
  } else if (record_.module != nullptr) {
    return &record_;
  }
  if (record_.module == nullptr && sizeOrMode != kLocateResetRequest && !settings_.carriedImage.empty()) {
    MapFromMemory(settings_.carriedImage.data(), settings_.carriedImage.size());
  }
  if (record_.module == nullptr && nameOrImage != nullptr) {
    if (sizeOrMode == kLocateResetRequest) {
      std::memcpy(&record_, nameOrImage, sizeof(UiLibraryRecord));
    } else if (sizeOrMode != 0) {
      MapFromMemory(nameOrImage, sizeOrMode);
    } else {
      LoadFile(static_cast<const char*>(nameOrImage));
    }
  }
  if (record_.module == nullptr) SearchDisk();
  if (record_.module == nullptr) return nullptr;
  return RegisterFoundModule() ? &record_ : nullptr;
}

UiLibraryRecord& SupportUiLibrary() {
  static UiLibraryRecord record;
  return record;
}

UiExportTable& SupportUiExports() {
  static UiExportTable table;
  return table;
}

UiLibraryRecord* LocateUiLibrary(const void* nameOrImage, std::uint32_t sizeOrMode) {
  static UiLibraryLocator locator(SupportUiLibrary(), SupportUiExports());
  return locator.Locate(nameOrImage, sizeOrMode);
}

}  // namespace storvane::uilib
