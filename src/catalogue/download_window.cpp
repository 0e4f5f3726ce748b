#include "catalogue/download_window.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

#include "catalogue/install_flow.h"
#include "net/download_progress.h"
#include "sys/pumping_wait.h"
#include "uilib/skin_commands.h"

namespace storvane {
namespace {

constexpr int kPauseBeforeCloseMs = 1000;
// The line under the bar changes at most four times a second, so it can be read.
constexpr DWORD kLineIntervalMs = 250;
constexpr uint32_t kLineColour = 0xFF808080;
constexpr char kCancelCaption[] = "取消";
constexpr char kCancellingCaption[] = "正在取消…";

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
  std::atomic<bool> cancelled{false};  // the user asked to stop; the worker ends the transfer
  std::mutex lineLock;
  std::string line;  // what the line under the bar says next
};

class DownloadWindowContext : public uilib::WindowContext {
public:
  explicit DownloadWindowContext(std::shared_ptr<Transfer> transfer) : transfer(std::move(transfer)) {}
  const std::shared_ptr<Transfer> transfer;
};

// What the worker needs, taken on the user-interface thread: the progress bar's control and
// maximum, the label that shows the line under the bar, and the window to close.
struct WorkerContext {
  std::shared_ptr<Transfer> transfer;
  ExuiControl bar = 0;
  int maximum = 0;
  HWND lineFeedback = nullptr;
  HWND window = nullptr;
};

// Keeps the line under the bar, and hands it to the window's thread at most four times a second.
class ProgressLine {
public:
  explicit ProgressLine(const WorkerContext& context) : context_(context) {}
  void Update(int32_t contentLength, int32_t total) {
    const DWORD now = ::GetTickCount();
    rate_.Add(now, total);
    if (shown_ && now - lastShown_ < kLineIntervalMs && total != contentLength) return;
    shown_ = true;
    lastShown_ = now;
    {
      const std::lock_guard<std::mutex> hold(context_.transfer->lineLock);
      context_.transfer->line = DownloadProgressLine(total, contentLength, rate_.BytesPerSecond());
    }
    // Posted, so the worker never waits for the user-interface thread.
    ::PostMessageW(context_.lineFeedback, uilib::kFeedbackMessage, 0, 0);
  }

private:
  const WorkerContext& context_;
  TransferRate rate_;
  bool shown_ = false;
  DWORD lastShown_ = 0;
};

// Transfers the job, moving the bar and the line under it after every chunk, waits 1000 ms (not
// after a cancel: the user is waiting for the window to go), marks the transfer finished and
// posts the close request.
void InstallWorkerThread(WorkerContext context) {
  Transfer& transfer = *context.transfer;
  ControlProgressBar bar(context.bar);
  ProgressLine line(context);
  transfer.result = RunInstallTransfer(transfer.runDirectory, transfer.job,
                                       {.progress =
                                            [&](int32_t contentLength, int32_t total, int32_t, int32_t) {
                                              OnDownloadProgress(bar, context.maximum, contentLength, total);
                                              line.Update(contentLength, total);
                                            },
                                        .cancel = &transfer.cancelled});
  if (!transfer.cancelled) PumpingWait(kPauseBeforeCloseMs);
  transfer.finished = true;
  ::PostMessageW(context.window, WM_CLOSE, 0, 0);
}

Transfer* TransferOf(uilib::Window& window) {
  auto* context = window.Context<DownloadWindowContext>();
  return context != nullptr ? context->transfer.get() : nullptr;
}

// The cancel button, Escape and the close box all come here: the worker stops the transfer and
// closes the window; the partial file stays for the next try.
void CancelTransfer(uilib::Window& window) {
  Transfer* transfer = TransferOf(window);
  if (transfer == nullptr || transfer->finished || transfer->cancelled.exchange(true)) return;
  if (uilib::Unit* button = window.FindUnit(kDownloadCancelUnit)) {
    button->SetCaption(kCancellingCaption);
    button->SetAttribute(EXUI_ATTR_DISABLED, 1);
  }
}

int OnCancelButtonEvent(uilib::Unit& button, int event, int32_t a, int32_t, int32_t, int32_t) {
  if (event == uilib::kUnitClick || (event == uilib::kUnitKey && a == VK_ESCAPE)) CancelTransfer(button.window());
  return 0;
}

int OnDownloadFrameEvent(uilib::Unit& frame, int event, int32_t, int32_t, int32_t, int32_t) {
  if (event != uilib::kUnitCloseClick) return 0;
  CancelTransfer(frame.window());
  return 1;  // the window goes when its worker has ended, not now
}

int ShowProgressLine(uilib::Unit& feedback, int, int) {
  Transfer* transfer = TransferOf(feedback.window());
  uilib::Unit* label = feedback.window().FindUnit(kDownloadLineUnit);
  if (transfer == nullptr || label == nullptr) return 0;
  std::string line;
  {
    const std::lock_guard<std::mutex> hold(transfer->lineLock);
    line = transfer->line;
  }
  label->SetCaption(line);
  return 0;
}

// The window goes only once its worker has finished; a close asked for before that cancels.
bool DownloadWindowCloseQuery(uilib::Window& window) {
  Transfer* transfer = TransferOf(window);
  if (transfer == nullptr || transfer->finished.load()) return true;
  CancelTransfer(window);
  return false;
}

constexpr uilib::UnitDesign kDownloadUnits[] = {
    {.type = uilib::UnitType::WindowEx,
     .name = kDownloadFrameUnit,
     .width = 360,
     .height = 170,
     .caption = "下载软件",
     .fillsWindow = true,
     .onEvent = OnDownloadFrameEvent},
    {.type = uilib::UnitType::PictureBoxEx,
     .name = kDownloadPictureUnit,
     .left = 148,
     .top = 46,
     .width = 64,
     .height = 40},
    {.type = uilib::UnitType::ProgressbarEx,
     .name = kDownloadBarUnit,
     .left = 20,
     .top = 98,
     .width = 320,
     .height = 8,
     .rangeMax = kDownloadProgressMaximum},
    {.type = uilib::UnitType::LabelEx, .name = kDownloadLineUnit, .left = 20, .top = 110, .width = 320, .height = 20},
    {.type = uilib::UnitType::ButtonEx,
     .name = kDownloadCancelUnit,
     .left = 268,
     .top = 134,
     .width = 72,
     .height = 28,
     .caption = kCancelCaption,
     .onEvent = OnCancelButtonEvent},
    {.type = uilib::UnitType::Label,
     .name = kDownloadLineFeedbackUnit,
     .caption = "下载进度",
     .visible = false,
     .onFeedback = ShowProgressLine},
};

}  // namespace

const uilib::WindowDesign kDownloadWindowDesign{.name = kDownloadWindowName,
                                                .caption = "下载软件",
                                                .width = 360,
                                                .height = 170,
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
    frame->SetAttribute(EXUI_ATTR_BUTTONS, 1);  // the close glyph alone: it cancels, like the button
    frame->SetCaption(DownloadWindowTitle(transfer->job.executable));
  }
  if (uilib::Unit* line = window.FindUnit(kDownloadLineUnit)) line->SetAttribute(EXUI_ATTR_TEXT_COLOR, kLineColour);
  // Escape and Space reach the cancel button at once.
  if (uilib::Unit* cancel = window.FindUnit(kDownloadCancelUnit))
    uilib::SetSkinFocus(uilib::ControlOfWindow(cancel->hwnd()));
  WorkerContext worker;
  worker.transfer = transfer;
  worker.window = window.hwnd();
  if (uilib::Unit* feedback = window.FindUnit(kDownloadLineFeedbackUnit)) worker.lineFeedback = feedback->hwnd();
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
