#include "updater/update_job.h"

#include <vector>

#include "updater/launcher_wait.h"
#include "updater/update_arguments.h"
#include "util/crypto.h"
#include "util/image_file.h"
#include "util/log.h"
#include "util/small_file.h"
#include "util/win_text.h"

namespace storvane::updater {
namespace {

std::wstring BesideLauncher(const std::wstring& launcherPath, const char* name) {
  const std::wstring folder = FolderOf(launcherPath);
  return (folder.empty() ? std::wstring() : folder + L"\\") + GbkToWide(name);
}

OfferText OfferOf(const UpdatePlan& plan) {
  return {WideToGbk(plan.offeredVersion), WideToGbk(plan.downloadUrl),
          plan.expectedDigest ? DigestArgument(*plan.expectedDigest) : std::string()};
}

void RecordFailedOffer(const UpdatePlan& plan) {
  if (!ReplaceSmallFile(FailedOfferPathFor(plan.launcherPath), FormatFailedOffer(OfferOf(plan), UnixTimeNow()))) {
    Log("up.exe: the failed offer could not be recorded beside the launcher");
  }
}

// The old launcher goes back in place of one that did not run. It has ended (or never started),
// so its file is free once the system lets go of the image.
void RestoreBackup(const std::wstring& launcher, const std::wstring& backup) {
  WaitForImageToEnd(launcher, 5000);
  if (ReplaceFileWithRetries(backup, launcher)) {
    Log("up.exe: the new launcher did not keep running; the old one is back in place");
  } else {
    Log("up.exe: the old launcher could not be put back; it stays beside the launcher as " + WideToGbk(backup));
  }
}

UpdateOutcome TryUpdate(const UpdatePlan& plan, const DownloadProgressRoutine& progress,
                        const DownloadMessageRoutine& message) {
  if (!IsWebAddress(plan.downloadUrl)) {
    if (message) message(kOpenUrlErrorMessage);
    return UpdateOutcome::DownloadFailed;
  }
  const std::wstring& launcher = plan.launcherPath;
  const std::wstring staging = StagingPathFor(launcher);
  ::DeleteFileW(staging.c_str());  // left over from an interrupted earlier attempt
  // The named file is checked before it becomes the staged copy, so nothing unchecked ever waits
  // beside the launcher.
  // A transfer cut short (or up.exe ended) leaves its part for the next update to the same
  // version to continue.
  const std::string offered = WideToGbk(plan.offeredVersion);
  const int downloaded = DownloadToFile(WideToGbk(plan.downloadUrl), WideToGbk(staging),
                                        {.progress = progress,
                                         .message = message,
                                         .expected = plan.expectedDigest,
                                         .kind = DownloadKind::Program,
                                         .resume_key = offered.empty() ? "-" : offered,
                                         .retry_waits_ms = plan.retryWaitsMs});
  if (downloaded != kDownloadComplete) {
    if (downloaded == kDownloadUnverified)
      Log("up.exe: the download is not the file the service named; the old launcher stays");
    return UpdateOutcome::DownloadFailed;
  }
  // A whole program, but one this machine's launcher cannot be (the other architecture's build).
  const std::optional<Sha256Digest> digest = Sha256OfFile(staging);
  if (!IsCompleteImageFile(staging, {kBuildMachine}) || !digest) {
    ::DeleteFileW(staging.c_str());
    if (message) message(kNotProgramMessage);
    return UpdateOutcome::DownloadFailed;
  }
  // The launcher ends itself right after starting the updater; give it time if it has not.
  WaitForImageToEnd(launcher, plan.launcherExitWaitMs);
  const std::wstring backup = BackupPathFor(launcher);
  // The old launcher's image can stay mapped for a moment after its process has ended, and a
  // virus scanner may still be reading the new one: the replace waits for both.
  if (!::CopyFileW(launcher.c_str(), backup.c_str(), FALSE) || !ReplaceFileWithRetries(staging, launcher)) {
    ::DeleteFileW(staging.c_str());
    ::DeleteFileW(backup.c_str());
    if (message) message(kLocalFileErrorMessage);
    Log("up.exe: the launcher could not be replaced; the old one stays");
    return UpdateOutcome::ReplaceFailed;
  }
  // Until the trial is over the offer counts as failed: the new launcher checks for updates at
  // once and must not hand this offer over again, and a crash meanwhile leaves it held back.
  RecordFailedOffer(plan);
  UniqueHandle started = StartProgram(launcher);
  if (!started || ::WaitForSingleObject(started.get(), plan.trialMs) != WAIT_TIMEOUT) {
    RestoreBackup(launcher, backup);
    return UpdateOutcome::StartFailed;
  }
  ::DeleteFileW(backup.c_str());
  ::DeleteFileW(FailedOfferPathFor(launcher).c_str());
  if (!ReplaceSmallFile(InstalledOfferPathFor(launcher),
                        FormatInstalledOffer(WideToGbk(plan.offeredVersion), *digest))) {
    Log("up.exe: the installed version could not be recorded beside the launcher");
  }
  Log("up.exe: installed the offered launcher \"" + WideToGbk(plan.offeredVersion) + "\"");
  return UpdateOutcome::Started;
}

}  // namespace

std::wstring StagingPathFor(const std::wstring& launcherPath) { return launcherPath + L".new"; }
std::wstring BackupPathFor(const std::wstring& launcherPath) { return launcherPath + L".old"; }

std::wstring InstalledOfferPathFor(const std::wstring& launcherPath) {
  return BesideLauncher(launcherPath, kInstalledOfferFileName);
}

std::wstring FailedOfferPathFor(const std::wstring& launcherPath) {
  return BesideLauncher(launcherPath, kFailedOfferFileName);
}

UniqueHandle StartProgram(const std::wstring& path) {
  std::wstring commandLine = L"\"" + path + L"\"";
  std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
  buffer.push_back(L'\0');
  const std::wstring folder = FolderOf(path);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(path.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
    return UniqueHandle();
  }
  UniqueHandle thread(info.hThread);
  return UniqueHandle(info.hProcess);
}

bool GiveUpUpdate(const UpdatePlan& plan) {
  RecordFailedOffer(plan);
  const bool started = static_cast<bool>(StartProgram(plan.launcherPath));
  Log(started ? "up.exe: the update was not made; the launcher in place runs again"
              : "up.exe: the update was not made and the launcher in place could not be started");
  return started;
}

UpdateOutcome RunUpdate(const UpdatePlan& plan, const DownloadProgressRoutine& progress,
                        const DownloadMessageRoutine& message) {
  const UpdateOutcome outcome = TryUpdate(plan, progress, message);
  if (outcome != UpdateOutcome::Started) GiveUpUpdate(plan);
  return outcome;
}

}  // namespace storvane::updater
