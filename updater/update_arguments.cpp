#include "updater/update_arguments.h"

#include <windows.h>
#include <shellapi.h>

#include <cwctype>

#include "util/handles.h"
#include "util/win_text.h"

namespace storvane::updater {
namespace {

void FreeArgumentList(LPWSTR* p) noexcept { ::LocalFree(p); }

bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (std::towlower(text[i]) != std::towlower(prefix[i])) return false;
  }
  return true;
}

}  // namespace

std::optional<UpdaterArguments> ParseUpdaterArguments(const wchar_t* commandLine) {
  if (commandLine == nullptr) return std::nullopt;
  int count = 0;
  UniqueResource<handle_traits::NullEmpty<LPWSTR*, FreeArgumentList>> arguments(
      ::CommandLineToArgvW(commandLine, &count));
  if (!arguments || (count != 5 && count != 6)) return std::nullopt;
  LPWSTR* argv = arguments.get();
  UpdaterArguments parsed{argv[1], argv[2], argv[3], argv[4]};
  if (count == 6) {
    // Characters outside ASCII become GBK bytes, which no digest or size text holds.
    parsed.expectedDigest = DigestFromArgument(WideToGbk(argv[5]));
    if (!parsed.expectedDigest) return std::nullopt;
  }
  return parsed;
}

UpdaterArguments ReadArgumentsLoosely(const wchar_t* commandLine) {
  UpdaterArguments loose;
  int count = 0;
  UniqueResource<handle_traits::NullEmpty<LPWSTR*, FreeArgumentList>> arguments(
      commandLine != nullptr ? ::CommandLineToArgvW(commandLine, &count) : nullptr);
  if (!arguments) return loose;
  std::wstring* fields[] = {&loose.downloadUrl, &loose.launcherName, &loose.newVersion, &loose.currentVersion};
  for (int i = 1; i < count && i <= 4; ++i) *fields[i - 1] = arguments.get()[i];
  if (count > 5) loose.expectedDigest = DigestFromArgument(WideToGbk(arguments.get()[5]));
  return loose;
}

bool IsWebAddress(std::wstring_view address) {
  std::wstring_view rest;
  if (StartsWithNoCase(address, L"http://"))
    rest = address.substr(7);
  else if (StartsWithNoCase(address, L"https://"))
    rest = address.substr(8);
  else
    return false;
  if (rest.empty() || rest.front() == L'/' || rest.front() == L'?' || rest.front() == L'#') return false;
  // Control characters and blanks inside an address could smuggle arguments to whatever
  // program the shell starts for it.
  for (wchar_t c : address) {
    if (c < 0x20 || c == 0x7F) return false;
  }
  return true;
}

bool IsPlainFileName(std::wstring_view name) {
  if (name.empty() || name == L"." || name == L"..") return false;
  return name.find_first_of(L"\\/:*?\"<>|") == std::wstring_view::npos;
}

std::wstring FolderOf(std::wstring_view path) {
  const size_t cut = path.find_last_of(L"\\/");
  if (cut == std::wstring_view::npos) return {};
  return std::wstring(path.substr(0, cut));
}

}  // namespace storvane::updater
