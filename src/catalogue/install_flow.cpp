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

DownloadJob g_downloadJob;

namespace {

constexpr int kSettleAfterKillMs = 500;

std::string InstallFolderBackslash(std::string_view runDirectory, std::string_view storeFolder) {
    return ConcatTexts(runDirectory, "\\soft\\", storeFolder);
}

// Holds the job for one flow, also when the flow leaves early.
class JobClaim {
public:
    JobClaim() { g_downloadJob.inUse = true; }
    ~JobClaim() { g_downloadJob.inUse = false; }
    JobClaim(const JobClaim&) = delete;
    JobClaim& operator=(const JobClaim&) = delete;
};

}  // namespace

bool IsInstallInProgress() { return g_downloadJob.inUse; }

int RunInstallDialog(CatalogueEnvironment& env, const std::string& downloadAddress, const std::string& executable,
                     const std::string& storeFolder) {
    if (!IsSafeEntry(storeFolder, executable)) return 0;
    if (IsToolRunning(ToolFolder(env.runDirectory, storeFolder), executable) &&
        !env.dialogs.AskYesNo(kRunningQuestion, kHintCaption)) {
        return 0;
    }
    // Filled only now: the question above dispatches messages.
    g_downloadJob.downloadAddress = downloadAddress;
    g_downloadJob.storeFolder = storeFolder;
    g_downloadJob.executable = executable;
    g_downloadJob.result = -1;
    g_downloadJob.finished = false;
    // The running copies are ended by the download window itself.
    env.downloadWindow.RunModal();
    return 1;
}

void RunInstallFlow(CatalogueEnvironment& env, int32_t item, std::string downloadAddress, std::string executable,
                    std::string storeFolder, std::string version) {
    if (IsInstallInProgress()) return;
    if (!IsSafeEntry(storeFolder, executable)) {
        Log(ConcatTexts("install: refused the unsafe entry \"", storeFolder, "\" / \"", executable, "\""));
        env.dialogs.Notice(kUnsafeEntryMessage, kHintCaption);
        return;
    }
    const JobClaim claim;
    if (RunInstallDialog(env, downloadAddress, executable, storeFolder) != 1) return;
    const bool arrived = g_downloadJob.result.load() == 0;
    const bool present = FileExistsAt(ToolExecutablePath(env.runDirectory, storeFolder, executable));
    Log(ConcatTexts("install: ", storeFolder, "\\", executable, " version ", version,
                    arrived ? " arrived" : " did not arrive", present ? "; the executable is there" : "; no executable"));
    if (arrived && present) {
        // The result of the write is not examined: a missing stamp only means "更新软件" next time.
        if (!WriteInstalledVersion(env.runDirectory, storeFolder, version)) Log("install: the version stamp was not written");
        SetItemActionCaption(env.list, item, kCaptionOpen, 0);
    } else if (present) {
        SetItemActionCaption(env.list, item,
                             FirstActionCaption(true, ReadInstalledVersion(env.runDirectory, storeFolder), version), 0);
    } else {
        SetItemActionCaption(env.list, item, kCaptionRedownload, 0);
    }
}

bool PrepareInstallFolder(std::string_view runDirectory, const std::string& storeFolder,
                          const std::string& executable) {
    if (!IsSafeEntry(storeFolder, executable)) return false;
    const std::string folder = ToolFolder(runDirectory, storeFolder);
    // A copy that was starting during the first pass is caught by the second.
    const bool firstPassEnded = TerminateToolProcesses(folder, executable);
    const bool secondPassEnded = TerminateToolProcesses(folder, executable);
    if (!firstPassEnded || !secondPassEnded) {
        Log(ConcatTexts("install: a running ", executable, " did not end in time"));
    }
    PumpingWait(kSettleAfterKillMs);
    ::CreateDirectoryW(GbkToWide(ConcatTexts(runDirectory, "\\soft")).c_str(), nullptr);
    ::CreateDirectoryW(GbkToWide(InstallFolderBackslash(runDirectory, storeFolder)).c_str(), nullptr);
    return true;
}

int RunInstallTransfer(std::string_view runDirectory, const DownloadProgressRoutine& progress,
                       const DownloadMessageRoutine& message) {
    int result = -1;
    if (IsSafeEntry(g_downloadJob.storeFolder, g_downloadJob.executable)) {
        const std::string localPath =
            ConcatTexts(InstallFolderBackslash(runDirectory, g_downloadJob.storeFolder), "\\", g_downloadJob.executable);
        result = DownloadToFile(g_downloadJob.downloadAddress, localPath, progress, 0, false, message);
    }
    g_downloadJob.result = result;
    return result;
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
