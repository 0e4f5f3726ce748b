#include "catalogue/download_window.h"

#include <thread>

#include "catalogue/catalogue_window.h"
#include "catalogue/install_flow.h"
#include "net/download_progress.h"
#include "sys/pumping_wait.h"
#include "uilib/loader.h"
#include "uilib/skin_commands.h"

namespace storvane {
namespace {

constexpr int kPauseBeforeCloseMs = 1000;

// The bar's position through its control, which the library allows from any thread.
class ControlProgressBar : public ProgressBarControl {
public:
    explicit ControlProgressBar(ExuiControl control) : control_(control) {}
    void SetMaximum(int32_t maximum) override {
        uilib::SetSkinAttribute(uilib::SkinType::ProgressbarEx, control_, EXUI_ATTR_RANGE_MAX, maximum);
    }
    int32_t GetMaximum() override {
        return uilib::GetSkinAttribute(uilib::SkinType::ProgressbarEx, control_, EXUI_ATTR_RANGE_MAX);
    }
    void SetPosition(int32_t position) override {
        uilib::SetSkinAttribute(uilib::SkinType::ProgressbarEx, control_, EXUI_ATTR_POSITION, position);
    }
    void SetVisible(bool) override {}
    void MoveTo(int32_t, int32_t) override {}

private:
    ExuiControl control_;
};

// The window has no cancel: it goes only once its worker has finished.
bool DownloadWindowCloseQuery(uilib::Window&) { return g_downloadJob.finished.load(); }

constexpr uilib::UnitDesign kDownloadUnits[] = {
    {.type = uilib::UnitType::WindowEx, .name = kDownloadFrameUnit, .width = 360, .height = 140,
     .caption = "下载软件", .fillsWindow = true},
    {.type = uilib::UnitType::PictureBoxEx, .name = kDownloadPictureUnit, .left = 148, .top = 48, .width = 64,
     .height = 40},
    {.type = uilib::UnitType::ProgressbarEx, .name = kDownloadBarUnit, .left = 20, .top = 104, .width = 320,
     .height = 8, .rangeMax = kDownloadProgressMaximum},
};

}  // namespace

const uilib::WindowDesign kDownloadWindowDesign{.name = kDownloadWindowName,
                                                .caption = "下载软件",
                                                .width = 360,
                                                .height = 140,
                                                .units = kDownloadUnits,
                                                .onCreated = OnDownloadWindowCreated,
                                                .onCloseQuery = DownloadWindowCloseQuery};

std::string DownloadWindowTitle(const std::string& executable) { return "正在下载：" + executable; }

void OnDownloadWindowCreated(uilib::Window& created) {
    uilib::Window* window = &created;
    if (uilib::Window* main = uilib::FindLoadedWindow(kMainWindowName)) {
        const WindowPlace place =
            CentredPlace(main->Left(), main->Top(), main->Width(), main->Height(), window->Width(), window->Height());
        window->MoveTo(place.left, place.top);
    }
    if (uilib::Unit* frame = window->FindUnit(kDownloadFrameUnit)) {
        frame->SetAttribute(EXUI_ATTR_BUTTONS, 0);  // no close glyph: nothing may cut the transfer short
        frame->SetCaption(DownloadWindowTitle(g_downloadJob.executable));
    }
    g_downloadJob.finished = false;
    InstallWorkerContext context;
    context.runDirectory = uilib::ProgramDirectory();
    context.window = window->hwnd();
    if (uilib::Unit* bar = window->FindUnit(kDownloadBarUnit)) {
        context.bar = uilib::ControlOfWindow(bar->hwnd());
        context.maximum = bar->RangeMax();
    }
    if (!PrepareInstallFolder(context.runDirectory, g_downloadJob.storeFolder, g_downloadJob.executable)) {
        g_downloadJob.finished = true;
        window->RequestClose();
        return;
    }
    std::thread(InstallWorkerThread, std::move(context)).detach();
}

void InstallWorkerThread(InstallWorkerContext context) {
    ControlProgressBar bar(context.bar);
    RunInstallTransfer(context.runDirectory, [&](int32_t contentLength, int32_t total, int32_t, int32_t) {
        OnDownloadProgress(bar, context.maximum, contentLength, total);
    });
    PumpingWait(kPauseBeforeCloseMs);
    g_downloadJob.finished = true;
    // Posted, so the worker never waits for the user-interface thread.
    ::PostMessageW(context.window, WM_CLOSE, 0, 0);
}

void ModalDownloadWindow::RunModal() { uilib::LoadModalWindow(kDownloadWindowDesign, &owner_); }

}  // namespace storvane
