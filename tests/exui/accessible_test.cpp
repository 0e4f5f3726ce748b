// Accessibility read and driven from another process, as a screen reader or an end-to-end test
// sees the library's windows: names, values, locations, hit tests and default actions.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleacc.h>

#include "exui_dll.h"
#include "msaa_client.h"
#include "sample_window.h"

namespace exui_test {
namespace {

class AccessibleTest : public ::testing::Test {
protected:
  Dll dll;
  void SetUp() override {
    ASSERT_TRUE(dll.loaded());
    ElementClicks().clear();
    Events().clear();
  }
  HWND WindowOf(ExuiControl c) { return static_cast<HWND>(dll.Get<ControlGetWindow_t>("ControlGetWindow")(c)); }
};

TEST_F(AccessibleTest, ListItemsAreNamedByTitleWithTheActionAsValue) {
  SampleWindow main(dll);
  main.SetUpTemplate();
  auto items = DefaultItems();
  for (const auto& item : items) main.AddItem(item);
  Pump(std::chrono::milliseconds(100));
  std::vector<Line> lines = Probe(WindowOf(main.list), "dump");
  ASSERT_FALSE(lines.empty());
  ASSERT_EQ(lines[0].kind, "self");
  EXPECT_EQ(lines[0].role, ROLE_SYSTEM_LIST);
  std::vector<Line> children = OfKind(lines, "child");
  ASSERT_EQ(children.size(), items.size());
  for (size_t i = 0; i < items.size(); ++i) {
    EXPECT_EQ(children[i].role, ROLE_SYSTEM_LISTITEM);
    EXPECT_EQ(children[i].name, items[i].name + L" V" + items[i].version);
    EXPECT_EQ(children[i].value, items[i].action);
    EXPECT_FALSE(children[i].action.empty());
  }
  // Locations are the items' places on the screen.
  RECT first = ElementScreenRect(main.listHost.window, main.itemWidth, 0, 0, 0, main.itemWidth, 90);
  EXPECT_EQ(children[0].where.left, first.left);
  EXPECT_EQ(children[0].where.top, first.top);
  EXPECT_EQ(children[0].where.right, first.right);
  EXPECT_EQ(children[0].where.bottom, first.bottom);
  EXPECT_EQ(children[3].where.top, first.top + 3 * 90);
  // The fifth item lies partly below the list's bottom edge but is still on screen.
  EXPECT_EQ(children[4].state & STATE_SYSTEM_INVISIBLE, 0);
  // Each item's children: its buttons (the action caption and the menu arrow, at their places),
  // then its three texts.
  std::vector<Line> buttons, texts;
  for (const Line& sub : OfKind(lines, "sub")) (sub.role == ROLE_SYSTEM_STATICTEXT ? texts : buttons).push_back(sub);
  ASSERT_EQ(buttons.size(), 2 * items.size());
  ASSERT_EQ(texts.size(), 3 * items.size());
  EXPECT_EQ(buttons[2 * 2].name, L"更新软件");
  EXPECT_EQ(buttons[2 * 2 + 1].name, L"▼");
  EXPECT_EQ(buttons[2 * 2].role, ROLE_SYSTEM_PUSHBUTTON);
  RECT action = ElementScreenRect(main.listHost.window, main.itemWidth, 2, main.itemWidth - 119, 30, 80, 30);
  EXPECT_EQ(buttons[4].where.left, action.left);
  EXPECT_EQ(buttons[4].where.top, action.top);
  EXPECT_EQ(buttons[4].where.right - buttons[4].where.left, 80);
  EXPECT_NE(buttons[2].state & STATE_SYSTEM_CHECKED, 0);                              // the running tool's button
  EXPECT_EQ(OfKind(lines, "sub")[2].name, items[0].name + L" V" + items[0].version);  // after the buttons
  EXPECT_EQ(texts[1].name, items[0].intro);
  EXPECT_EQ(texts[2].name, L"更新时间：" + items[0].time);
}

TEST_F(AccessibleTest, TextsAreLocatedWhereTheyAreLaidOutWholeSoACutTextReachesPastItsBox) {
  SampleWindow main(dll);
  main.SetUpTemplate();
  main.AddItem(DefaultItems()[0]);
  std::string longIntro;
  for (int i = 0; i < 4; ++i) longIntro += Gbk(DefaultItems()[0].intro);
  dll.Get<ControlSetElemData_Text_t>("ControlSetElemData_Text")(main.list, 1, 0, -1, 2, 0, 1, 0, longIntro.c_str(), 0);
  std::vector<Line> lines = Probe(WindowOf(main.list), "dump");
  std::vector<Line> texts;
  for (const Line& sub : OfKind(lines, "sub")) {
    if (sub.role == ROLE_SYSTEM_STATICTEXT) texts.push_back(sub);
  }
  ASSERT_EQ(texts.size(), 3u);
  const int w = main.itemWidth;
  RECT title = ElementScreenRect(main.listHost.window, w, 0, 90, 20, 300, 20);
  RECT intro = ElementScreenRect(main.listHost.window, w, 0, 90, 50, w - 430, 30);
  RECT time = ElementScreenRect(main.listHost.window, w, 0, w - 330, 30, 180, 30);
  // A short title keeps to the start of its box; the right-aligned time ends at the box's end.
  EXPECT_EQ(texts[0].where.left, title.left);
  EXPECT_LT(texts[0].where.right, title.right);
  EXPECT_NEAR(texts[2].where.right, time.right, 1);
  EXPECT_GT(texts[2].where.left, time.left);
  // The wrapped introduction needs more lines than its box holds: it reaches below the row.
  EXPECT_LE(texts[1].where.right, intro.right);
  EXPECT_GT(texts[1].where.bottom, intro.bottom + 10);
}

TEST_F(AccessibleTest, DefaultActionsClickTheItemsButtons) {
  SampleWindow main(dll);
  main.SetUpTemplate();
  for (const auto& item : DefaultItems()) main.AddItem(item);
  std::vector<Line> done = Probe(WindowOf(main.list), "do 3");
  ASSERT_FALSE(done.empty());
  EXPECT_EQ(done[0].name, L"00000000");
  ASSERT_TRUE(PumpUntil([] { return !ElementClicks().empty(); }));
  EXPECT_EQ(ElementClicks().front().item, 2);
  EXPECT_EQ(ElementClicks().front().element, 4);
  EXPECT_EQ(ElementClicks().front().code, EXUI_ELEM_CLICK);

  ElementClicks().clear();
  Probe(WindowOf(main.list), "do 1 2");  // the second button of the first item
  ASSERT_TRUE(PumpUntil([] { return !ElementClicks().empty(); }));
  EXPECT_EQ(ElementClicks().front().item, 0);
  EXPECT_EQ(ElementClicks().front().element, 5);
}

TEST_F(AccessibleTest, DefaultActionScrollsAHiddenItemIntoView) {
  SampleWindow main(dll);
  main.SetUpTemplate();
  auto items = DefaultItems();
  for (int i = 0; i < 10; ++i) main.AddItem(items[static_cast<size_t>(i) % items.size()]);
  std::vector<Line> before = OfKind(Probe(WindowOf(main.list), "dump"), "child");
  ASSERT_EQ(before.size(), 10u);
  EXPECT_NE(before[9].state & STATE_SYSTEM_OFFSCREEN, 0);
  Probe(WindowOf(main.list), "do 10");
  ASSERT_TRUE(PumpUntil([] { return !ElementClicks().empty(); }));
  EXPECT_EQ(ElementClicks().front().item, 9);
  std::vector<Line> after = OfKind(Probe(WindowOf(main.list), "dump"), "child");
  EXPECT_EQ(after[9].state & STATE_SYSTEM_OFFSCREEN, 0);
}

TEST_F(AccessibleTest, HitTestFindsTheItemUnderAPoint) {
  SampleWindow main(dll);
  main.SetUpTemplate();
  for (const auto& item : DefaultItems()) main.AddItem(item);
  RECT second = ElementScreenRect(main.listHost.window, main.itemWidth, 1, 100, 40, 10, 10);
  std::vector<Line> hit =
      Probe(WindowOf(main.list), "hit " + std::to_string(second.left) + " " + std::to_string(second.top));
  ASSERT_FALSE(hit.empty());
  // The item comes back as an object of its own.
  EXPECT_EQ(hit[0].kind, "hitobject");
  EXPECT_EQ(hit[0].name, L"商品上架专家 V1.8");
}

TEST_F(AccessibleTest, FrameButtonsAreNamedAndPressable) {
  HWND top = MakeTopWindow(30, 30, 400, 300);
  Host host = MakeHost(top, 0, 0, 400, 300);
  ExuiControl frame = CreateUnit(dll, "CreateControl_WindowEx", top, host);
  std::vector<Line> lines = Probe(WindowOf(frame), "dump");
  std::vector<Line> children = OfKind(lines, "child");
  ASSERT_EQ(children.size(), 2u);
  EXPECT_EQ(children[0].name, L"最小化");
  EXPECT_EQ(children[1].name, L"关闭");
  EXPECT_EQ(children[1].role, ROLE_SYSTEM_PUSHBUTTON);
  EXPECT_EQ(children[1].where.right, 30 + 400 - 1);
  EXPECT_EQ(children[1].where.right - children[1].where.left, 46);
  int before = CloseRequests();
  Probe(WindowOf(frame), "do 2");
  EXPECT_TRUE(PumpUntil([&] { return CloseRequests() > before; }));
  dll.Get<ControlDestroy_t>("ControlDestroy")(frame);
  ::DestroyWindow(top);
}

int EXUI_CALL CountMenu(int32_t, int32_t code, int32_t item, int32_t, ExuiValue, int32_t) {
  Events().push_back({nullptr, code, item, 0, 0, 0});
  return 0;
}

TEST_F(AccessibleTest, MenuEntriesCanBeReadAndChosen) {
  HWND owner = MakeTopWindow(30, 30, 400, 300);
  ExuiMenu menu =
      dll.Get<Create_MenuEx_t>("Create_MenuEx")(16, 16, 0, dll.Bin(FontBytes(L"微软雅黑", 12)), 0, 255, &CountMenu, 0);
  auto insert = dll.Get<InsertItem_MenuEx_t>("InsertItem_MenuEx");
  std::string show = Gbk(L"显示软件"), tutorial = Gbk(L"查看教程");
  ExuiMenuItem first = insert(menu, 0, -1, 0, 0, show.c_str(), 0xFF606060, 0xFFC0C0C0, 60, 24, 0, 0, 0);
  insert(menu, 0, -1, 0, 0, "", 0xFF606060, 0xFFC0C0C0, 60, 5, 1, 1, 0);
  ExuiMenuItem last = insert(menu, 0, -1, 0, 0, tutorial.c_str(), 0xFF606060, 0xFFC0C0C0, 60, 24, 0, 0, 0);
  dll.Get<SetItemDisabled_MenuEx_t>("SetItemDisabled_MenuEx")(menu, first, 1);
  ASSERT_EQ(dll.Get<PopUp_MenuEx_t>("PopUp_MenuEx")(menu, 0, 200, 150, owner, 0, 0), 1);
  HWND window = reinterpret_cast<HWND>(
      static_cast<intptr_t>(dll.Get<GetAttribute_MenuEx_t>("GetAttribute_MenuEx")(menu, EXUI_MENU_ATTR_WINDOW)));
  std::vector<Line> lines = Probe(window, "dump");
  std::vector<Line> children = OfKind(lines, "child");
  ASSERT_EQ(children.size(), 3u);
  EXPECT_EQ(lines[0].role, ROLE_SYSTEM_MENUPOPUP);
  EXPECT_EQ(children[0].name, L"显示软件");
  EXPECT_NE(children[0].state & STATE_SYSTEM_UNAVAILABLE, 0);
  EXPECT_EQ(children[1].role, ROLE_SYSTEM_SEPARATOR);
  EXPECT_EQ(children[2].role, ROLE_SYSTEM_MENUITEM);
  EXPECT_EQ(children[2].state & STATE_SYSTEM_UNAVAILABLE, 0);
  // A disabled entry refuses its default action; an enabled one delivers the choice.
  std::vector<Line> refused = Probe(window, "do 1");
  ASSERT_FALSE(refused.empty());
  EXPECT_NE(refused[0].name, L"00000000");
  Probe(window, "do 3");
  ASSERT_TRUE(PumpUntil([] { return !Events().empty(); }));
  EXPECT_EQ(Events().front().code, 650);
  EXPECT_EQ(Events().front().a, last);
  dll.Get<Destroy_MenuEx_t>("Destroy_MenuEx")(menu);
  ::DestroyWindow(owner);
}

}  // namespace
}  // namespace exui_test
