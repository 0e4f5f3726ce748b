// up.exe: started by the launcher when the version service offers another version, with four
// quoted arguments (download address, the launcher's executable name, new version, current
// version) and, when the service named the new launcher's size and SHA-256, a fifth:
// "<sha256>:<size>". It fetches the new launcher, checks it against that digest, puts it in place
// of the old one and starts it.
#include <windows.h>

#include <string>
#include <vector>

#include "updater/update_arguments.h"
#include "updater/updater_window.h"
#include "util/com.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace storvane::updater;
  const auto arguments = ParseUpdaterArguments(::GetCommandLineW());
  if (!arguments || !IsPlainFileName(arguments->launcherName)) return 2;

  std::vector<wchar_t> self(32768);
  const DWORD length = ::GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size()));
  if (length == 0 || length >= self.size()) return 2;
  const std::wstring folder = FolderOf(std::wstring(self.data(), length));
  if (folder.empty()) return 2;

  storvane::ComInit com;  // the accessible objects are handed out through COM
  return RunUpdaterWindow(instance, *arguments, folder + L"\\" + arguments->launcherName);
}
