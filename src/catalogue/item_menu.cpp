#include "catalogue/item_menu.h"

#include <cstring>
#include <string_view>

#include "catalogue/catalogue_window.h"
#include "exui_api.h"
#include "uilib/skin_commands.h"

namespace storvane {

int32_t g_itemMenu = 0;
int32_t g_menuShowSoftware = 0;
int32_t g_menuRedownload = 0;
int32_t g_menuForceClose = 0;
int32_t g_menuViewTutorial = 0;

namespace {

// The value the menu hands back to its event routine; not read there.
constexpr int32_t kMenuUserValue = 123;
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

int32_t AppendEntry(std::string_view caption, bool separator) {
    const int flag = separator ? 1 : 0;
    return uilib::InsertSkinMenuItem(g_itemMenu, 0, -1, 0, 0, caption, kMenuTextColour, kMenuSecondColour, kEntryWidth,
                                     separator ? kSeparatorHeight : kEntryHeight, flag, flag, 0);
}

}  // namespace

const Bytes& ItemMenuSkin() {
    static const Bytes skin = MakeItemMenuSkin();
    return skin;
}

bool CreateItemMenu(const Bytes& font) {
    g_itemMenu = uilib::CreateSkinMenu(16, 16, ItemMenuSkin(), font, Bytes{}, 255, &OnItemMenuCommand, kMenuUserValue);
    if (g_itemMenu == 0) return false;
    g_menuShowSoftware = AppendEntry("显示软件", false);
    AppendEntry("", true);
    g_menuRedownload = AppendEntry("重新下载", false);
    AppendEntry("", true);
    g_menuForceClose = AppendEntry("强制关闭", false);
    AppendEntry("", true);
    g_menuViewTutorial = AppendEntry("查看教程", false);
    return true;
}

ItemMenuEntries CurrentItemMenuEntries() {
    return {g_menuShowSoftware, g_menuRedownload, g_menuForceClose, g_menuViewTutorial};
}

}  // namespace storvane
