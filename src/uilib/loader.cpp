#include "uilib/loader.h"

#include <limits>
#include <optional>

#include "exui_api.h"
#include "uilib/function_cast.h"
#include "uilib/image_mapper.h"
#include "uilib/locate.h"
#include "uilib/strict_mapper.h"
#include "util/win_text.h"

namespace storvane::uilib {
namespace {

UiLibraryRecord StrictLibraryRecord(HMODULE module) {
  UiLibraryRecord record;
  record.module = module;
  record.fromMemory = 1;
  record.load = FunctionCast<FARPROC>(&MapImageStrict);
  record.lookup = &LookupMappedExport;
  record.release = &ReleaseImageStrict;
  return record;
}

}  // namespace

std::string ProgramDirectory() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  const std::size_t slash = path.find_last_of(L"\\/");
  if (slash != std::wstring::npos) path.resize(slash);
  return WideToGbk(path);
}

UiLibraryLoader::UiLibraryLoader(UiLibraryRecord& record, UiExportTable& table, LoaderSettings settings)
    : record_(record), table_(table), settings_(std::move(settings)) {}

bool UiLibraryLoader::LoadFile(const std::string& path) {
  if (path.empty()) return false;
  // Owned by the record from here on: the library stays loaded for the life of the process.
  HMODULE module = ::LoadLibraryW(GbkToWide(path).c_str());
  if (module == nullptr) return false;
  record_ = FileLibraryRecord(module);
  return true;
}

bool UiLibraryLoader::SearchDisk(std::string_view path) {
  if (LoadFile(std::string(path))) return true;
  const std::string runDirectory = settings_.runDirectory.empty() ? ProgramDirectory() : settings_.runDirectory;
  if (!runDirectory.empty() && LoadFile(runDirectory + "\\ExuiKrnln.dll")) return true;
  if (LoadFile("lib\\ExuiKrnln\\ExuiKrnln.dll")) return true;
  for (const std::string& pathFile : settings_.pathFiles) {
    std::optional<std::string> named = ReadPathFile(pathFile, std::numeric_limits<std::size_t>::max());
    if (named && LoadFile(*named)) return true;
  }
  return LoadFile("ExuiKrnln.dll");
}

HMODULE UiLibraryLoader::Load(std::string_view path, const ImageBytes& image, LocateRoutine locator, int) {
  if (locator != nullptr) {
    const std::string pathText(path);
    UiLibraryRecord* found = image.empty() ? locator(pathText.empty() ? nullptr : pathText.c_str(), 0)
                                           : locator(image.data(), static_cast<std::uint32_t>(image.size()));
    if (found != nullptr) {
      record_ = *found;
      if (record_.module != nullptr) Bind();
    }
    return record_.module;
  }
  if (record_.module != nullptr) return record_.module;
  if (!image.empty()) {
    if (HMODULE module = MapImageStrict(image.data(), image.size())) record_ = StrictLibraryRecord(module);
  } else {
    SearchDisk(path);
  }
  if (record_.module != nullptr) {
    Bind();
    if (auto registerModule = table_.Get<CallInternalFunction_Ex_t>(UiExportIndex("CallInternalFunction_Ex"))) {
      registerModule(kRegisterModuleCommand, reinterpret_cast<ExuiValue>(record_.module), 0, 0, 0);
    }
  }
  return record_.module;
}

ExuiValue UiLibraryLoader::CallInternal(std::int32_t code, ExuiValue a, ExuiValue b, ExuiValue c, ExuiValue d) {
  constexpr std::size_t kIndex = UiExportIndex("CallInternalFunction_Ex");
  if (table_.Entry(kIndex) == nullptr) Load({}, {}, nullptr);
  auto call = table_.Get<CallInternalFunction_Ex_t>(kIndex);
  return call != nullptr ? call(code, a, b, c, d) : 0;
}

UiLibraryRecord& ProgramUiLibrary() {
  static UiLibraryRecord record;
  return record;
}

namespace {

UiLibraryLoader& ProgramLoader() {
  static UiLibraryLoader loader(ProgramUiLibrary(), ProgramUiExports());
  return loader;
}

}  // namespace

HMODULE LoadUiLibrary(std::string_view path, const ImageBytes& image, LocateRoutine locator, int flag) {
  return ProgramLoader().Load(path, image, locator, flag);
}

ExuiValue CallUiInternal(std::int32_t code, ExuiValue a, ExuiValue b, ExuiValue c, ExuiValue d) {
  return ProgramLoader().CallInternal(code, a, b, c, d);
}

}  // namespace storvane::uilib
