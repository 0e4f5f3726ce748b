#include "updater/update_job.h"

#include <vector>

#include "updater/launcher_wait.h"
#include "updater/update_arguments.h"
#include "util/handles.h"
#include "util/log.h"
#include "util/small_file.h"
#include "util/win_text.h"

namespace storvane::updater {
namespace {

// A captive portal or a misconfigured server can answer 200 with a web page; only a Windows
// program may take the launcher's place.
bool LooksLikeProgram(const std::wstring& path) {
  UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  char magic[2] = {};
  DWORD read = 0;
  return file && ::ReadFile(file.get(), magic, sizeof magic, &read, nullptr) && read == 2 && magic[0] == 'M' &&
         magic[1] == 'Z';
}

bool StartLauncher(const std::wstring& launcher) {
  std::wstring commandLine = L"\"" + launcher + L"\"";
  std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
  buffer.push_back(L'\0');
  const std::wstring folder = FolderOf(launcher);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(launcher.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
    return false;
  }
  UniqueHandle process(info.hProcess);
  UniqueHandle thread(info.hThread);
  return true;
}

}  // namespace

std::wstring StagingPathFor(const std::wstring& launcherPath) { return launcherPath + L".new"; }

std::wstring InstalledOfferPathFor(const std::wstring& launcherPath) {
  const std::wstring folder = FolderOf(launcherPath);
  return (folder.empty() ? std::wstring() : folder + L"\\") + L"up.qn";
}

UpdateOutcome RunUpdate(const UpdatePlan& plan, const DownloadProgressRoutine& progress,
                        const DownloadMessageRoutine& message) {
  if (!IsWebAddress(plan.downloadUrl)) {
    if (message) message(kOpenUrlErrorMessage);
    return UpdateOutcome::DownloadFailed;
  }
  const std::wstring staging = StagingPathFor(plan.launcherPath);
  ::DeleteFileW(staging.c_str());  // left over from an interrupted earlier attempt
  // The named file is checked before it becomes the staged copy, so nothing unchecked ever waits
  // beside the launcher.
  const int downloaded =
      DownloadToFile(WideToGbk(plan.downloadUrl), WideToGbk(staging), progress, 0, false, message, plan.expectedDigest);
  if (downloaded != kDownloadComplete) {
    if (downloaded == kDownloadUnverified)
      Log("up.exe: the download is not the file the service named; the old launcher stays");
    return UpdateOutcome::DownloadFailed;
  }
  if (!LooksLikeProgram(staging)) {
    ::DeleteFileW(staging.c_str());
    if (message) message(kReadErrorMessage);
    return UpdateOutcome::DownloadFailed;
  }
  // The launcher ends itself right after starting the updater; give it time if it has not.
  WaitForImageToEnd(plan.launcherPath, plan.launcherExitWaitMs);
  // The old launcher's image can stay mapped for a moment after its process has ended, and a
  // virus scanner may still be reading the new one: the replace waits for both.
  if (!ReplaceFileWithRetries(staging, plan.launcherPath)) {
    ::DeleteFileW(staging.c_str());
    if (message) message(kLocalFileErrorMessage);
    Log("up.exe: the launcher could not be replaced; the old one stays");
    return UpdateOutcome::ReplaceFailed;
  }
  // Recorded before the new launcher starts: it checks for updates at once.
  if (!plan.offeredVersion.empty() &&
      !ReplaceSmallFile(InstalledOfferPathFor(plan.launcherPath), WideToGbk(plan.offeredVersion))) {
    Log("up.exe: the installed version could not be recorded beside the launcher");
  }
  Log("up.exe: installed the offered launcher \"" + WideToGbk(plan.offeredVersion) + "\"");
  return StartLauncher(plan.launcherPath) ? UpdateOutcome::Started : UpdateOutcome::StartFailed;
}

}  // namespace storvane::updater
