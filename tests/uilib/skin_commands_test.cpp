// The support commands against the real library: menus, list elements, images, update locks;
// and every command with the library's entries missing.
#include "uilib/skin_commands.h"

#include <gtest/gtest.h>

#include <cstring>

#include "test_support.h"
#include "uilib/function_cast.h"
#include "uilib/locate.h"
#include "uilib/runtime.h"

namespace storvane::uilib {
namespace {

using test::PumpUntil;

constexpr UnitDesign kListUnits[] = {
    {.type = UnitType::WindowEx, .name = "窗口EX", .width = 500, .height = 300, .fillsWindow = true},
    {.type = UnitType::IcoListboxEx, .name = "列表", .left = 10, .top = 50, .width = 480, .height = 240},
};
constexpr WindowDesign kListWindow{.name = "命令测试窗口", .width = 500, .height = 300, .units = kListUnits};

// A 2 x 2 bitmap file of 24-bit pixels.
SkinBytes TinyBitmap() {
  SkinBytes bytes(54 + 16, 0);
  bytes[0] = 'B';
  bytes[1] = 'M';
  const std::uint32_t fileSize = static_cast<std::uint32_t>(bytes.size()), offset = 54, header = 40;
  const std::int32_t side = 2;
  const std::uint16_t planes = 1, bits = 24;
  std::memcpy(&bytes[2], &fileSize, 4);
  std::memcpy(&bytes[10], &offset, 4);
  std::memcpy(&bytes[14], &header, 4);
  std::memcpy(&bytes[18], &side, 4);
  std::memcpy(&bytes[22], &side, 4);
  std::memcpy(&bytes[26], &planes, 2);
  std::memcpy(&bytes[28], &bits, 2);
  for (std::size_t i = 54; i < bytes.size(); ++i) bytes[i] = 0x80;
  return bytes;
}

SkinBytes FontDescriptor(int size) {
  ExuiFontDescriptor font{};
  const char16_t face[] = u"微软雅黑";
  std::memcpy(font.face, face, sizeof(face));
  font.size = size;
  SkinBytes bytes(sizeof(font));
  std::memcpy(bytes.data(), &font, sizeof(font));
  return bytes;
}

class SkinCommandsTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(test::LoadLibraryAsStartUpDoes());
    window_ = LoadWindow(kListWindow);
    ASSERT_NE(window_, nullptr);
    list_ = window_->FindUnit("列表")->control();
    ASSERT_NE(list_, 0);
  }
  void TearDown() override {
    if (Window* window = FindLoadedWindow(kListWindow.name)) test::CloseForGood(window->hwnd());
  }
  Window* window_ = nullptr;
  ExuiControl list_ = 0;
};

TEST_F(SkinCommandsTest, ElementsCarryTheTextsTheyAreGiven) {
  EXPECT_EQ(ControlOfWindow(window_->FindUnit("列表")->hwnd()), list_);
  InsertElements(list_, 1, -1, -1, 10);
  SetImageElementTemplate(list_, 1, -1, 0, -1, 0, 0, 10, 10, 70, 70, 0);
  SetTextElementTemplate(list_, 1, -1, 1, -1, 0, 0, 90, 20, 300, 20, 0, FontDescriptor(14), 9);
  SetButtonElementTemplate(list_, 1, -1, 4, -1, 0, 0, 400, 30, 80, 30, 0, SkinBytes(400, 0), FontDescriptor(14));
  EXPECT_EQ(ListItemCount(list_), 0);
  EXPECT_EQ(InsertListItem(list_), 0);
  EXPECT_EQ(InsertListItem(list_, -1), 1);
  EXPECT_EQ(ListItemCount(list_), 2);

  SetTextElementData(list_, 1, 1, -1, 1, 0, 1, 0, "A V2", 0xffcd5c5c);
  SetButtonElementData(list_, 1, 1, -1, 4, 0, 1, 0, "下载软件", 0xff999797, 0);
  EXPECT_EQ(GetTextElementData(list_, 1, 1, -1, 1), "A V2");
  EXPECT_EQ(GetButtonElementData(list_, 1, 1, -1, 4), "下载软件");
  EXPECT_EQ(GetTextElementData(list_, 1, 0, -1, 1), "");  // the other item is untouched
  EXPECT_EQ(GetTextElementData(list_, 1, 7, -1, 1), "");  // no such item

  const ExuiImage image = LoadSkinImage(TinyBitmap());
  ASSERT_NE(image, 0);
  SetImageElementData(list_, 1, 0, -1, 0, 0, 1, 0, image);
  DestroySkinImage(image);
  EXPECT_EQ(LoadSkinImage({}), 0);
  EXPECT_EQ(LoadSkinImage(SkinBytes{1, 2, 3}), 0);
}

TEST_F(SkinCommandsTest, UpdateLocksNest) {
  EXPECT_EQ(LockControlUpdate(list_), 1);
  EXPECT_EQ(LockControlUpdate(list_), 2);
  EXPECT_EQ(UnlockControlUpdate(list_), 1);
  EXPECT_EQ(UnlockControlUpdate(list_), 0);
}

TEST_F(SkinCommandsTest, AttributesRoundTrip) {
  ASSERT_TRUE(SetSkinAttribute(SkinType::IcoListboxEx, list_, EXUI_ATTR_ITEM_WIDTH, 456));
  EXPECT_EQ(GetSkinAttribute(SkinType::IcoListboxEx, list_, EXUI_ATTR_ITEM_WIDTH), 456);
  EXPECT_EQ(window_->FindUnit("列表")->Attribute(EXUI_ATTR_ITEM_WIDTH), 456);
}

