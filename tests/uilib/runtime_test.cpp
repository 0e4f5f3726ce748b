// The unit runtime: window events in order, feedback labels for worker threads, modal windows,
// the close query, unit lookup and captions, the message loop and the message box.
#include "uilib/runtime.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <memory>
#include <thread>

#include "test_support.h"
#include "util/win_text.h"

namespace storvane::uilib {
namespace {

using test::PumpFor;
using test::PumpUntil;

struct Trace {
  std::vector<std::string> steps;
  bool unitsWhenContextMade = false;
  int contextsDestroyed = 0;
  bool visibleWhenCreated = true;
  bool foundWhenCreated = false;
  bool parentEnabledWhileModal = true;
  bool parentEnabledWhileCreating = true;
  bool allowClose = true;
  int closeQueries = 0;
  int sizeChanges = 0;
  std::vector<std::pair<int, int>> activations;
  DWORD feedbackThread = 0;
  std::pair<int, int> feedbackArgs{-1, -1};
  std::atomic<bool> feedbackDone{false};
};

// The test's trace as a window's context: every handler reaches it through the window or unit
// it is given.
struct TraceContext : WindowContext {
  explicit TraceContext(Trace& trace) : trace(trace) {}
  ~TraceContext() override { ++trace.contextsDestroyed; }
  Trace& trace;
};

ContextMaker TraceMaker(Trace& trace) {
  return [&trace](Window& window) {
    trace.steps.push_back("context");
    trace.unitsWhenContextMade =
        window.FindUnit("窗口EX_启动窗口") != nullptr || window.FindUnit("窗口EX_下载") != nullptr;
    return std::make_unique<TraceContext>(trace);
  };
}

Trace* TraceOf(const Window& window) {
  auto* context = window.Context<TraceContext>();
  return context != nullptr ? &context->trace : nullptr;
}

constexpr char kMainName[] = "运行时主窗口";
constexpr char kModalName[] = "运行时下载窗口";

void MainCreated(Window& window) {
  Trace* trace = TraceOf(window);
  if (trace == nullptr) return;
  trace->steps.push_back("created");
  trace->foundWhenCreated = FindLoadedWindow(kMainName) == &window && window.FindUnit("标签EX_标题") != nullptr;
  trace->visibleWhenCreated = ::IsWindowVisible(window.hwnd()) != FALSE;
}
void MainShown(Window& window) {
  if (Trace* trace = TraceOf(window)) trace->steps.push_back("shown");
}
void MainSized(Window& window) {
  if (Trace* trace = TraceOf(window)) ++trace->sizeChanges;
}
bool MainCloseQuery(Window& window) {
  Trace* trace = TraceOf(window);
  if (trace == nullptr) return true;
  ++trace->closeQueries;
  return trace->allowClose;
}
void MainFocus(Window& window, int a, int b) {
  if (Trace* trace = TraceOf(window)) trace->activations.emplace_back(a, b);
}
int OnFeedback(Unit& label, int a, int b) {
  Trace* trace = TraceOf(label.window());
  if (trace == nullptr) return -1;
  trace->feedbackThread = ::GetCurrentThreadId();
  trace->feedbackArgs = {a, b};
  ::Sleep(50);  // the sender must still be waiting when this returns
  trace->feedbackDone = true;
  return a + b;
}

constexpr UnitDesign kMainUnits[] = {
    {.type = UnitType::WindowEx,
     .name = "窗口EX_启动窗口",
     .width = 900,
     .height = 600,
     .caption = "Storvane",
     .fillsWindow = true},
    {.type = UnitType::LabelEx,
     .name = "标签EX_标题",
     .left = 16,
     .top = 48,
     .width = 868,
     .height = 24,
     .caption = "Storvane  www.storvane.example"},
    {.type = UnitType::Label,
     .name = "标签_读取软件",
     .caption = "读取软件",
     .visible = false,
     .onFeedback = OnFeedback},
};
constexpr WindowDesign kMain{.name = kMainName,
                             .caption = "Storvane",
                             .width = 900,
                             .height = 600,
                             .units = kMainUnits,
                             .onCreated = MainCreated,
                             .onShown = MainShown,
                             .onSizeChanged = MainSized,
                             .onCloseQuery = MainCloseQuery,
                             .onFocus = MainFocus};

void ModalCreated(Window& modal) {
  if (Trace* trace = TraceOf(modal)) {
    trace->parentEnabledWhileCreating = ::IsWindowEnabled(modal.parent()->hwnd()) != FALSE;
  }
}

void ModalShown(Window& modal) {
  Trace* trace = TraceOf(modal);
  if (trace == nullptr) return;
  trace->parentEnabledWhileModal = ::IsWindowEnabled(modal.parent()->hwnd()) != FALSE;
  trace->steps.push_back("modal shown");
  // Closed from a worker, as the download worker does.
  std::thread([window = &modal] {
    ::Sleep(100);
    window->RequestClose();
  }).detach();
}

constexpr UnitDesign kModalUnits[] = {
    {.type = UnitType::WindowEx, .name = "窗口EX_下载", .width = 360, .height = 140, .fillsWindow = true},
    {.type = UnitType::ProgressbarEx,
     .name = "进度条EX_下载",
     .left = 20,
     .top = 90,
     .width = 320,
     .height = 8,
     .rangeMax = 10000},
};
constexpr WindowDesign kModal{.name = kModalName,
                              .caption = "下载",
                              .width = 360,
                              .height = 140,
                              .units = kModalUnits,
                              .onCreated = ModalCreated,
                              .onShown = ModalShown};

// A creation handler that waits while dispatching messages, during which its window is closed
// (a transfer that ends before the window was ever shown).
void ClosedWhileCreating(Window& window) {
  window.RequestClose();
  PumpFor(50);
}
constexpr WindowDesign kClosedEarly{.name = kModalName,
                                    .caption = "下载",
                                    .width = 360,
                                    .height = 140,
                                    .units = kModalUnits,
                                    .onCreated = ClosedWhileCreating};

// The same units without handlers, for tests that open the window themselves.
constexpr WindowDesign kPlainDownload{
    .name = kModalName, .caption = "下载", .width = 360, .height = 140, .units = kModalUnits};
// Larger than any work area the tests run on.
constexpr WindowDesign kHuge{.name = kModalName,
                             .caption = "下载",
                             .width = 9000,
                             .height = 7000,
                             .units = kModalUnits,
                             .onSizeChanged = MainSized};

class RuntimeTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(test::LoadLibraryAsStartUpDoes());
    window_ = LoadWindow(kMain, nullptr, TraceMaker(trace_));
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override {
    trace_.allowClose = true;
    Window* window = FindLoadedWindow(kMainName);
    test::CloseForGood(window != nullptr ? window->hwnd() : nullptr);
  }
  Trace trace_;
  Window* window_ = nullptr;
};

TEST_F(RuntimeTest, TheCreationHandlerRunsBeforeTheWindowIsShownAndTheShownEventAfter) {
  EXPECT_TRUE(trace_.foundWhenCreated);
  EXPECT_FALSE(trace_.visibleWhenCreated);
  EXPECT_TRUE(::IsWindowVisible(window_->hwnd()));
  ASSERT_TRUE(PumpUntil([&] { return trace_.steps.size() >= 3; }));
  EXPECT_EQ(trace_.steps, (std::vector<std::string>{"context", "created", "shown"}));
  PumpFor(50);
  EXPECT_EQ(trace_.steps.size(), 3u);  // shown only once
  EXPECT_EQ(window_->ClientWidth(), 900);
  EXPECT_EQ(window_->ClientHeight(), 600);
}

TEST_F(RuntimeTest, EachWindowOwnsTheContextItWasLoadedWithUntilItIsDestroyed) {
  EXPECT_TRUE(trace_.unitsWhenContextMade);
  Trace modalTrace;
  Window* plain = LoadWindow(kPlainDownload, window_);
  Window* traced = LoadWindow(kPlainDownload, window_, TraceMaker(modalTrace));
  ASSERT_TRUE(plain != nullptr && traced != nullptr);
  EXPECT_EQ(plain->Context<TraceContext>(), nullptr);
  EXPECT_EQ(TraceOf(*traced), &modalTrace);  // one design, a context per window
  EXPECT_EQ(TraceOf(*window_), &trace_);
  ::DestroyWindow(traced->hwnd());
  EXPECT_EQ(modalTrace.contextsDestroyed, 1);
  EXPECT_EQ(trace_.contextsDestroyed, 0);
  ::DestroyWindow(plain->hwnd());
  test::CloseForGood(window_->hwnd());
  EXPECT_EQ(trace_.contextsDestroyed, 1);
}

TEST_F(RuntimeTest, FeedbackFromAWorkerRunsOnTheUserInterfaceThreadWhileTheWorkerWaits) {
  Unit* label = window_->FindUnit("标签_读取软件");
  ASSERT_NE(label, nullptr);
  EXPECT_FALSE(label->Visible());
  std::atomic<bool> sent{false}, doneWhenReturned{false};
  std::atomic<LRESULT> result{0};
  std::thread worker([&] {
    result = label->SendFeedback(3, 4);
    doneWhenReturned = trace_.feedbackDone.load();
    sent = true;
  });
  ASSERT_TRUE(PumpUntil([&] { return sent.load(); }));
  worker.join();
  EXPECT_EQ(trace_.feedbackThread, ::GetCurrentThreadId());
  EXPECT_EQ(trace_.feedbackArgs, std::make_pair(3, 4));
  EXPECT_TRUE(doneWhenReturned);
  EXPECT_EQ(result.load(), 7);  // the handler's result is the sender's
}

TEST_F(RuntimeTest, AModalWindowDisablesItsParentUntilItIsClosed) {
  ASSERT_TRUE(::IsWindowEnabled(window_->hwnd()));
  LoadModalWindow(kModal, window_, TraceMaker(trace_));
  EXPECT_FALSE(trace_.parentEnabledWhileCreating);
  EXPECT_FALSE(trace_.parentEnabledWhileModal);
  EXPECT_EQ(FindLoadedWindow(kModalName), nullptr);
  EXPECT_TRUE(::IsWindowEnabled(window_->hwnd()));
  EXPECT_NE(std::find(trace_.steps.begin(), trace_.steps.end(), "modal shown"), trace_.steps.end());
  // The parent is still there and its loop goes on.
  EXPECT_EQ(FindLoadedWindow(kMainName), window_);
}

TEST_F(RuntimeTest, AModalWindowClosedByItsCreationHandlerGivesTheParentBack) {
  LoadModalWindow(kClosedEarly, window_);
  EXPECT_EQ(FindLoadedWindow(kModalName), nullptr);
  EXPECT_TRUE(::IsWindowEnabled(window_->hwnd()));
}

TEST_F(RuntimeTest, TheCloseQueryDecidesWhetherTheWindowCloses) {
  trace_.allowClose = false;
  window_->RequestClose();
  ASSERT_TRUE(PumpUntil([&] { return trace_.closeQueries == 1; }));
  EXPECT_EQ(FindLoadedWindow(kMainName), window_);
  trace_.allowClose = true;
  window_->RequestClose();
  ASSERT_TRUE(PumpUntil([&] { return FindLoadedWindow(kMainName) == nullptr; }));
  EXPECT_EQ(trace_.closeQueries, 2);
}

TEST_F(RuntimeTest, ClosingTheLastWindowEndsTheMessageLoop) {
  window_->RequestClose();
  EXPECT_EQ(RunMessageLoop(), 0);
  EXPECT_EQ(FindLoadedWindow(kMainName), nullptr);
}

TEST_F(RuntimeTest, SizeChangesReachTheHandlerAndTheFrameFollows) {
  const int before = trace_.sizeChanges;
  ::SetWindowPos(window_->hwnd(), nullptr, 0, 0, 700, 500, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_GT(trace_.sizeChanges, before);
  Unit* frame = window_->FindUnit("窗口EX_启动窗口");
  EXPECT_EQ(frame->Width(), window_->ClientWidth());
  EXPECT_EQ(frame->Height(), window_->ClientHeight());
  EXPECT_EQ(window_->ClientWidth(), 700);
}

std::array<LONG, 4> Edges(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

TEST_F(RuntimeTest, ADpiChangeTakesTheSuggestedPlaceAndKeepsEveryUnitInDesignUnits) {
  Unit* title = window_->FindUnit("标签EX_标题");
  Unit* frame = window_->FindUnit("窗口EX_启动窗口");
  const int before = trace_.sizeChanges;
  RECT suggested{40, 30, 40 + 1350, 30 + 900};
  ::SendMessageW(window_->hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(window_->Dpi(), 144);
  EXPECT_EQ(Edges(window_->ScreenBounds()), Edges(suggested));
  EXPECT_EQ(trace_.sizeChanges, before + 1);  // once, when every unit has its new scale
  EXPECT_EQ(window_->ClientWidth(), 900);
  EXPECT_EQ(window_->ClientHeight(), 600);
  RECT pixels{};
  ::GetWindowRect(title->hwnd(), &pixels);
  ::MapWindowPoints(nullptr, window_->hwnd(), reinterpret_cast<POINT*>(&pixels), 2);
  EXPECT_EQ(Edges(pixels), (Edges(RECT{24, 72, 24 + 1302, 72 + 36})));
  EXPECT_EQ(Edges(title->Bounds()), (Edges(RECT{16, 48, 16 + 868, 48 + 24})));
  ::GetClientRect(frame->hwnd(), &pixels);
  EXPECT_EQ(pixels.right, 1350);
  // Odd design numbers read back as given, though their pixels were rounded.
  title->Move(15, 11, 101, 21);
  EXPECT_EQ(title->Left(), 15);
  EXPECT_EQ(title->Top(), 11);
  EXPECT_EQ(title->Width(), 101);
  EXPECT_EQ(title->Height(), 21);
}

TEST_F(RuntimeTest, AWindowLargerThanTheWorkAreaIsFittedIntoItBeforeItShows) {
  const int before = trace_.sizeChanges;
  Window* huge = LoadWindow(kHuge, window_, TraceMaker(trace_));
  ASSERT_NE(huge, nullptr);
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_EQ(Edges(huge->ScreenBounds()), Edges(work));
  EXPECT_EQ(huge->FindUnit("窗口EX_下载")->Width(), huge->ClientWidth());
  EXPECT_GT(trace_.sizeChanges, before);
  ::DestroyWindow(huge->hwnd());
}

TEST_F(RuntimeTest, UnitsAreFoundByNameAndKeepTheirCaptions) {
  Unit* title = FindLoadedUnit(kMainName, "标签EX_标题");
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->type(), UnitType::LabelEx);
  title->SetCaption(title->Caption() + "    版本：V" + "2.1");
  EXPECT_EQ(title->Caption(), "Storvane  www.storvane.example    版本：V2.1");
  EXPECT_EQ(GetSkinAttributeText(SkinType::LabelEx, title->control(), EXUI_ATTR_CAPTION), title->Caption());

  Unit* label = FindLoadedUnit(kMainName, "标签_读取软件");
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->Caption(), "读取软件");
  EXPECT_EQ(label->control(), 0);
  label->SetCaption("检测软件运行");
  EXPECT_EQ(label->Caption(), "检测软件运行");

  EXPECT_EQ(FindLoadedUnit(kMainName, "没有这个"), nullptr);
  EXPECT_EQ(FindLoadedUnit("没有这个窗口", "标签EX_标题"), nullptr);
}

TEST_F(RuntimeTest, ActivationReachesTheFocusHandler) {
  ::SetForegroundWindow(window_->hwnd());
  PumpFor(50);
  ASSERT_FALSE(trace_.activations.empty());
  EXPECT_EQ(trace_.activations.back(), std::make_pair(1, 0));
}

TEST_F(RuntimeTest, ProgressBarsTakeTheirDesignMaximumAndPositionsFromAnyThread) {
  LoadWindow(kPlainDownload, window_);
  Unit* bar = FindLoadedUnit(kModalName, "进度条EX_下载");
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->RangeMax(), 10000);
  std::thread([bar] { bar->SetPosition(102); }).join();
  EXPECT_EQ(bar->Position(), 102);
  bar->SetPosition(20000);
  EXPECT_EQ(bar->Position(), 10000);
  ::DestroyWindow(FindLoadedWindow(kModalName)->hwnd());
}

TEST(RuntimeMessageBox, UsesTheDefaultCaptionAndReturnsTheAnswer) {
  test::MessageBoxAnswerer answerer(GbkToWide(kDefaultMessageCaption).c_str(), IDOK);
  EXPECT_EQ(RuntimeMessageBox("不能打开该URL!"), IDOK);
  EXPECT_EQ(answerer.Join(), GbkToWide("不能打开该URL!"));

  test::MessageBoxAnswerer no(GbkToWide("提示：").c_str(), IDNO);
  EXPECT_EQ(RuntimeMessageBox("是否关闭软件？", MB_YESNO, "提示："), IDNO);
}

}  // namespace
}  // namespace storvane::uilib
