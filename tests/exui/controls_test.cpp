// The controls on real windows: creation as the support layer does it, geometry following the
// host, attributes, element data, and clicks made with real mouse input.
#include <windows.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "exui_dll.h"
#include "msaa_client.h"
#include "sample_window.h"

namespace exui_test {
namespace {

ExuiValue Text(const std::string& s) { return reinterpret_cast<ExuiValue>(s.c_str()); }
const char* AsText(ExuiValue value) { return reinterpret_cast<const char*>(value); }
POINT Centre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

class ControlsTest : public ::testing::Test {
protected:
  Dll dll;
  void SetUp() override {
    ASSERT_TRUE(dll.loaded());
    Events().clear();
    ElementClicks().clear();
  }
  template <typename F>
  F Fn(const char* name) {
    F f = dll.Get<F>(name);
    EXPECT_NE(f, nullptr) << name;
    return f;
  }
};

TEST_F(ControlsTest, AllSixTypesLiveInTheirHostWindows) {
  HWND top = MakeTopWindow(20, 20, 600, 400);
  struct Unit {
    const char* entry;
    ExuiControlType type;
    RECT place;
  } units[] = {
      {"CreateControl_WindowEx", EXUI_TYPE_WINDOW, {0, 0, 600, 400}},
      {"CreateControl_LabelEx", EXUI_TYPE_LABEL, {16, 48, 400, 24}},
      {"CreateControl_PictureBoxEx", EXUI_TYPE_PICTUREBOX, {16, 80, 64, 64}},
      {"CreateControl_ProgressbarEx", EXUI_TYPE_PROGRESSBAR, {100, 100, 300, 16}},
      {"CreateControl_MinutesboxEx", EXUI_TYPE_MINUTESBOX, {16, 150, 560, 230}},
      {"CreateControl_IcoListboxEx", EXUI_TYPE_ICOLISTBOX, {26, 160, 540, 210}},
  };
  auto getType = Fn<ControlGetcontrolType_t>("ControlGetcontrolType");
  auto getWindow = Fn<ControlGetWindow_t>("ControlGetWindow");
  std::vector<Host> hosts;
  std::vector<ExuiControl> controls;
  for (auto& u : units) {
    hosts.push_back(
        MakeHost(top, u.place.left, u.place.top, u.place.right - u.place.left, u.place.bottom - u.place.top));
  }
  for (size_t i = 0; i < std::size(units); ++i) {
    ExuiControl c = CreateUnit(dll, units[i].entry, top, hosts[i]);
    ASSERT_NE(c, 0) << units[i].entry;
    for (ExuiControl other : controls) EXPECT_NE(c, other);
    controls.push_back(c);
    EXPECT_EQ(getType(c), units[i].type);
    // Found from the host window, as the program finds it.
    EXPECT_EQ(dll.GetBindControl(hosts[i].window), c);
    EXPECT_EQ(reinterpret_cast<intptr_t>(::GetPropW(hosts[i].window, L"Tab_Control")), c);
    HWND own = static_cast<HWND>(getWindow(c));
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(::GetParent(own), hosts[i].window);
    EXPECT_EQ(dll.GetBindControl(own), c);
    RECT client{}, hostClient{};
    ::GetClientRect(own, &client);
    ::GetClientRect(hosts[i].window, &hostClient);
    EXPECT_EQ(client.right, hostClient.right);
    EXPECT_EQ(client.bottom, hostClient.bottom);
  }
  // Each type's setters refuse the other types' controls.
  EXPECT_EQ(dll.SetLabel(controls[5], EXUI_ATTR_CAPTION, Text("x")), 0);
  EXPECT_EQ(Fn<ExuiSetAttribute_t>("SetAttribute_IcoListboxEx")(controls[1], EXUI_ATTR_ITEM_WIDTH, 10), 0);
  Pump(std::chrono::milliseconds(100));
  auto destroy = Fn<ControlDestroy_t>("ControlDestroy");
  for (ExuiControl c : controls) EXPECT_EQ(destroy(c), 1);
  ::DestroyWindow(top);
}

TEST_F(ControlsTest, ControlFollowsItsHostAndReportsMoves) {
  HWND top = MakeTopWindow(20, 20, 500, 300);
  Host host = MakeHost(top, 10, 10, 200, 20);
  ExuiControl bar = CreateUnit(dll, "CreateControl_ProgressbarEx", top, host);
  ASSERT_NE(bar, 0);
  auto sync = Fn<ControPonintSizeSynchronise_t>("ControPonintSizeSynchronise");
  HWND own = static_cast<HWND>(Fn<ControlGetWindow_t>("ControlGetWindow")(bar));
  ::SetWindowPos(host.window, nullptr, 40, 50, 320, 30, SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(sync(host.window, host.window, 1), 1);
  RECT client{};
  ::GetClientRect(own, &client);
  EXPECT_EQ(client.right, 320);
  EXPECT_EQ(client.bottom, 30);
  Events().clear();
  EXPECT_EQ(sync(host.window, host.window, 0), 1);
  bool moved = false;
  for (auto& e : Events()) {
    if (e.code == EXUI_EV_MOVE) {
      moved = true;
      EXPECT_EQ(e.a, 40);
      EXPECT_EQ(e.b, 50);
      EXPECT_EQ(e.record, &host.record);
    }
  }
  EXPECT_TRUE(moved);
  // Geometry commands move the unit, that is its host.
  EXPECT_EQ(Fn<ControlSetLeft_t>("ControlSetLeft")(bar, 70), 1);
  EXPECT_EQ(Fn<ControlGetLeft_t>("ControlGetLeft")(bar), 70);
  EXPECT_EQ(Fn<ControlSetWidth_t>("ControlSetWidth")(bar, 100), 1);
  ::GetClientRect(own, &client);
  EXPECT_EQ(client.right, 100);
  int32_t rect[4] = {};
  EXPECT_EQ(Fn<ControlGetRect_t>("ControlGetRect")(bar, rect), 1);
  EXPECT_EQ(rect[0], 70);
  EXPECT_EQ(rect[1], 50);
  EXPECT_EQ(rect[2], 100);
  EXPECT_EQ(rect[3], 30);
  Fn<ControlDestroy_t>("ControlDestroy")(bar);
  ::DestroyWindow(top);
}

TEST_F(ControlsTest, WithoutAHostTheControlUsesTheGivenParentAndPlace) {
  HWND top = MakeTopWindow(20, 20, 400, 300);
  auto create = Fn<ExuiCreateControl_t>("CreateControl_LabelEx");
  ExuiControl label =
      create(0, top, 30, 40, 200, 24, &RecordEvent, nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
  ASSERT_NE(label, 0);
  HWND own = static_cast<HWND>(Fn<ControlGetWindow_t>("ControlGetWindow")(label));
  EXPECT_EQ(::GetParent(own), top);
  EXPECT_EQ(Fn<ControlGetBindWin_t>("ControlGetBindWin")(label), nullptr);
  int32_t rect[4] = {};
  Fn<ControlGetRect_t>("ControlGetRect")(label, rect);
  EXPECT_EQ(rect[0], 30);
  EXPECT_EQ(rect[1], 40);
  EXPECT_EQ(rect[2], 200);
  EXPECT_EQ(rect[3], 24);
  Fn<ControlDestroy_t>("ControlDestroy")(label);
  ::DestroyWindow(top);
}

TEST_F(ControlsTest, AttributesRoundTrip) {
  HWND top = MakeTopWindow(20, 20, 400, 300);
  Host labelHost = MakeHost(top, 10, 10, 300, 24);
  ExuiControl label = CreateUnit(dll, "CreateControl_LabelEx", top, labelHost);
  auto getLabel = Fn<ExuiGetAttribute_t>("GetAttribute_LabelEx");
  std::string caption = Gbk(L"C盘剩余空间：12.3G，足够软件的运行！");
  EXPECT_EQ(dll.SetLabel(label, EXUI_ATTR_CAPTION, Text(caption)), 1);
  EXPECT_STREQ(AsText(getLabel(label, EXUI_ATTR_CAPTION)), caption.c_str());
  std::vector<uint8_t> font = FontBytes(L"微软雅黑", 14, true);
  EXPECT_EQ(dll.SetLabel(label, EXUI_ATTR_FONT, dll.Bin(font)), 1);
  EXPECT_EQ(std::memcmp(AsText(getLabel(label, EXUI_ATTR_FONT)), font.data(), 84), 0);
  EXPECT_EQ(dll.SetLabel(label, EXUI_ATTR_TEXT_COLOR, static_cast<int32_t>(0xFF808080)), 1);
  EXPECT_EQ(static_cast<uint32_t>(getLabel(label, EXUI_ATTR_TEXT_COLOR)), 0xFF808080u);
  EXPECT_EQ(dll.SetLabel(label, 9999, 1), 0);

  Host barHost = MakeHost(top, 10, 50, 300, 16);
  ExuiControl bar = CreateUnit(dll, "CreateControl_ProgressbarEx", top, barHost);
  auto setBar = Fn<ExuiSetAttribute_t>("SetAttribute_ProgressbarEx");
  auto getBar = Fn<ExuiGetAttribute_t>("GetAttribute_ProgressbarEx");
  EXPECT_EQ(getBar(bar, EXUI_ATTR_RANGE_MAX), 100);
  setBar(bar, EXUI_ATTR_RANGE_MAX, 3);
  setBar(bar, EXUI_ATTR_POSITION, 2);
  EXPECT_EQ(getBar(bar, EXUI_ATTR_POSITION), 2);
  setBar(bar, EXUI_ATTR_POSITION, 7);  // clamped to the maximum, which the program reads back
  EXPECT_EQ(getBar(bar, EXUI_ATTR_POSITION), 3);
  setBar(bar, EXUI_ATTR_POSITION, -4);
  EXPECT_EQ(getBar(bar, EXUI_ATTR_POSITION), 0);

  Host listHost = MakeHost(top, 10, 80, 348, 200);
  ExuiControl list = CreateUnit(dll, "CreateControl_IcoListboxEx", top, listHost);
  auto setList = Fn<ExuiSetAttribute_t>("SetAttribute_IcoListboxEx");
  auto getList = Fn<ExuiGetAttribute_t>("GetAttribute_IcoListboxEx");
  EXPECT_EQ(getList(list, EXUI_ATTR_ITEM_WIDTH), 348 - 24);  // property 17 before it is set
  EXPECT_EQ(setList(list, EXUI_ATTR_ITEM_WIDTH, 300), 1);
  EXPECT_EQ(getList(list, 17), 300);
  EXPECT_EQ(getList(list, EXUI_ATTR_ITEM_HEIGHT), 90);

  // Visibility of a unit is its host's.
  auto setVisual = Fn<ControlSetVisual_t>("ControlSetVisual");
  auto getVisual = Fn<ControlGetVisual_t>("ControlGetVisual");
  EXPECT_EQ(getVisual(bar), 1);
  setVisual(bar, 0);
  EXPECT_EQ(getVisual(bar), 0);
  EXPECT_FALSE(::IsWindowVisible(barHost.window));
  setVisual(bar, 1);
  EXPECT_TRUE(::IsWindowVisible(barHost.window));
  EXPECT_EQ(getBar(bar, EXUI_ATTR_VISIBLE), 1);

  auto destroy = Fn<ControlDestroy_t>("ControlDestroy");
  destroy(label);
  destroy(bar);
  destroy(list);
  ::DestroyWindow(top);
}

// A focus handler that moves the focus must not hear about its own move (it would answer it).
TEST_F(ControlsTest, FocusMovedByTheProgramRaisesNoFocusEvents) {
  HWND top = MakeTopWindow(20, 20, 300, 200, L"focus", true);
  Host listHost = MakeHost(top, 0, 0, 200, 100);
  Host groupHost = MakeHost(top, 0, 100, 200, 100);
  ExuiControl list = CreateUnit(dll, "CreateControl_IcoListboxEx", top, listHost);
  ExuiControl group = CreateUnit(dll, "CreateControl_MinutesboxEx", top, groupHost);
  auto setFocus = Fn<ControlSetFocusControl_t>("ControlSetFocusControl");
  auto getFocus = Fn<ControlGetFocusControl_t>("ControlGetFocusControl");
  Events().clear();
  EXPECT_EQ(setFocus(list), 1);
  EXPECT_EQ(getFocus(), list);
  EXPECT_EQ(setFocus(group), 1);
  EXPECT_EQ(getFocus(), group);
  for (auto& e : Events()) EXPECT_NE(e.code, EXUI_EV_FOCUS);
  // The user's own focus changes are reported.
  HWND own = static_cast<HWND>(Fn<ControlGetWindow_t>("ControlGetWindow")(list));
  ::SetFocus(own);
  bool reported = false;
  for (auto& e : Events()) reported = reported || (e.code == EXUI_EV_FOCUS && e.a == 1 && e.record == &listHost.record);
  EXPECT_TRUE(reported);
  auto destroy = Fn<ControlDestroy_t>("ControlDestroy");
  destroy(list);
  destroy(group);
  ::DestroyWindow(top);
}

TEST_F(ControlsTest, DestroyReleasesTheWindowAndTheBinding) {
  HWND top = MakeTopWindow(20, 20, 300, 200);
  Host host = MakeHost(top, 0, 0, 100, 20);
  ExuiControl label = CreateUnit(dll, "CreateControl_LabelEx", top, host);
  HWND own = static_cast<HWND>(Fn<ControlGetWindow_t>("ControlGetWindow")(label));
  auto destroy = Fn<ControlDestroy_t>("ControlDestroy");
  EXPECT_EQ(destroy(label), 1);
  EXPECT_FALSE(::IsWindow(own));
  EXPECT_TRUE(::IsWindow(host.window));
  EXPECT_EQ(dll.GetBindControl(host.window), 0);
  EXPECT_EQ(::GetPropW(host.window, L"Tab_Control"), nullptr);
  EXPECT_EQ(destroy(label), 0);
  EXPECT_EQ(dll.SetLabel(label, EXUI_ATTR_CAPTION, Text("x")), 0);
  ::DestroyWindow(top);
}

TEST_F(ControlsTest, UpdateLockCountsAndNeverGoesNegative) {
  HWND top = MakeTopWindow(20, 20, 300, 200);
  Host host = MakeHost(top, 0, 0, 200, 100);
  ExuiControl list = CreateUnit(dll, "CreateControl_IcoListboxEx", top, host);
  auto lock = Fn<ControlLockUpdate_t>("ControlLockUpdate");
  auto unlock = Fn<ControlUnlockUpdate_t>("ControlUnlockUpdate");
  auto count = Fn<ControlGetLockUpdateCount_t>("ControlGetLockUpdateCount");
  EXPECT_EQ(lock(list), 1);
  EXPECT_EQ(lock(list), 2);
  EXPECT_EQ(unlock(list), 1);
  EXPECT_EQ(unlock(list), 0);
  EXPECT_EQ(unlock(list), 0);
  EXPECT_EQ(count(list), 0);
  Fn<ControlDestroy_t>("ControlDestroy")(list);
  ::DestroyWindow(top);
}

class ListTest : public ControlsTest {
protected:
  std::unique_ptr<SampleWindow> main;
  void SetUp() override {
    ControlsTest::SetUp();
    main = std::make_unique<SampleWindow>(dll, 10, 10, 900, 600);
    main->SetUpTemplate();
  }
  void TearDown() override { main.reset(); }
  std::string ElemText(const char* entry, int item, int element) {
    auto get = dll.Get<ControlGetElemData_Text_t>(entry);
    return AsText(get(main->list, 1, item, -1, element, 4));
  }
  // The list as it shows on the screen, every ninth pixel each way.
  std::vector<uint32_t> ListPicture() const {
    RECT list{};
    ::GetWindowRect(main->listHost.window, &list);
    std::vector<uint32_t> pixels;
    for (int y = list.top + 2; y < list.bottom; y += 9) {
      for (int x = list.left + 2; x < list.right; x += 9) pixels.push_back(ScreenPixel(POINT{x, y}));
    }
    return pixels;
  }
  RECT Element(int item, int left, int top, int width, int height, int scroll = 0) {
    return ElementScreenRect(main->listHost.window, main->itemWidth, item, left, top, width, height, scroll);
  }
};

TEST_F(ListTest, ItemsAppendAndTheirElementDataRoundTrips) {
  auto items = DefaultItems();
  for (size_t i = 0; i < items.size(); ++i) EXPECT_EQ(main->AddItem(items[i]), static_cast<int>(i));
  EXPECT_EQ(Fn<GetItemCount_IcoListboxEx_t>("GetItemCount_IcoListboxEx")(main->list), 5);
  EXPECT_EQ(FromGbk(ElemText("ControlGetElemData_Text", 1, 1).c_str()), L"商品上架专家 V1.8");
  EXPECT_EQ(FromGbk(ElemText("ControlGetElemData_Text", 2, 3).c_str()), L"更新时间：2024-03-02");
  EXPECT_EQ(FromGbk(ElemText("ControlGetElemData_Button", 3, 4).c_str()), L"下载软件");
  EXPECT_EQ(FromGbk(ElemText("ControlGetElemData_Button", 0, 5).c_str()), L"▼");
  EXPECT_EQ(ElemText("ControlGetElemData_Text", 4, 6), "tool4");
  EXPECT_EQ(ElemText("ControlGetElemData_Text", 4, 7), "tool4.exe");
  EXPECT_EQ(ElemText("ControlGetElemData_Text", 2, 8), "http://127.0.0.1/tool2.exe");
  EXPECT_EQ(ElemText("ControlGetElemData_Text", 2, 9), "http://127.0.0.1/edu/2");
  // Changing a caption as the launcher does when a tool starts.
  std::string running = Gbk(L"正在运行");
  Fn<ControlSetElemData_Button_t>("ControlSetElemData_Button")(main->list, 1, 0, -1, 4, 0, 1, 1, running.c_str(),
                                                               0xFF999797, 1);
  EXPECT_EQ(ElemText("ControlGetElemData_Button", 0, 4), running);
  auto field = Fn<ControlGetElemData_Button_t>("ControlGetElemData_Button");
  EXPECT_EQ(field(main->list, 1, 0, -1, 4, EXUI_FIELD_STATE), 1);
  EXPECT_EQ(field(main->list, 1, 3, -1, 6, EXUI_FIELD_DISPLAY), 0);
  // Out of range reads give the empty text.
  EXPECT_EQ(ElemText("ControlGetElemData_Text", 5, 1), "");
  EXPECT_EQ(ElemText("ControlGetElemData_Text", 0, 10), "");
  EXPECT_EQ(field(main->list, 2, 0, -1, 4, EXUI_FIELD_TEXT), field(main->list, 2, 0, -1, 4, EXUI_FIELD_TEXT));
}

// The program names the list by its unit; the host window works wherever a control does.
TEST_F(ListTest, TheHostWindowStandsForTheList) {
  auto insert = Fn<InsertItem_IcoListboxEx_t>("InsertItem_IcoListboxEx");
  auto count = Fn<GetItemCount_IcoListboxEx_t>("GetItemCount_IcoListboxEx");
  auto host = static_cast<ExuiControl>(reinterpret_cast<intptr_t>(main->listHost.window));
  EXPECT_EQ(insert(host, -1), 0);
  EXPECT_EQ(insert(main->list, -1), 1);
  EXPECT_EQ(count(host), 2);
  EXPECT_EQ(Fn<ExuiGetAttribute_t>("GetAttribute_IcoListboxEx")(host, EXUI_ATTR_ITEM_WIDTH), main->itemWidth);
}

TEST_F(ListTest, ClickingAButtonCallsTheRoutineWithItemAndElement) {
  for (const auto& item : DefaultItems()) main->AddItem(item);
  Pump(std::chrono::milliseconds(200));
  int w = main->itemWidth;
  ClickAt(Centre(Element(2, w - 119, 30, 80, 30)));
  ASSERT_TRUE(PumpUntil([] { return !ElementClicks().empty(); }));
  ElementClick click = ElementClicks().front();
  EXPECT_EQ(click.control, main->list);
  EXPECT_EQ(click.code, EXUI_ELEM_CLICK);
  EXPECT_EQ(click.item, 2);
  EXPECT_EQ(click.element, 4);
  EXPECT_EQ(click.kind, 1);
  // The routine reads the item back with the control it was given.
  auto get = Fn<ControlGetElemData_Button_t>("ControlGetElemData_Button");
  EXPECT_EQ(FromGbk(AsText(get(click.control, 1, click.item, -1, click.element, 4))), L"更新软件");

  ElementClicks().clear();
  ClickAt(Centre(Element(0, w - 40, 30, 20, 30)));
  ASSERT_TRUE(PumpUntil([] { return !ElementClicks().empty(); }));
  EXPECT_EQ(ElementClicks().front().item, 0);
  EXPECT_EQ(ElementClicks().front().element, 5);
}

TEST_F(ListTest, ClicksOutsideButtonsAreItemEventsNotButtonClicks) {
  for (const auto& item : DefaultItems()) main->AddItem(item);
  Pump(std::chrono::milliseconds(100));
  Events().clear();
  ClickAt(Centre(Element(1, 10, 10, 70, 70)));  // the icon
  ASSERT_TRUE(PumpUntil([] {
    for (auto& e : Events()) {
      if (e.code == EXUI_EV_ITEM_CLICK) return true;
    }
    return false;
  }));
  EXPECT_TRUE(ElementClicks().empty());
  for (auto& e : Events()) {
    if (e.code == EXUI_EV_ITEM_CLICK) {
      EXPECT_EQ(e.a, 1);
      EXPECT_EQ(e.b, 0);
    }
  }
}

TEST_F(ListTest, ReleasingOffTheButtonCancelsTheClick) {
  for (const auto& item : DefaultItems()) main->AddItem(item);
  Pump(std::chrono::milliseconds(100));
  int w = main->itemWidth;
  POINT on = Centre(Element(0, w - 119, 30, 80, 30));
  POINT off = Centre(Element(0, 90, 50, 100, 30));
  MoveMouseTo(on);
  INPUT down{};
  down.type = INPUT_MOUSE;
  down.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  ::SendInput(1, &down, sizeof down);
  Pump(std::chrono::milliseconds(60));
  MoveMouseTo(off);
  INPUT up = down;
  up.mi.dwFlags = MOUSEEVENTF_LEFTUP;
  ::SendInput(1, &up, sizeof up);
  Pump(std::chrono::milliseconds(150));
  EXPECT_TRUE(ElementClicks().empty());
}

TEST_F(ListTest, WheelScrollingKeepsClicksOnTheRightItem) {
  auto items = DefaultItems();
  for (int i = 0; i < 12; ++i) main->AddItem(items[static_cast<size_t>(i) % items.size()]);
  auto getList = Fn<ExuiGetAttribute_t>("GetAttribute_IcoListboxEx");
  HWND own = static_cast<HWND>(Fn<ControlGetWindow_t>("ControlGetWindow")(main->list));
  POINT inside = Centre(Element(1, 100, 10, 10, 10));
  ::SendMessageW(own, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA * 3)),
                 MAKELPARAM(inside.x, inside.y));
  int scroll = getList(main->list, EXUI_ATTR_SCROLL_POS);
  EXPECT_EQ(scroll, 180);  // three notches of 60 pixels
  Pump(std::chrono::milliseconds(100));
  // The button now under the first action button's old place belongs to item 2.
  int w = main->itemWidth;
  ClickAt(Centre(Element(2, w - 119, 30, 80, 30, scroll)));
  ASSERT_TRUE(PumpUntil([] { return !ElementClicks().empty(); }));
  EXPECT_EQ(ElementClicks().front().item, 2);
  // Scrolling stops at the end of the content.
  ::SendMessageW(own, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA * 100)),
                 MAKELPARAM(inside.x, inside.y));
  RECT client{};
  ::GetClientRect(own, &client);
  EXPECT_EQ(getList(main->list, EXUI_ATTR_SCROLL_POS), 12 * 90 - client.bottom);
  ::SendMessageW(own, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA * 100), MAKELPARAM(inside.x, inside.y));
  EXPECT_EQ(getList(main->list, EXUI_ATTR_SCROLL_POS), 0);
}

