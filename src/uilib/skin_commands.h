// The skin support layer's commands for the program's screens: menus, list elements, images,
// focus, update locking and unit attributes. Each goes through the support layer's own table of
// entry points (filled by LocateUiLibrary); when an entry is missing the command does nothing
// and returns its failure value (0, -1 or the empty text), never calling through a null entry.
// Byte arguments (skins, font descriptors) are handed to the library as library-side buffers
// made with CreateBinEx and deleted again after the call (the library copies what it keeps).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "exui_api.h"

namespace storvane::uilib {

using SkinBytes = std::vector<std::uint8_t>;

// The skinned unit types.
enum class SkinType { WindowEx, LabelEx, PictureBoxEx, ProgressbarEx, IcoListboxEx, MinutesboxEx, ButtonEx };

// ---- controls --------------------------------------------------------------------------------
ExuiControl ControlOfWindow(HWND window);  // ControlGetBindControl; 0 when none
int LockControlUpdate(ExuiControl control);
int UnlockControlUpdate(ExuiControl control);
void SetSkinFocus(ExuiControl control);
// SetAttribute_<type> / GetAttribute_<type>; 0 when refused or unbound.
int SetSkinAttribute(SkinType type, ExuiControl control, int id, ExuiValue value);
ExuiValue GetSkinAttribute(SkinType type, ExuiControl control, int id);
bool SetSkinAttributeText(SkinType type, ExuiControl control, int id, std::string_view text);
std::string GetSkinAttributeText(SkinType type, ExuiControl control, int id);

// ---- icon list items and elements (arguments as the library takes them) ----------------------
int InsertListItem(ExuiControl list, int position = -1);  // new item's index, -1 on failure
int ListItemCount(ExuiControl list);                      // -1 on failure
void InsertElements(ExuiControl list, int kind, int column, int position, int count);
void SetImageElementTemplate(ExuiControl list, int kind, int row, int element, int column, int mask, int flags,
                             int left, int top, int width, int height, int reserved = 0);
void SetTextElementTemplate(ExuiControl list, int kind, int row, int element, int column, int mask, int flags, int left,
                            int top, int width, int height, int reserved, const SkinBytes& font, int format);
void SetButtonElementTemplate(ExuiControl list, int kind, int row, int element, int column,
                              ExuiElemClickProc clickRoutine, int flags, int left, int top, int width, int height,
                              int reserved, const SkinBytes& skin, const SkinBytes& font);
void SetImageElementData(ExuiControl list, int kind, int item, int column, int element, int mask, int display,
                         int state, ExuiImage image);
void SetTextElementData(ExuiControl list, int kind, int item, int column, int element, int mask, int display, int state,
                        std::string_view text, std::uint32_t colour);
void SetButtonElementData(ExuiControl list, int kind, int item, int column, int element, int mask, int display,
                          int state, std::string_view caption, std::uint32_t colour, int selected);
// The text of a text or button element (field 4), copied at once.
std::string GetTextElementData(ExuiControl list, int kind, int item, int column, int element,
                               int field = EXUI_FIELD_TEXT);
std::string GetButtonElementData(ExuiControl list, int kind, int item, int column, int element,
                                 int field = EXUI_FIELD_TEXT);

// ---- images ------------------------------------------------------------------------------------
ExuiImage LoadSkinImage(const SkinBytes& bytes);  // 0 for empty or undecodable bytes
void DestroySkinImage(ExuiImage image);

// ---- menus -------------------------------------------------------------------------------------
ExuiMenu CreateSkinMenu(int iconWidth, int iconHeight, const SkinBytes& skin, const SkinBytes& font,
                        const SkinBytes& iconBytes, int alpha, ExuiMenuProc eventRoutine, ExuiValue userValue);
ExuiMenuItem InsertSkinMenuItem(ExuiMenu menu, int parent, int position, int icon, int data, std::string_view caption,
                                std::uint32_t textColour, std::uint32_t secondColour, int width, int height,
                                int separator, int disabled, int reserved);
bool PopUpSkinMenu(ExuiMenu menu, int parent, int x, int y, HWND owner, bool wait, int reserved = 0);
void DestroySkinMenu(ExuiMenu menu);
void SetSkinMenuItemDisabled(ExuiMenu menu, ExuiMenuItem item, bool disabled);

}  // namespace storvane::uilib
