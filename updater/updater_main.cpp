// up.exe: started by the launcher when the version service offers another version, with four
// quoted arguments (download address, the launcher's executable name, new version, current
// version) and, when the service named the new launcher's size and SHA-256, a fifth:
// "<sha256>:<size>". It fetches the new launcher, checks it against that digest, puts it in place
// of the old one and starts it; when it cannot, the old launcher runs again.
#include <windows.h>

#include <string>
#include <vector>

#include "updater/update_arguments.h"
#include "updater/update_job.h"
#include "updater/updater_window.h"
#include "util/com.h"
#include "util/log.h"

namespace {

std::wstring OwnFolder() {
  std::vector<wchar_t> self(32768);
  const DWORD length = ::GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size()));
  if (length == 0 || length >= self.size()) return {};
  return storvane::updater::FolderOf(std::wstring(self.data(), length));
}

bool IsFile(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace storvane::updater;
  const wchar_t* commandLine = ::GetCommandLineW();
  const auto arguments = ParseUpdaterArguments(commandLine);
  const std::wstring folder = OwnFolder();
  if (!arguments || !IsPlainFileName(arguments->launcherName) || folder.empty()) {
    // The launcher has already ended: say so, then bring it back when it can be named, with this
    // offer held back so that it does not hand the same line over again.
    storvane::Log("up.exe: the command line cannot be read");
    storvane::ShowDownloadMessage(storvane::kOpenUrlErrorMessage);
    const UpdaterArguments loose = ReadArgumentsLoosely(commandLine);
    if (!folder.empty() && IsPlainFileName(loose.launcherName) && IsFile(folder + L"\\" + loose.launcherName)) {
      UpdatePlan plan{loose.downloadUrl, folder + L"\\" + loose.launcherName, loose.newVersion};
      plan.expectedDigest = loose.expectedDigest;
      GiveUpUpdate(plan);
    }
    return 2;
  }

  storvane::ComInit com;  // the accessible objects are handed out through COM
  return RunUpdaterWindow(instance, *arguments, folder + L"\\" + arguments->launcherName);
}
