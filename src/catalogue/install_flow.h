// Installing and updating a tool: the question about running copies, the modal download window
// with its folder preparation and transfer, and the item's state afterwards.
//
// A failed transfer never costs the user a working tool: the old executable is not deleted up
// front (the transfer replaces it only once the new one is complete and, when the catalogue
// named its size and SHA-256, matches them), so a failed update keeps the previous executable
// and stamp, and only a failed first install ends without one.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "catalogue/catalogue.h"
#include "catalogue/catalogue_environment.h"
#include "net/download_to_file.h"

namespace storvane {

inline constexpr char kHintCaption[] = "提示：";
inline constexpr char kRunningQuestion[] = "程序运行中，是否关闭程序并继续下载/更新？";
// Shown instead of any file or process action for an entry whose folder or executable is not a
// plain file name.
inline constexpr char kUnsafeEntryMessage[] = "软件信息有误（目录或程序名无效），无法执行此操作！";

// When the tool runs, asks whether to close it (No: nothing changes and no window opens); then
// runs the download window modally for `job` and returns the transfer's result (0 once the
// complete executable is in place, negative otherwise). A Yes lets the transfer end the running
// copies once the new executable is complete, right before it takes the old one's place, so a
// failed or cancelled download leaves the tool running. Nothing, without any question or window,
// for an unsafe job.
std::optional<int> RunInstallDialog(CatalogueEnvironment& env, const DownloadJob& job);

// The install flow for the selected item, on the selection's copy of its entry: does nothing
// while another flow is in progress; refuses an unsafe entry with a notice, runs the dialog, and
// afterwards sets the item's state: Open with the stamp written when the new executable arrived;
// otherwise Redownload when no executable is there, or the state the files on disk give (the
// previous executable and stamp kept) when one is.
void RunInstallFlow(Catalogue& catalogue, const SelectedEntry& selection);

// The download window's preparation, on the user-interface thread: creates root "\soft" and the
// tool's folder. False, touching nothing, for an unsafe job.
bool PrepareInstallFolder(std::string_view runDirectory, const std::string& storeFolder, const std::string& executable);

// Ends the running copies of the tool (two passes, each waiting up to 5 s for what it ended to
// be gone) and lets the system release the executable for a moment.
void EndRunningCopies(std::string_view runDirectory, const std::string& storeFolder, const std::string& executable);

// The transfer of `job` into root "\soft\" store "\" executable, on the worker thread; returns
// 0 once the complete executable is in place, a DownloadToFile failure otherwise. An unsafe job
// fails (-1) without a request. `options` brings the progress and message routines, the cancel
// flag set from the window's thread and the waits between tries; the job gives the rest (the
// digest, a program is asked for, the version that names the partial file, and the ending of the
// running copies when the user agreed to it).
int RunInstallTransfer(std::string_view runDirectory, const DownloadJob& job, DownloadOptions options);

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
