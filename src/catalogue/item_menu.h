// The item action menu: "显示软件", "重新下载", "强制关闭" and "查看教程" with separators between
// them. Built once by the main window's creation handler; the item buttons pop it up and its
// event routine acts on the chosen entry.
#pragma once

#include <cstdint>

#include "catalogue/catalogue_environment.h"
#include "util/text.h"

namespace storvane {

extern int32_t g_itemMenu;
extern int32_t g_menuShowSoftware;
extern int32_t g_menuRedownload;
extern int32_t g_menuForceClose;
extern int32_t g_menuViewTutorial;

inline constexpr int kItemMenuSkinSize = 667;
inline constexpr uint32_t kMenuTextColour = 0xFF606060;      // 0x606060 as ARGB
inline constexpr uint32_t kMenuSecondColour = 0xFFC0C0C0;    // 0xC0C0C0 as ARGB

// The 667-byte menu skin carried by the program.
const Bytes& ItemMenuSkin();

// Creates the menu with `font` (the program's font descriptor) and its seven entries, and
// stores the menu and the four entry handles in the g_ values above. False when the library
// made no menu.
bool CreateItemMenu(const Bytes& font);

// The four entry handles as the menu's users compare them.
ItemMenuEntries CurrentItemMenuEntries();

}  // namespace storvane
