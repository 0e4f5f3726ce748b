// The modal download window: its design, its creation handler (centre over its owner, prepare
// the tool's folder, start the worker) and the worker that runs the transfer, moves the progress
// bar and the line under it (received, total, speed, time left) and closes the window. The
// window closes only through its worker; "取消", Escape and the close box ask the worker to stop.
// Each window gets its job through its context, and its worker's result goes back to the one
// who opened it.
#pragma once

#include <string>

#include "catalogue/catalogue_environment.h"
#include "uilib/runtime.h"

namespace storvane {

inline constexpr char kDownloadWindowName[] = "下载窗口";
inline constexpr char kDownloadFrameUnit[] = "窗口EX_下载";
inline constexpr char kDownloadBarUnit[] = "进度条EX_下载";
inline constexpr char kDownloadPictureUnit[] = "图片框EX_下载";
inline constexpr char kDownloadLineUnit[] = "标签EX_下载进度";
inline constexpr char kDownloadCancelUnit[] = "按钮EX_取消";
inline constexpr char kDownloadLineFeedbackUnit[] = "标签_下载进度";

extern const uilib::WindowDesign kDownloadWindowDesign;

// The frame's title while `executable` is downloaded.
std::string DownloadWindowTitle(const std::string& executable);

// Creation handler of the download window; nothing for a window without a job.
void OnDownloadWindowCreated(uilib::Window& window);

// Loads the download window modally over `owner`, for tools under `runDirectory`.
class ModalDownloadWindow : public DownloadWindowHost {
public:
  ModalDownloadWindow(uilib::Window& owner, std::string runDirectory)
      : owner_(owner), runDirectory_(std::move(runDirectory)) {}
  int RunModal(const DownloadJob& job) override;

private:
  uilib::Window& owner_;
  std::string runDirectory_;
};

}  // namespace storvane
