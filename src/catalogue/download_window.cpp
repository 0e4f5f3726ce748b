#include "catalogue/download_window.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <thread>

#include "catalogue/install_flow.h"
#include "net/download_progress.h"
#include "sys/pumping_wait.h"
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

// What one download window and its worker share. The worker holds it too: it may still be
// posting the close request when the window, and with it the context, are gone.
struct Transfer {
  DownloadJob job;
  std::string runDirectory;
  std::atomic<int> result{-1};  // the transfer's, once it has run
  std::atomic<bool> finished{false};
};

class DownloadWindowContext : public uilib::WindowContext {
public:
  explicit DownloadWindowContext(std::shared_ptr<Transfer> transfer) : transfer(std::move(transfer)) {}
  const std::shared_ptr<Transfer> transfer;
};

// What the worker needs, taken on the user-interface thread: the progress bar's control and
// maximum, and the window to close.
struct WorkerContext {
  std::shared_ptr<Transfer> transfer;
  ExuiControl bar = 0;
  int maximum = 0;
  HWND window = nullptr;
};

// Transfers the job, moving the bar after every chunk, waits 1000 ms, marks the transfer
// finished and posts the close request.
void InstallWorkerThread(WorkerContext context) {
  Transfer& transfer = *context.transfer;
  ControlProgressBar bar(context.bar);
  transfer.result = RunInstallTransfer(transfer.runDirectory, transfer.job,
                                       [&](int32_t contentLength, int32_t total, int32_t, int32_t) {
                                         OnDownloadProgress(bar, context.maximum, contentLength, total);
                                       });
  PumpingWait(kPauseBeforeCloseMs);
  transfer.finished = true;
  // Posted, so the worker never waits for the user-interface thread.
  ::PostMessageW(context.window, WM_CLOSE, 0, 0);
}

// The window has no cancel: it goes only once its worker has finished.
bool DownloadWindowCloseQuery(uilib::Window& window) {
  auto* context = window.Context<DownloadWindowContext>();
  return context == nullptr || context->transfer->finished.load();
}

constexpr uilib::UnitDesign kDownloadUnits[] = {
    {.type = uilib::UnitType::WindowEx,
     .name = kDownloadFrameUnit,
     .width = 360,
     .height = 140,
     .caption = "下载软件",
     .fillsWindow = true},
    {.type = uilib::UnitType::PictureBoxEx,
     .name = kDownloadPictureUnit,
     .left = 148,
     .top = 48,
     .width = 64,
     .height = 40},
    {.type = uilib::UnitType::ProgressbarEx,
     .name = kDownloadBarUnit,
     .left = 20,
     .top = 104,
     .width = 320,
     .height = 8,
     .rangeMax = kDownloadProgressMaximum},
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

void OnDownloadWindowCreated(uilib::Window& window) {
  auto* context = window.Context<DownloadWindowContext>();
  if (context == nullptr) return;
  const std::shared_ptr<Transfer>& transfer = context->transfer;
  if (uilib::Window* owner = window.parent()) {
    const WindowPlace place =
        CentredPlace(owner->Left(), owner->Top(), owner->Width(), owner->Height(), window.Width(), window.Height());
    window.MoveTo(place.left, place.top);
  }
  if (uilib::Unit* frame = window.FindUnit(kDownloadFrameUnit)) {
    frame->SetAttribute(EXUI_ATTR_BUTTONS, 0);  // no close glyph: nothing may cut the transfer short
    frame->SetCaption(DownloadWindowTitle(transfer->job.executable));
  }
  WorkerContext worker;
  worker.transfer = transfer;
  worker.window = window.hwnd();
  if (uilib::Unit* bar = window.FindUnit(kDownloadBarUnit)) {
    worker.bar = uilib::ControlOfWindow(bar->hwnd());
    worker.maximum = bar->RangeMax();
  }
  if (!PrepareInstallFolder(transfer->runDirectory, transfer->job.storeFolder, transfer->job.executable)) {
    transfer->finished = true;
    window.RequestClose();
    return;
  }
  std::thread(InstallWorkerThread, std::move(worker)).detach();
}

int ModalDownloadWindow::RunModal(const DownloadJob& job) {
  auto transfer = std::make_shared<Transfer>();
  transfer->job = job;
  transfer->runDirectory = runDirectory_;
  uilib::LoadModalWindow(kDownloadWindowDesign, &owner_,
                         [transfer](uilib::Window&) { return std::make_unique<DownloadWindowContext>(transfer); });
  return transfer->result.load();
}

}  // namespace storvane