TEST_F(ListTest, ProgressSetFromAWorkerThreadReachesTheScreen) {
  auto setBar = Fn<ExuiSetAttribute_t>("SetAttribute_ProgressbarEx");
  auto getBar = Fn<ExuiGetAttribute_t>("GetAttribute_ProgressbarEx");
  setBar(main->bar, EXUI_ATTR_RANGE_MAX, 10000);
  std::atomic<bool> done{false};
  std::thread worker([&] {
    for (int pos = 0; pos <= 10000; pos += 1024) setBar(main->bar, EXUI_ATTR_POSITION, pos);
    setBar(main->bar, EXUI_ATTR_POSITION, 10000);
    done = true;
  });
  ASSERT_TRUE(PumpUntil([&] { return done.load(); }));
  worker.join();
  EXPECT_EQ(getBar(main->bar, EXUI_ATTR_POSITION), 10000);
  Pump(std::chrono::milliseconds(200));
  RECT bar{};
  ::GetWindowRect(main->barHost.window, &bar);
  // The full bar is the accent blue at its right end.
  uint32_t pixel = ScreenPixel(POINT{bar.right - 10, (bar.top + bar.bottom) / 2});
  EXPECT_EQ(pixel, 0x2D8CF0u);
}

// A one-pixel outline lies inside the control on all four sides: a stroke placed half a pixel off
// lost the right and bottom edges on some renderers.
TEST_F(ListTest, TheGroupBoxOutlineShowsOnEverySide) {
  Pump(std::chrono::milliseconds(200));
  RECT box{};
  ::GetWindowRect(main->groupHost.window, &box);
  const POINT middle = Centre(box);
  for (POINT edge : {POINT{box.left, middle.y}, POINT{box.right - 1, middle.y}, POINT{middle.x, box.top},
                     POINT{middle.x, box.bottom - 1}}) {
    EXPECT_NE(ScreenPixel(edge), 0xFFFFFFu) << edge.x << "," << edge.y;
  }
}

