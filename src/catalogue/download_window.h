// The modal download window: its design, its creation handler (centre over the main window,
// prepare the tool's folder, start the worker) and the worker that runs the transfer, moves the
// progress bar and closes the window. The window closes only through its worker.
#pragma once

#include <windows.h>

#include <string>

#include "catalogue/catalogue_environment.h"
#include "exui_api.h"
#include "uilib/runtime.h"

namespace storvane {

inline constexpr char kDownloadWindowName[] = "下载窗口";
inline constexpr char kDownloadFrameUnit[] = "窗口EX_下载";
inline constexpr char kDownloadBarUnit[] = "进度条EX_下载";
inline constexpr char kDownloadPictureUnit[] = "图片框EX_下载";

extern const uilib::WindowDesign kDownloadWindowDesign;

// The frame's title while `executable` is downloaded.
std::string DownloadWindowTitle(const std::string& executable);

// Creation handler of the download window.
void OnDownloadWindowCreated(uilib::Window& window);

// What the worker needs, taken on the user-interface thread: the tool root, the progress bar's
// control and maximum, and the window to close.
struct InstallWorkerContext {
    std::string runDirectory;
    ExuiControl bar = 0;
    int maximum = 0;
    HWND window = nullptr;
};

// The worker: transfers `g_downloadJob`, moving the bar after every chunk, waits 1000 ms, marks
// the job finished and posts the close request.
void InstallWorkerThread(InstallWorkerContext context);

// Loads the download window modally over the main window.
class ModalDownloadWindow : public DownloadWindowHost {
public:
    explicit ModalDownloadWindow(uilib::Window& owner) : owner_(owner) {}
    void RunModal() override;

private:
    uilib::Window& owner_;
};

}  // namespace storvane
