// Skinned units made through the real library: host windows, controls, geometry, destruction,
// events, and the warning when the library is missing.
#include "uilib/skin_units.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "test_support.h"
#include "uilib/function_cast.h"
#include "uilib/locate.h"
#include "uilib/runtime.h"
#include "util/win_text.h"

namespace storvane::uilib {
namespace {

using test::PumpUntil;

struct EventLog {
  struct Entry {
    std::string unit;
    int event;
    std::int32_t a, b, c, d;
  };
  std::vector<Entry> entries;
  std::vector<std::pair<int, int>> focus;
  int result = 0;
};

// The test's log, reached by the handlers through the window they are given.
struct LogContext : WindowContext {
  explicit LogContext(EventLog& log) : log(log) {}
  EventLog& log;
};

int RecordEvent(Unit& unit, int event, std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d) {
  auto* context = unit.window().Context<LogContext>();
  if (context == nullptr) return 0;  // events while the units are being made
  context->log.entries.push_back({std::string(unit.name()), event, a, b, c, d});
  return context->log.result;
}

void RecordFocus(Unit& unit, int a, int b) {
  if (auto* context = unit.window().Context<LogContext>()) context->log.focus.emplace_back(a, b);
}

constexpr UnitDesign kAllTypes[] = {
    {.type = UnitType::WindowEx,
     .name = "窗口EX_测试",
     .width = 600,
     .height = 400,
     .caption = "Storvane",
     .fillsWindow = true,
     .onEvent = RecordEvent,
     .onFocus = RecordFocus},
    {.type = UnitType::LabelEx,
     .name = "标签EX_磁盘大小",
     .left = 16,
     .top = 349,
     .width = 568,
     .height = 24,
     .caption = "磁盘信息",
     .onEvent = RecordEvent},
    {.type = UnitType::PictureBoxEx, .name = "图片框EX", .left = 16, .top = 50, .width = 40, .height = 40},
    {.type = UnitType::MinutesboxEx, .name = "分组框EX", .left = 16, .top = 100, .width = 568, .height = 240},
    {.type = UnitType::IcoListboxEx,
     .name = "图标列表框EX_软件",
     .left = 10,
     .top = 10,
     .width = 548,
     .height = 220,
     .container = "分组框EX"},
    {.type = UnitType::ProgressbarEx,
     .name = "进度条EX_载入软件",
     .left = 134,
     .top = 110,
     .width = 300,
     .height = 8,
     .visible = false,
     .container = "分组框EX",
     .rangeMax = 37},
    {.type = UnitType::Label, .name = "标签_读取软件", .caption = "读取软件", .visible = false},
};
constexpr WindowDesign kWindow{
    .name = "单元测试窗口", .caption = "Storvane", .width = 600, .height = 400, .units = kAllTypes};

struct Expected {
  const char* unit;
  const wchar_t* className;
  ExuiControlType type;
};
constexpr Expected kSkinned[] = {
    {"窗口EX_测试", L"WindowEx", EXUI_TYPE_WINDOW},
    {"标签EX_磁盘大小", L"LabelEx", EXUI_TYPE_LABEL},
    {"图片框EX", L"PictureBoxEx", EXUI_TYPE_PICTUREBOX},
    {"分组框EX", L"MinutesboxEx", EXUI_TYPE_MINUTESBOX},
    {"图标列表框EX_软件", L"IcoListboxEx", EXUI_TYPE_ICOLISTBOX},
    {"进度条EX_载入软件", L"ProgressbarEx", EXUI_TYPE_PROGRESSBAR},
};

class SkinUnitsTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(test::LoadLibraryAsStartUpDoes());
    window_ = LoadWindow(kWindow, nullptr, [this](Window&) { return std::make_unique<LogContext>(log_); });
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override {
    if (Window* window = FindLoadedWindow(kWindow.name)) test::CloseForGood(window->hwnd());
  }
  template <typename Fn>
  static Fn Entry(const char* name) {
    return FunctionCast<Fn>(SupportUiExports().Entry(name));
  }
  EventLog log_;
  Window* window_ = nullptr;
};

TEST_F(SkinUnitsTest, AWindowWithAllSixTypesIsBuiltFromItsDesign) {
  auto typeOf = Entry<ControlGetcontrolType_t>("ControlGetcontrolType");
  auto windowOf = Entry<ControlGetWindow_t>("ControlGetWindow");
  ASSERT_TRUE(typeOf && windowOf);
  for (const Expected& expected : kSkinned) {
    SCOPED_TRACE(expected.unit);
    Unit* unit = window_->FindUnit(expected.unit);
    ASSERT_NE(unit, nullptr);
    HWND host = unit->hwnd();
    ASSERT_NE(host, nullptr);
    wchar_t className[64] = {};
    ::GetClassNameW(host, className, 64);
    EXPECT_STREQ(className, expected.className);
    const auto style = static_cast<UINT>(::GetClassLongW(host, GCL_STYLE));
    EXPECT_EQ(style & (CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS), static_cast<UINT>(CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS));
    EXPECT_EQ(::GetPropW(host, L"hUnit"), static_cast<HANDLE>(unit));
    const ExuiControl control = unit->control();
    ASSERT_NE(control, 0);
    EXPECT_EQ(::GetPropW(host, L"Tab_Control"), reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(control)));
    EXPECT_EQ(typeOf(control), expected.type);
    EXPECT_EQ(::GetParent(static_cast<HWND>(windowOf(control))), host);
  }
  Unit* list = window_->FindUnit("图标列表框EX_软件");
  Unit* group = window_->FindUnit("分组框EX");
  EXPECT_EQ(::GetParent(list->hwnd()), group->hwnd());
  EXPECT_EQ(window_->FindUnit("进度条EX_载入软件")->RangeMax(), 37);
  EXPECT_FALSE(window_->FindUnit("进度条EX_载入软件")->Visible());
  EXPECT_EQ(GetSkinAttributeText(SkinType::LabelEx, window_->FindUnit("标签EX_磁盘大小")->control(), EXUI_ATTR_CAPTION),
            "磁盘信息");
  // The frame fills the client area.
  Unit* frame = window_->FindUnit("窗口EX_测试");
  EXPECT_EQ(frame->Width(), window_->ClientWidth());
  EXPECT_EQ(frame->Height(), window_->ClientHeight());
}