// Controls paint through one shared surface; a locked list must still show its own picture from
// when the lock began, whatever its neighbours painted in between, and the new items once unlocked.
TEST_F(ListTest, ALockedListShowsThePictureFromBeforeTheLock) {
  auto items = DefaultItems();
  main->AddItem(items[0]);
  Pump(std::chrono::milliseconds(200));
  const std::vector<uint32_t> before = ListPicture();
  ASSERT_EQ(Fn<ControlLockUpdate_t>("ControlLockUpdate")(main->list), 1);
  for (size_t i = 1; i < items.size(); ++i) main->AddItem(items[i]);
  ::RedrawWindow(main->frameHost.window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Pump(std::chrono::milliseconds(200));
  EXPECT_EQ(ListPicture(), before);
  EXPECT_EQ(Fn<ControlUnlockUpdate_t>("ControlUnlockUpdate")(main->list), 0);
  Pump(std::chrono::milliseconds(200));
  EXPECT_NE(ListPicture(), before);
}

// After a few idle seconds the shared painting surface is given back; the next paint must make a
// new one and draw the same picture.
TEST_F(ListTest, PaintingAfterAnIdlePauseDrawsTheSamePicture) {
  for (const auto& item : DefaultItems()) main->AddItem(item);
  Pump(std::chrono::milliseconds(200));
  const std::vector<uint32_t> before = ListPicture();
  Pump(std::chrono::milliseconds(3500));
  ::RedrawWindow(main->frameHost.window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Pump(std::chrono::milliseconds(200));
  EXPECT_EQ(ListPicture(), before);
}

// The launcher maps the library from memory under no name at all; nothing in it may depend on
// its file name, on resources looked up through its module, or on being the only copy.
TEST_F(ControlsTest, TwoCopiesUnderAnyNameWorkSideBySide) {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(dll.module(), path, MAX_PATH);
  std::wstring original(path);
  std::wstring copy = original.substr(0, original.find_last_of(L"\\/")) + L"\\exui_copy_b.dll";
  ASSERT_TRUE(::CopyFileW(original.c_str(), copy.c_str(), FALSE));
  HMODULE second = ::LoadLibraryW(copy.c_str());
  ASSERT_NE(second, nullptr);
  ASSERT_NE(second, dll.module());

  // No resource directory: images and skins are carried as code and data.
  for (HMODULE m : {dll.module(), second}) {
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(m);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(reinterpret_cast<uint8_t*>(m) + dos->e_lfanew);
    EXPECT_EQ(nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_RESOURCE].Size, 0u);
  }

  HWND top = MakeTopWindow(20, 20, 300, 200);
  Host hostA = MakeHost(top, 0, 0, 150, 30);
  Host hostB = MakeHost(top, 0, 40, 150, 30);
  ExuiControl a = CreateUnit(dll, "CreateControl_LabelEx", top, hostA);
  auto createB =
      reinterpret_cast<ExuiCreateControl_t>(reinterpret_cast<void*>(::GetProcAddress(second, "CreateControl_LabelEx")));
  ExuiControl b =
      createB(0, top, 0, 40, 150, 30, &RecordEvent, &hostB.record, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
  ASSERT_NE(a, 0);
  ASSERT_NE(b, 0);
  // Each copy's windows belong to that copy's code.
  HWND windowA = static_cast<HWND>(Fn<ControlGetWindow_t>("ControlGetWindow")(a));
  auto getWindowB =
      reinterpret_cast<ControlGetWindow_t>(reinterpret_cast<void*>(::GetProcAddress(second, "ControlGetWindow")));
  HWND windowB = static_cast<HWND>(getWindowB(b));
  ASSERT_NE(windowB, nullptr);
  EXPECT_EQ(reinterpret_cast<HMODULE>(::GetClassLongPtrW(windowA, GCLP_HMODULE)), dll.module());
  EXPECT_EQ(reinterpret_cast<HMODULE>(::GetClassLongPtrW(windowB, GCLP_HMODULE)), second);
  auto setB =
      reinterpret_cast<ExuiSetAttribute_t>(reinterpret_cast<void*>(::GetProcAddress(second, "SetAttribute_LabelEx")));
  std::string caption = Gbk(L"第二份");
  EXPECT_EQ(setB(b, EXUI_ATTR_CAPTION, Text(caption)), 1);
  Pump(std::chrono::milliseconds(50));
  auto destroyB =
      reinterpret_cast<ControlDestroy_t>(reinterpret_cast<void*>(::GetProcAddress(second, "ControlDestroy")));
  EXPECT_EQ(destroyB(b), 1);
  Fn<ControlDestroy_t>("ControlDestroy")(a);
  ::DestroyWindow(top);
}

TEST_F(ControlsTest, FrameGlyphButtonsRaiseEventsAndCloseThroughTheWindow) {
  HWND top = MakeTopWindow(30, 30, 500, 300);
  Host host = MakeHost(top, 0, 0, 500, 300);
  ExuiControl frame = CreateUnit(dll, "CreateControl_WindowEx", top, host);
  ASSERT_NE(frame, 0);
  Pump(std::chrono::milliseconds(100));
  int before = CloseRequests();
  // The close glyph sits in the top-right corner: 46 x 40 inside the 1-pixel border.
  ClickAt(POINT{30 + 500 - 1 - 23, 30 + 20});
  ASSERT_TRUE(PumpUntil([&] { return CloseRequests() > before; }));
  bool raised = false;
  for (auto& e : Events()) raised = raised || e.code == EXUI_EV_CLOSE_CLICK;
  EXPECT_TRUE(raised);
  // Minimise: the glyph to its left.
  ClickAt(POINT{30 + 500 - 1 - 46 - 23, 30 + 20});
  EXPECT_TRUE(PumpUntil([&] { return ::IsIconic(top) != FALSE; }));
  Fn<ControlDestroy_t>("ControlDestroy")(frame);
  ::DestroyWindow(top);
}

TEST_F(ControlsTest, AButtonIsPressedByTheMouseTheKeyboardAndAccessibilityAndHandsOnEscape) {
  HWND top = MakeTopWindow(40, 40, 300, 200);
  Host host = MakeHost(top, 200, 150, 72, 28);
  ExuiControl button = CreateUnit(dll, "CreateControl_ButtonEx", top, host);
  ASSERT_NE(button, 0);
  EXPECT_EQ(Fn<ExuiSetAttribute_t>("SetAttribute_ButtonEx")(button, EXUI_ATTR_CAPTION, Text("取消")), 1);
  HWND own = static_cast<HWND>(Fn<ControlGetWindow_t>("ControlGetWindow")(button));
  Pump(std::chrono::milliseconds(100));
  auto clicks = [] {
    int n = 0;
    for (auto& e : Events()) n += e.code == EXUI_EV_CLICK ? 1 : 0;
    return n;
  };
  ClickAt(POINT{40 + 200 + 36, 40 + 150 + 14});
  ASSERT_TRUE(PumpUntil([&] { return clicks() == 1; }));
  EXPECT_EQ(::GetFocus(), own) << "a click gives it the keyboard";
  ::SendMessageW(own, WM_KEYDOWN, VK_SPACE, 0);
  ::SendMessageW(own, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(clicks(), 3);
  ::SendMessageW(own, WM_KEYDOWN, VK_ESCAPE, 0);
  bool escape = false;
  for (auto& e : Events()) escape = escape || (e.code == EXUI_EV_KEY && e.a == VK_ESCAPE);
  EXPECT_TRUE(escape);
  // Read and pressed as a screen reader does, from another process.
  const std::vector<Line> self = OfKind(Probe(own, "dump"), "self");
  ASSERT_EQ(self.size(), 1u);
  EXPECT_EQ(self[0].name, L"取消");
  EXPECT_EQ(self[0].action, L"按下");
  const std::vector<Line> done = OfKind(Probe(own, "do 0"), "do");
  ASSERT_EQ(done.size(), 1u);
  EXPECT_EQ(done[0].name, L"00000000") << "the default action's result";
  EXPECT_TRUE(PumpUntil([&] { return clicks() == 4; }));
  // A disabled button is not pressed at all.
  Fn<ExuiSetAttribute_t>("SetAttribute_ButtonEx")(button, EXUI_ATTR_DISABLED, 1);
  ::SendMessageW(own, WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_EQ(clicks(), 4);
  Fn<ControlDestroy_t>("ControlDestroy")(button);
  ::DestroyWindow(top);
}

TEST_F(ControlsTest, DraggingTheTitleBarMovesTheWindow) {
  HWND top = MakeTopWindow(40, 40, 500, 300);
  Host host = MakeHost(top, 0, 0, 500, 300);
  ExuiControl frame = CreateUnit(dll, "CreateControl_WindowEx", top, host);
  Pump(std::chrono::milliseconds(100));
  MoveMouseTo(POINT{200, 60});
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  ::SendInput(1, &in, sizeof in);
  Pump(std::chrono::milliseconds(60));
  MoveMouseTo(POINT{260, 100});
  in.mi.dwFlags = MOUSEEVENTF_LEFTUP;
  ::SendInput(1, &in, sizeof in);
  Pump(std::chrono::milliseconds(100));
  RECT r{};
  ::GetWindowRect(top, &r);
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.top, 80);
  Fn<ControlDestroy_t>("ControlDestroy")(frame);
  ::DestroyWindow(top);
}

}  // namespace
}  // namespace exui_test
