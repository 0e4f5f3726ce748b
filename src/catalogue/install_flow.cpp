#include "catalogue/install_flow.h"

#include <windows.h>

#include "catalogue/catalogue_item.h"
#include "catalogue/entry_rules.h"
#include "net/download_progress.h"
#include "sys/process_finder.h"
#include "sys/pumping_wait.h"
#include "util/log.h"
#include "util/win_text.h"

namespace storvane {
namespace {

constexpr int kSettleAfterKillMs = 500;

std::string InstallFolderBackslash(std::string_view runDirectory, std::string_view storeFolder) {
  return ConcatTexts(runDirectory, "\\soft\\", storeFolder);
}

}  // namespace

std::optional<int> RunInstallDialog(CatalogueEnvironment& env, const DownloadJob& job) {
  if (!IsSafeEntry(job.storeFolder, job.executable)) return std::nullopt;
  DownloadJob asked = job;
  if (IsToolRunning(ToolFolder(env.runDirectory, job.storeFolder), job.executable)) {
    if (!env.dialogs.AskYesNo(kRunningQuestion, kHintCaption)) return std::nullopt;
    // Not yet: the tool keeps running until the new executable is there to replace it.
    asked.endRunningCopies = true;
  }
  return env.downloadWindow.RunModal(asked);
}

void RunInstallFlow(Catalogue& catalogue, const SelectedEntry& s) {
  CatalogueEnvironment& env = catalogue.env();
  if (catalogue.installInProgress()) return;
  if (!IsSafeEntry(s.storeFolder, s.executable)) {
    Log(ConcatTexts("install: refused the unsafe entry \"", s.storeFolder, "\" / \"", s.executable, "\""));
    env.dialogs.Notice(kUnsafeEntryMessage, kHintCaption);
    return;
  }
  const Catalogue::InstallClaim claim(catalogue);
  const std::optional<int> result =
      RunInstallDialog(env, {s.downloadAddress, s.storeFolder, s.executable, s.digest, s.version});
  if (!result) return;
  const bool arrived = *result == 0;
  const bool present = FileExistsAt(ToolExecutablePath(env.runDirectory, s.storeFolder, s.executable));
  Log(ConcatTexts("install: ", s.storeFolder, "\\", s.executable, " version ", s.version,
                  arrived ? " arrived" : " did not arrive", present ? "; the executable is there" : "; no executable"));
  if (arrived && present) {
    // The result of the write is not examined: a missing stamp only means "更新软件" next time.
    if (!WriteInstalledVersion(env.runDirectory, s.storeFolder, s.version)) {
      Log("install: the version stamp was not written");
    }
    catalogue.SetState(s.itemIndex, ItemState::Open);
  } else if (present) {
    catalogue.SetState(s.itemIndex,
                       FirstActionState(true, ReadInstalledVersion(env.runDirectory, s.storeFolder), s.version));
  } else {
    catalogue.SetState(s.itemIndex, ItemState::Redownload);
  }
}

bool PrepareInstallFolder(std::string_view runDirectory, const std::string& storeFolder,
                          const std::string& executable) {
  if (!IsSafeEntry(storeFolder, executable)) return false;
  ::CreateDirectoryW(GbkToWide(ConcatTexts(runDirectory, "\\soft")).c_str(), nullptr);
  ::CreateDirectoryW(GbkToWide(InstallFolderBackslash(runDirectory, storeFolder)).c_str(), nullptr);
  return true;
}

void EndRunningCopies(std::string_view runDirectory, const std::string& storeFolder, const std::string& executable) {
  const std::string folder = ToolFolder(runDirectory, storeFolder);
  // A copy that was starting during the first pass is caught by the second.
  const bool firstPassEnded = TerminateToolProcesses(folder, executable);
  const bool secondPassEnded = TerminateToolProcesses(folder, executable);
  if (!firstPassEnded || !secondPassEnded) {
    Log(ConcatTexts("install: a running ", executable, " did not end in time"));
  }
  PumpingWait(kSettleAfterKillMs);
}

int RunInstallTransfer(std::string_view runDirectory, const DownloadJob& job, DownloadOptions options) {
  if (!IsSafeEntry(job.storeFolder, job.executable)) return -1;
  const std::string localPath =
      ConcatTexts(InstallFolderBackslash(runDirectory, job.storeFolder), "\\", job.executable);
  options.expected = job.digest;
  options.kind = DownloadKind::Program;
  options.resume_key = job.version.empty() ? "-" : job.version;
  if (job.endRunningCopies) {
    options.before_replace = [runDirectory = std::string(runDirectory), job] {
      EndRunningCopies(runDirectory, job.storeFolder, job.executable);
    };
  }
  return DownloadToFile(job.downloadAddress, localPath, options);
}

void OnDownloadProgress(ProgressBarControl& bar, int32_t maximum, int32_t contentLength, int32_t total) {
  bar.SetPosition(DownloadProgressPosition(contentLength, total, maximum));
}

WindowPlace CentredPlace(int32_t ownerLeft, int32_t ownerTop, int32_t ownerWidth, int32_t ownerHeight, int32_t width,
                         int32_t height) {
  return {static_cast<int32_t>(ownerLeft + (ownerWidth - width) / 2.0),
          static_cast<int32_t>(ownerTop + (ownerHeight - height) / 2.0)};
}

}  // namespace storvane