TEST_F(SkinUnitsTest, TheControlFollowsItsHostWhenItMovesAndChangesSize) {
  Unit* label = window_->FindUnit("标签EX_磁盘大小");
  auto windowOf = Entry<ControlGetWindow_t>("ControlGetWindow");
  ASSERT_NE(windowOf, nullptr);
  log_.entries.clear();
  label->Move(30, 300, 400, 30);
  HWND controlWindow = static_cast<HWND>(windowOf(label->control()));
  RECT host{}, control{};
  ::GetClientRect(label->hwnd(), &host);
  ::MapWindowPoints(label->hwnd(), nullptr, reinterpret_cast<POINT*>(&host), 2);
  ::GetWindowRect(controlWindow, &control);
  EXPECT_TRUE(::EqualRect(&host, &control));
  EXPECT_EQ(label->Left(), 30);
  EXPECT_EQ(label->Top(), 300);
  EXPECT_EQ(label->Width(), 400);
  PumpUntil([&] { return !log_.entries.empty(); }, 1000);
  bool sized = false;
  for (const auto& entry : log_.entries) {
    if (entry.unit == "标签EX_磁盘大小" && entry.event == kUnitSize) {
      sized = true;
      EXPECT_EQ(entry.a, 400);
      EXPECT_EQ(entry.b, 30);
    }
  }
  EXPECT_TRUE(sized);
}

TEST_F(SkinUnitsTest, HidingTheHostHidesTheControl) {
  Unit* picture = window_->FindUnit("图片框EX");
  auto windowOf = Entry<ControlGetWindow_t>("ControlGetWindow");
  HWND controlWindow = static_cast<HWND>(windowOf(picture->control()));
  ASSERT_TRUE(::IsWindowVisible(controlWindow));
  picture->SetVisible(false);
  EXPECT_FALSE(::IsWindowVisible(controlWindow));
  EXPECT_FALSE(picture->Visible());
}

