// The item action menu: "显示软件", "重新下载", "强制关闭" and "查看教程" with separators between
// them. One per main window, owned by its catalogue and made by the window's creation handler;
// the item arrows pop it up and its event routine acts on the chosen entry.
#pragma once

#include <windows.h>

#include <cstdint>

#include "catalogue/catalogue_environment.h"
#include "exui_api.h"
#include "util/text.h"

namespace storvane {

inline constexpr int kItemMenuSkinSize = 667;
inline constexpr uint32_t kMenuTextColour = 0xFF606060;    // 0x606060 as ARGB
inline constexpr uint32_t kMenuSecondColour = 0xFFC0C0C0;  // 0xC0C0C0 as ARGB

// The 667-byte menu skin carried by the program.
const Bytes& ItemMenuSkin();

// The library's menu and its entries, popped up over `owner`. Until Create has made the menu,
// every call reaches the library with no menu and does nothing.
class ItemMenu : public ItemMenuControl {
public:
  explicit ItemMenu(HWND owner) : owner_(owner) {}
  ~ItemMenu() override;
  ItemMenu(const ItemMenu&) = delete;
  ItemMenu& operator=(const ItemMenu&) = delete;

  // Makes the menu with `font` (the program's font descriptor) and its seven entries; the
  // library calls `routine` with `userValue` for each of its events. False when the library
  // made no menu.
  bool Create(const Bytes& font, ExuiMenuProc routine, ExuiValue userValue);
  ExuiMenu handle() const { return menu_; }

  const ItemMenuEntries& entries() const override { return entries_; }
  void SetItemDisabled(int32_t entry, bool disabled) override;
  void PopUpAtCursor() override;

private:
  HWND owner_;
  ExuiMenu menu_ = 0;
  ItemMenuEntries entries_;
};

}  // namespace storvane
