#include "catalogue/item_menu.h"

#include <cstring>
#include <string_view>

#include "uilib/skin_commands.h"

namespace storvane {
namespace {

constexpr int kEntryWidth = 60;
constexpr int kEntryHeight = 24;
constexpr int kSeparatorHeight = 5;

Bytes MakeItemMenuSkin() {
  ExuiMenuSkin skin{};
  skin.header = {EXUI_SKIN_MAGIC, EXUI_SKIN_VERSION, EXUI_SKIN_MENU, sizeof(ExuiMenuSkin)};
  skin.background = 0xFFFFFFFF;
  skin.border = 0xFFDADCE0;
  skin.hoverFill = 0xFFF2F2F2;
  skin.separator = 0xFFE6E6E6;
  skin.shadow = 0x28000000;
  skin.radius = 4;
  skin.padding = 4;
  skin.textIndent = 12;
  static_assert(sizeof(ExuiMenuSkin) <= kItemMenuSkinSize, "the skin fits its blob");
  Bytes out(kItemMenuSkinSize, 0);
  std::memcpy(out.data(), &skin, sizeof skin);
  return out;
}

int32_t AppendEntry(ExuiMenu menu, std::string_view caption, bool separator) {
  const int flag = separator ? 1 : 0;
  return uilib::InsertSkinMenuItem(menu, 0, -1, 0, 0, caption, kMenuTextColour, kMenuSecondColour, kEntryWidth,
                                   separator ? kSeparatorHeight : kEntryHeight, flag, flag, 0);
}

}  // namespace

const Bytes& ItemMenuSkin() {
  static const Bytes skin = MakeItemMenuSkin();
  return skin;
}

ItemMenu::~ItemMenu() { uilib::DestroySkinMenu(menu_); }

bool ItemMenu::Create(const Bytes& font, ExuiMenuProc routine, ExuiValue userValue) {
  uilib::DestroySkinMenu(menu_);
  entries_ = {};
  menu_ = uilib::CreateSkinMenu(16, 16, ItemMenuSkin(), font, Bytes{}, 255, routine, userValue);
  if (menu_ == 0) return false;
  entries_.showSoftware = AppendEntry(menu_, "显示软件", false);
  AppendEntry(menu_, "", true);
  entries_.redownload = AppendEntry(menu_, "重新下载", false);
  AppendEntry(menu_, "", true);
  entries_.forceClose = AppendEntry(menu_, "强制关闭", false);
  AppendEntry(menu_, "", true);
  entries_.viewTutorial = AppendEntry(menu_, "查看教程", false);
  return true;
}

void ItemMenu::SetItemDisabled(int32_t entry, bool disabled) { uilib::SetSkinMenuItemDisabled(menu_, entry, disabled); }

void ItemMenu::PopUpAtCursor() {
  POINT cursor{};
  ::GetCursorPos(&cursor);
  uilib::PopUpSkinMenu(menu_, 0, cursor.x, cursor.y, owner_, false, 0);
}

}  // namespace storvane