struct MenuEvent {
  std::int32_t menu = 0, code = 0, item = 0, index = 0;
  ExuiValue user = 0;
  int count = 0;
};
MenuEvent g_menuEvent;

int EXUI_CALL OnMenu(std::int32_t menu, std::int32_t code, std::int32_t item, std::int32_t index, ExuiValue user,
                     std::int32_t) {
  g_menuEvent = {menu, code, item, index, user, g_menuEvent.count + 1};
  return 0;
}

TEST_F(SkinCommandsTest, ChoosingAMenuEntryDeliversItsOwnHandle) {
  g_menuEvent = {};
  const ExuiMenu menu = CreateSkinMenu(16, 16, SkinBytes(667, 0), FontDescriptor(12), {}, 255, &OnMenu, 123);
  ASSERT_NE(menu, 0);
  const ExuiMenuItem first = InsertSkinMenuItem(menu, 0, -1, 0, 0, "显示软件", 0xFF606060, 0xFFC0C0C0, 60, 24, 0, 0, 0);
  const ExuiMenuItem line = InsertSkinMenuItem(menu, 0, -1, 0, 0, "", 0xFF606060, 0xFFC0C0C0, 60, 5, 1, 1, 0);
  const ExuiMenuItem third = InsertSkinMenuItem(menu, 0, -1, 0, 0, "查看教程", 0xFF606060, 0xFFC0C0C0, 60, 24, 0, 0, 0);
  ASSERT_TRUE(first && line && third);
  EXPECT_NE(first, third);
  SetSkinMenuItemDisabled(menu, first, true);
  auto isDisabled = FunctionCast<GetItemDisabled_MenuEx_t>(SupportUiExports().Entry("GetItemDisabled_MenuEx"));
  ASSERT_NE(isDisabled, nullptr);
  EXPECT_EQ(isDisabled(menu, first), 1);

  ASSERT_TRUE(PopUpSkinMenu(menu, 0, 100, 100, window_->hwnd(), false));
  auto attribute = FunctionCast<GetAttribute_MenuEx_t>(SupportUiExports().Entry("GetAttribute_MenuEx"));
  HWND menuWindow = reinterpret_cast<HWND>(static_cast<std::intptr_t>(attribute(menu, EXUI_MENU_ATTR_WINDOW)));
  ASSERT_NE(menuWindow, nullptr);
  // The first entry is disabled and the second a separator: Down lands on the third.
  ::SendMessageW(menuWindow, WM_KEYDOWN, VK_DOWN, 0);
  ::SendMessageW(menuWindow, WM_KEYDOWN, VK_RETURN, 0);
  ASSERT_TRUE(PumpUntil([] { return g_menuEvent.count > 0; }, 3000));
  EXPECT_EQ(g_menuEvent.code, EXUI_MENU_CHOSEN);
  EXPECT_EQ(g_menuEvent.item, third);
  EXPECT_EQ(g_menuEvent.menu, menu);
  EXPECT_EQ(g_menuEvent.user, 123);
}

TEST(SkinCommandsWithoutLibrary, NothingIsCalledThroughAMissingEntry) {
  ASSERT_TRUE(test::LoadLibraryAsStartUpDoes());
  const UiExportTable saved = SupportUiExports();
  SupportUiExports().Clear();
  const HWND anyWindow = ::GetDesktopWindow();
  EXPECT_EQ(ControlOfWindow(anyWindow), 0);
  EXPECT_EQ(LockControlUpdate(1), 0);
  EXPECT_EQ(UnlockControlUpdate(1), 0);
  SetSkinFocus(1);
  EXPECT_EQ(SetSkinAttribute(SkinType::LabelEx, 1, EXUI_ATTR_CAPTION, 0), 0);
  EXPECT_EQ(GetSkinAttributeText(SkinType::LabelEx, 1, EXUI_ATTR_CAPTION), "");
  EXPECT_EQ(InsertListItem(1), -1);
  EXPECT_EQ(ListItemCount(1), -1);
  InsertElements(1, 1, -1, -1, 10);
  SetTextElementTemplate(1, 1, -1, 1, -1, 0, 0, 0, 0, 0, 0, 0, FontDescriptor(12), 9);
  SetButtonElementTemplate(1, 1, -1, 4, -1, 0, 0, 0, 0, 0, 0, 0, SkinBytes(4, 1), FontDescriptor(12));
  SetTextElementData(1, 1, 0, -1, 1, 0, 1, 0, "x", 0);
  SetButtonElementData(1, 1, 0, -1, 4, 0, 1, 0, "x", 0, 0);
  EXPECT_EQ(GetTextElementData(1, 1, 0, -1, 1), "");
  EXPECT_EQ(GetButtonElementData(1, 1, 0, -1, 4), "");
  EXPECT_EQ(LoadSkinImage(TinyBitmap()), 0);
  DestroySkinImage(5);
  EXPECT_EQ(CreateSkinMenu(16, 16, {}, {}, {}, 255, &OnMenu, 0), 0);
  EXPECT_EQ(InsertSkinMenuItem(1, 0, -1, 0, 0, "x", 0, 0, 60, 24, 0, 0, 0), 0);
  EXPECT_FALSE(PopUpSkinMenu(1, 0, 0, 0, nullptr, false));
  SetSkinMenuItemDisabled(1, 2, true);
  SupportUiExports() = saved;
}

}  // namespace
}  // namespace storvane::uilib