TEST_F(SkinUnitsTest, DestroyingTheWindowDestroysEveryControl) {
  auto isCreated = Entry<ControlIsCreate_t>("ControlIsCreate");
  ASSERT_NE(isCreated, nullptr);
  std::vector<ExuiControl> controls;
  for (const Expected& expected : kSkinned) controls.push_back(window_->FindUnit(expected.unit)->control());
  for (ExuiControl control : controls) EXPECT_EQ(isCreated(control), 1);
  test::CloseForGood(window_->hwnd());
  EXPECT_EQ(FindLoadedWindow(kWindow.name), nullptr);
  for (ExuiControl control : controls) EXPECT_EQ(isCreated(control), 0);
}

TEST_F(SkinUnitsTest, CodesFrom700OnReachNoHandler) {
  Unit* frame = window_->FindUnit("窗口EX_测试");
  log_.entries.clear();
  log_.result = 77;
  for (std::int32_t code : {700, 701, 5000, 0x10000}) {
    EXPECT_EQ(ForwardSkinEvent(&frame->eventRecord(), code, 1, 2, 3, 4), 0) << code;
  }
  EXPECT_TRUE(log_.entries.empty());
  EXPECT_EQ(ForwardSkinEvent(&frame->eventRecord(), 699, 1, 2, 3, 4), 77);
  EXPECT_EQ(ForwardSkinEvent(&frame->eventRecord(), EXUI_EV_FOCUS, 1, 0, 0, 0), 77);
  ASSERT_EQ(log_.entries.size(), 2u);
  EXPECT_EQ(log_.entries[0].event, 699 - 660);
  EXPECT_EQ(log_.entries[0].d, 4);
  EXPECT_EQ(log_.entries[1].event, kUnitFocus);
  ASSERT_FALSE(log_.focus.empty());
  EXPECT_EQ(log_.focus.back(), std::make_pair(1, 0));
}

TEST_F(SkinUnitsTest, ACloseClickOnTheFrameReachesTheUnitAndThenTheCloseQuery) {
  Unit* frame = window_->FindUnit("窗口EX_测试");
  log_.entries.clear();
  log_.result = 1;  // handled: the library leaves the window alone
  EXPECT_EQ(ForwardSkinEvent(&frame->eventRecord(), EXUI_EV_CLOSE_CLICK, 0, 0, 0, 0), 1);
  ASSERT_EQ(log_.entries.size(), 1u);
  EXPECT_EQ(log_.entries[0].event, kUnitCloseClick);
}

TEST(SkinUnitsWithoutLibrary, EachSkinnedUnitWarnsThatTheLibraryIsMissing) {
  ASSERT_TRUE(test::LoadLibraryAsStartUpDoes());
  const UiExportTable saved = SupportUiExports();
  SupportUiExports().Clear();
  static constexpr UnitDesign units[] = {
      {.type = UnitType::WindowEx, .name = "窗口EX", .width = 200, .height = 100, .fillsWindow = true},
      {.type = UnitType::Label, .name = "标签", .visible = false},
  };
  static constexpr WindowDesign design{.name = "无库窗口", .width = 200, .height = 100, .units = units};
  Window* window = nullptr;
  {
    test::MessageBoxAnswerer answerer(L"Warning", IDOK);
    window = LoadWindow(design);
    EXPECT_EQ(answerer.Join(), GbkToWide("程序缺少界面运行库必须依赖的 ExuiKrnln.dll 文件"));
  }
  SupportUiExports() = saved;
  ASSERT_NE(window, nullptr);
  Unit* frame = window->FindUnit("窗口EX");
  ASSERT_NE(frame, nullptr);
  EXPECT_NE(frame->hwnd(), nullptr);
  EXPECT_EQ(::GetPropW(frame->hwnd(), L"Tab_Control"), nullptr);
  test::CloseForGood(window->hwnd());
}

}  // namespace
}  // namespace storvane::uilib
