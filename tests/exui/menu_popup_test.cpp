// Popup menus on the screen: choices by mouse and keyboard, disabled entries, closing.
#include <gtest/gtest.h>

#include <thread>

#include "exui_dll.h"

namespace exui_test {
namespace {

struct MenuEvent {
  int32_t menu, code, item, index;
  ExuiValue user;
  int32_t reserved;
};
std::vector<MenuEvent>& MenuEvents() {
  static std::vector<MenuEvent> events;
  return events;
}
int EXUI_CALL RecordMenu(int32_t menu, int32_t code, int32_t item, int32_t index, ExuiValue user, int32_t reserved) {
  MenuEvents().push_back({menu, code, item, index, user, reserved});
  return 0;
}

void PressKey(WORD key) {
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_KEYBOARD;
  in[0].ki.wVk = in[1].ki.wVk = key;
  in[1].ki.dwFlags = KEYEVENTF_KEYUP;
  ::SendInput(2, in, sizeof(INPUT));
  Pump(std::chrono::milliseconds(50));
}

class MenuPopupTest : public ::testing::Test {
protected:
  Dll dll;
  HWND owner = nullptr;
  ExuiMenu menu = 0;
  std::vector<ExuiMenuItem> entries;

  void Build(bool activateOwner) {
    ASSERT_TRUE(dll.loaded());
    MenuEvents().clear();
    owner = MakeTopWindow(40, 40, 600, 400, L"owner", activateOwner);
    menu = dll.Get<Create_MenuEx_t>("Create_MenuEx")(16, 16, dll.Bin(std::vector<uint8_t>(667, 0x11)),
                                                     dll.Bin(FontBytes(L"微软雅黑", 12)), dll.Bin({}), 255, &RecordMenu,
                                                     123);
    ASSERT_NE(menu, 0);
    auto insert = dll.Get<InsertItem_MenuEx_t>("InsertItem_MenuEx");
    const wchar_t* captions[] = {L"显示软件", L"", L"重新下载", L"", L"强制关闭", L"", L"查看教程"};
    for (int i = 0; i < 7; ++i) {
      bool separator = i % 2 == 1;
      std::string text = Gbk(captions[i]);
      entries.push_back(insert(menu, 0, -1, 0, 0, text.c_str(), 0xFF606060, 0xFFC0C0C0, 60, separator ? 5 : 24,
                               separator, separator, 0));
    }
  }
  void TearDown() override {
    if (menu != 0) dll.Get<Destroy_MenuEx_t>("Destroy_MenuEx")(menu);
    if (owner != nullptr) ::DestroyWindow(owner);
  }
  bool PopUp(int x, int y, bool wait = false) {
    return dll.Get<PopUp_MenuEx_t>("PopUp_MenuEx")(menu, 0, x, y, owner, wait ? 1 : 0, 0) == 1;
  }
  bool IsOpen() { return dll.Get<IsPopUp_MenuEx_t>("IsPopUp_MenuEx")(menu) == 1; }
  void Disable(int index, bool disabled = true) {
    dll.Get<SetItemDisabled_MenuEx_t>("SetItemDisabled_MenuEx")(menu, entries[static_cast<size_t>(index)], disabled);
  }
  // Centre of entry `index` on the screen: border 1 and padding 4, entries of 24, separators of 5.
  POINT EntryCentre(int index) {
    HWND window = reinterpret_cast<HWND>(
        static_cast<intptr_t>(dll.Get<GetAttribute_MenuEx_t>("GetAttribute_MenuEx")(menu, EXUI_MENU_ATTR_WINDOW)));
    RECT r{};
    ::GetWindowRect(window, &r);
    int y = r.top + 5;
    for (int i = 0; i < index; ++i) y += (i % 2 == 1) ? 5 : 24;
    return POINT{(r.left + r.right) / 2, y + ((index % 2 == 1) ? 2 : 12)};
  }
  bool WaitForEvent() {
    return PumpUntil([] { return !MenuEvents().empty(); }, std::chrono::seconds(3));
  }
};

TEST_F(MenuPopupTest, ChoosingAnEntryDeliversItsHandle) {
  Build(false);
  ASSERT_TRUE(PopUp(300, 200));
  Pump(std::chrono::milliseconds(100));
  EXPECT_TRUE(IsOpen());
  ClickAt(EntryCentre(2));
  ASSERT_TRUE(WaitForEvent());
  ASSERT_EQ(MenuEvents().size(), 1u);
  MenuEvent e = MenuEvents().front();
  EXPECT_EQ(e.menu, menu);
  EXPECT_EQ(e.code, 650);
  EXPECT_EQ(e.item, entries[2]);
  EXPECT_EQ(e.index, 2);
  EXPECT_EQ(e.user, 123);
  EXPECT_FALSE(IsOpen());
}

TEST_F(MenuPopupTest, DisabledEntriesAndSeparatorsCannotBeChosen) {
  Build(false);
  Disable(0);
  ASSERT_TRUE(PopUp(300, 200));
  Pump(std::chrono::milliseconds(100));
  ClickAt(EntryCentre(0));
  ClickAt(EntryCentre(1));
  Pump(std::chrono::milliseconds(200));
  EXPECT_TRUE(MenuEvents().empty());
  EXPECT_TRUE(IsOpen());
  // Enabled again, the same entry is chosen.
  Disable(0, false);
  ClickAt(EntryCentre(0));
  ASSERT_TRUE(WaitForEvent());
  EXPECT_EQ(MenuEvents().front().code, 650);
  EXPECT_EQ(MenuEvents().front().item, entries[0]);
}

TEST_F(MenuPopupTest, ClickElsewhereClosesWithoutAChoice) {
  Build(false);
  ASSERT_TRUE(PopUp(300, 200));
  Pump(std::chrono::milliseconds(100));
  ClickAt(POINT{100, 380});  // on the owner, away from the menu
  ASSERT_TRUE(WaitForEvent());
  EXPECT_EQ(MenuEvents().front().code, EXUI_MENU_CLOSED);
  EXPECT_EQ(MenuEvents().front().item, 0);
  EXPECT_FALSE(IsOpen());
}

TEST_F(MenuPopupTest, KeyboardMovesOverUnavailableEntriesAndChooses) {
  Build(true);
  Disable(0);
  Disable(4);
  HWND active = ::GetActiveWindow();
  ASSERT_TRUE(PopUp(300, 200));
  Pump(std::chrono::milliseconds(100));
  // The owner keeps the activation while the menu is open.
  EXPECT_EQ(::GetActiveWindow(), active);
  PressKey(VK_DOWN);  // "重新下载": the first entry is disabled
  PressKey(VK_DOWN);  // "查看教程": separators and "强制关闭" are passed over
  PressKey(VK_RETURN);
  ASSERT_TRUE(WaitForEvent());
  EXPECT_EQ(MenuEvents().front().code, 650);
  EXPECT_EQ(MenuEvents().front().item, entries[6]);

  MenuEvents().clear();
  ASSERT_TRUE(PopUp(300, 200));
  Pump(std::chrono::milliseconds(100));
  PressKey(VK_UP);  // wraps to the last entry
  PressKey(VK_ESCAPE);
  ASSERT_TRUE(WaitForEvent());
  EXPECT_EQ(MenuEvents().front().code, EXUI_MENU_CLOSED);
  EXPECT_FALSE(IsOpen());
}

TEST_F(MenuPopupTest, WaitingPopUpReturnsAfterTheChoice) {
  Build(false);
  // The click comes from another thread while PopUp_MenuEx runs its own loop.
  std::thread clicker([this] {
    ::Sleep(300);
    POINT p = EntryCentre(6);
    int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
    INPUT in[3] = {};
    for (auto& i : in) {
      i.type = INPUT_MOUSE;
      i.mi.dx = static_cast<LONG>((static_cast<long long>(p.x) * 65536 + sw - 1) / sw);
      i.mi.dy = static_cast<LONG>((static_cast<long long>(p.y) * 65536 + sh - 1) / sh);
    }
    in[0].mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    in[1].mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTDOWN;
    in[2].mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTUP;
    for (auto& i : in) {
      ::SendInput(1, &i, sizeof i);
      ::Sleep(40);
    }
  });
  EXPECT_TRUE(PopUp(300, 200, true));
  clicker.join();
  ASSERT_EQ(MenuEvents().size(), 1u);
  EXPECT_EQ(MenuEvents().front().item, entries[6]);
  EXPECT_FALSE(IsOpen());
}

TEST_F(MenuPopupTest, MenuStaysOnTheScreenNearItsEdge) {
  Build(false);
  int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
  ASSERT_TRUE(PopUp(sw - 5, sh - 5));
  HWND window = reinterpret_cast<HWND>(
      static_cast<intptr_t>(dll.Get<GetAttribute_MenuEx_t>("GetAttribute_MenuEx")(menu, EXUI_MENU_ATTR_WINDOW)));
  RECT r{};
  ::GetWindowRect(window, &r);
  EXPECT_LE(r.right, sw);
  EXPECT_LE(r.bottom, sh);
  EXPECT_GT(r.right - r.left, 60);  // wide enough for its captions
  dll.Get<Close_MenuEx_t>("Close_MenuEx")(menu);
  ASSERT_TRUE(WaitForEvent());
  EXPECT_EQ(MenuEvents().front().code, EXUI_MENU_CLOSED);
}

}  // namespace
}  // namespace exui_test
