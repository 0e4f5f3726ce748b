// Installing and updating a tool: the question about running copies, the modal download window
// with its folder preparation and transfer, and the item's state afterwards.
//
// A failed transfer never costs the user a working tool: the old executable is not deleted up
// front (the transfer replaces it only once the new one is complete), so a failed update keeps
// the previous executable and stamp, and only a failed first install ends without one.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "catalogue/catalogue_environment.h"
#include "net/download_to_file.h"

namespace storvane {

// The pending install: written on the user-interface thread right before the download window
// opens, read by the transfer worker while it is open. `result` is the transfer's outcome: 0 once
// the complete executable is in place, -1 otherwise (also before the worker has run); `finished`
// tells the download window that its worker is done and it may close. `inUse` (user-interface
// thread only) is set while an install flow owns the job, from its first question until it has
// read the result: the question box and the download window dispatch messages, and a click in
// that moment must not start a second flow that overwrites the job under the first.
struct DownloadJob {
    std::string downloadAddress;
    std::string storeFolder;
    std::string executable;
    std::atomic<int> result{-1};
    std::atomic<bool> finished{false};
    bool inUse = false;
};
extern DownloadJob g_downloadJob;

// True while an install flow runs; item actions are then refused without a word.
bool IsInstallInProgress();

inline constexpr char kHintCaption[] = "提示：";
inline constexpr char kRunningQuestion[] = "程序运行中，是否关闭程序并继续下载/更新？";
// Shown instead of any file or process action for an entry whose folder or executable is not a
// plain file name.
inline constexpr char kUnsafeEntryMessage[] = "软件信息有误（目录或程序名无效），无法执行此操作！";

// When the tool runs, asks whether to close it (No: returns 0 and nothing changes); then fills
// `g_downloadJob` and runs the download window modally, and returns 1 once it has closed. An
// unsafe entry returns 0 without any question or window.
int RunInstallDialog(CatalogueEnvironment& env, const std::string& downloadAddress, const std::string& executable,
                     const std::string& storeFolder);

// The install flow for item `item`, on its own copy of the entry: does nothing while another
// flow is in progress; refuses an unsafe entry with a notice, runs the dialog, and afterwards
// sets the caption: "打开软件" with the stamp written when the new executable arrived;
// otherwise "重新下载" when no executable is there, or the caption the files on disk give (the
// previous executable and stamp kept) when one is.
void RunInstallFlow(CatalogueEnvironment& env, int32_t item, std::string downloadAddress, std::string executable,
                    std::string storeFolder, std::string version);

// The download window's preparation, on the user-interface thread: ends running copies of the
// tool (two passes, each waiting up to 5 s for what it ended to be gone), waits 500 ms
// dispatching messages, creates root "\soft" and the tool's folder. False, touching nothing, for an unsafe job.
bool PrepareInstallFolder(std::string_view runDirectory, const std::string& storeFolder,
                          const std::string& executable);

// The transfer of `g_downloadJob` into root "\soft\" store "\" executable, on the worker thread;
// stores and returns the result. An unsafe job fails without a request.
int RunInstallTransfer(std::string_view runDirectory, const DownloadProgressRoutine& progress,
                       const DownloadMessageRoutine& message = ShowDownloadMessage);

// The install worker's progress routine: the bar's position for `total` of `contentLength`
// bytes on a bar of `maximum`.
void OnDownloadProgress(ProgressBarControl& bar, int32_t maximum, int32_t contentLength, int32_t total);

// Top-left corner that centres a window of the given size over `owner` (left, top, width,
// height), computed in floating point and truncated toward zero.
struct WindowPlace {
    int32_t left = 0, top = 0;
};
WindowPlace CentredPlace(int32_t ownerLeft, int32_t ownerTop, int32_t ownerWidth, int32_t ownerHeight, int32_t width,
                         int32_t height);

}  // namespace storvane
