#include "uilib/skin_commands.h"

#include "uilib/locate.h"
#include "util/handles.h"

namespace storvane::uilib {
namespace {

// The support layer's entry `name`, typed by the contract's `name_t`; null when unbound.
#define SKIN_ENTRY(name) SupportUiExports().Get<name##_t>(UiExportIndex(#name))
#define SKIN_ENTRY_AS(type, name) SupportUiExports().Get<type>(UiExportIndex(#name))

// A library-side byte buffer, deleted after the call it was made for.
struct BinTraits {
  using type = ExuiBin;
  static type invalid() noexcept { return 0; }
  static bool is_valid(type bin) noexcept { return bin != 0; }
  static void close(type bin) noexcept {
    if (auto remove = SKIN_ENTRY(DeleteBinEx)) remove(bin);
  }
};
using ScopedBin = UniqueResource<BinTraits>;

ScopedBin MakeBin(const SkinBytes& bytes) {
  auto create = SKIN_ENTRY(CreateBinEx);
  if (create == nullptr || bytes.empty()) return ScopedBin();
  return ScopedBin(create(bytes.data(), static_cast<std::int32_t>(bytes.size())));
}

// A text out of the library is a pointer into its per-thread buffer (an ExuiValue for some entries).
std::string CopyLibraryText(ExuiValue text) {
  const char* chars = reinterpret_cast<const char*>(text);
  return chars == nullptr ? std::string() : std::string(chars);
}

ExuiValue TextArgument(const std::string& text) { return reinterpret_cast<ExuiValue>(text.c_str()); }

ExuiSetAttribute_t SetterOf(SkinType type) {
  switch (type) {
    case SkinType::WindowEx:
      return SKIN_ENTRY_AS(ExuiSetAttribute_t, SetAttribute_WindowEx);
    case SkinType::LabelEx:
      return SKIN_ENTRY_AS(ExuiSetAttribute_t, SetAttribute_LabelEx);
    case SkinType::PictureBoxEx:
      return SKIN_ENTRY_AS(ExuiSetAttribute_t, SetAttribute_PictureBoxEx);
    case SkinType::ProgressbarEx:
      return SKIN_ENTRY_AS(ExuiSetAttribute_t, SetAttribute_ProgressbarEx);
    case SkinType::IcoListboxEx:
      return SKIN_ENTRY_AS(ExuiSetAttribute_t, SetAttribute_IcoListboxEx);
    case SkinType::MinutesboxEx:
      return SKIN_ENTRY_AS(ExuiSetAttribute_t, SetAttribute_MinutesboxEx);
    case SkinType::ButtonEx:
      return SKIN_ENTRY_AS(ExuiSetAttribute_t, SetAttribute_ButtonEx);
  }
  return nullptr;
}

ExuiGetAttribute_t GetterOf(SkinType type) {
  switch (type) {
    case SkinType::WindowEx:
      return SKIN_ENTRY_AS(ExuiGetAttribute_t, GetAttribute_WindowEx);
    case SkinType::LabelEx:
      return SKIN_ENTRY_AS(ExuiGetAttribute_t, GetAttribute_LabelEx);
    case SkinType::PictureBoxEx:
      return SKIN_ENTRY_AS(ExuiGetAttribute_t, GetAttribute_PictureBoxEx);
    case SkinType::ProgressbarEx:
      return SKIN_ENTRY_AS(ExuiGetAttribute_t, GetAttribute_ProgressbarEx);
    case SkinType::IcoListboxEx:
      return SKIN_ENTRY_AS(ExuiGetAttribute_t, GetAttribute_IcoListboxEx);
    case SkinType::MinutesboxEx:
      return SKIN_ENTRY_AS(ExuiGetAttribute_t, GetAttribute_MinutesboxEx);
    case SkinType::ButtonEx:
      return SKIN_ENTRY_AS(ExuiGetAttribute_t, GetAttribute_ButtonEx);
  }
  return nullptr;
}

}  // namespace

ExuiControl ControlOfWindow(HWND window) {
  auto bound = SKIN_ENTRY(ControlGetBindControl);
  return bound != nullptr && window != nullptr ? bound(window) : 0;
}

int LockControlUpdate(ExuiControl control) {
  auto lock = SKIN_ENTRY(ControlLockUpdate);
  return lock != nullptr ? lock(control) : 0;
}

int UnlockControlUpdate(ExuiControl control) {
  auto unlock = SKIN_ENTRY(ControlUnlockUpdate);
  return unlock != nullptr ? unlock(control) : 0;
}

void SetSkinFocus(ExuiControl control) {
  if (auto focus = SKIN_ENTRY(ControlSetFocusControl)) focus(control);
}

int SetSkinAttribute(SkinType type, ExuiControl control, int id, ExuiValue value) {
  auto set = SetterOf(type);
  return set != nullptr ? set(control, id, value) : 0;
}

ExuiValue GetSkinAttribute(SkinType type, ExuiControl control, int id) {
  auto get = GetterOf(type);
  return get != nullptr ? get(control, id) : 0;
}

bool SetSkinAttributeText(SkinType type, ExuiControl control, int id, std::string_view text) {
  const std::string terminated(text);
  return SetSkinAttribute(type, control, id, TextArgument(terminated)) != 0;
}

std::string GetSkinAttributeText(SkinType type, ExuiControl control, int id) {
  return CopyLibraryText(GetSkinAttribute(type, control, id));
}

int InsertListItem(ExuiControl list, int position) {
  auto insert = SKIN_ENTRY(InsertItem_IcoListboxEx);
  return insert != nullptr ? insert(list, position) : -1;
}

int ListItemCount(ExuiControl list) {
  auto count = SKIN_ENTRY(GetItemCount_IcoListboxEx);
  return count != nullptr ? count(list) : -1;
}

void InsertElements(ExuiControl list, int kind, int column, int position, int count) {
  if (auto insert = SKIN_ENTRY(ControlInsertElem)) insert(list, kind, column, position, count);
}

void SetImageElementTemplate(ExuiControl list, int kind, int row, int element, int column, int mask, int flags,
                             int left, int top, int width, int height, int reserved) {
  if (auto set = SKIN_ENTRY(ControlSetElemAttribute_Imsge)) {
    set(list, kind, row, element, column, mask, flags, left, top, width, height, reserved);
  }
}

void SetTextElementTemplate(ExuiControl list, int kind, int row, int element, int column, int mask, int flags, int left,
                            int top, int width, int height, int reserved, const SkinBytes& font, int format) {
  auto set = SKIN_ENTRY(ControlSetElemAttribute_Text);
  if (set == nullptr) return;
  ScopedBin fontBin = MakeBin(font);
  set(list, kind, row, element, column, mask, flags, left, top, width, height, reserved, fontBin.get(), format);
}

void SetButtonElementTemplate(ExuiControl list, int kind, int row, int element, int column,
                              ExuiElemClickProc clickRoutine, int flags, int left, int top, int width, int height,
                              int reserved, const SkinBytes& skin, const SkinBytes& font) {
  auto set = SKIN_ENTRY(ControlSetElemAttribute_Button);
  if (set == nullptr) return;
  ScopedBin skinBin = MakeBin(skin);
  ScopedBin fontBin = MakeBin(font);
  set(list, kind, row, element, column, reinterpret_cast<ExuiValue>(clickRoutine), flags, left, top, width, height,
      reserved, skinBin.get(), fontBin.get());
}

void SetImageElementData(ExuiControl list, int kind, int item, int column, int element, int mask, int display,
                         int state, ExuiImage image) {
  if (auto set = SKIN_ENTRY(ControlSetElemData_Imsge))
    set(list, kind, item, column, element, mask, display, state, image);
}

void SetTextElementData(ExuiControl list, int kind, int item, int column, int element, int mask, int display, int state,
                        std::string_view text, std::uint32_t colour) {
  auto set = SKIN_ENTRY(ControlSetElemData_Text);
  if (set == nullptr) return;
  const std::string terminated(text);
  set(list, kind, item, column, element, mask, display, state, terminated.c_str(), colour);
}

void SetButtonElementData(ExuiControl list, int kind, int item, int column, int element, int mask, int display,
                          int state, std::string_view caption, std::uint32_t colour, int selected) {
  auto set = SKIN_ENTRY(ControlSetElemData_Button);
  if (set == nullptr) return;
  const std::string terminated(caption);
  set(list, kind, item, column, element, mask, display, state, terminated.c_str(), colour, selected);
}

std::string GetTextElementData(ExuiControl list, int kind, int item, int column, int element, int field) {
  auto get = SKIN_ENTRY(ControlGetElemData_Text);
  return get != nullptr ? CopyLibraryText(get(list, kind, item, column, element, field)) : std::string();
}

std::string GetButtonElementData(ExuiControl list, int kind, int item, int column, int element, int field) {
  auto get = SKIN_ENTRY(ControlGetElemData_Button);
  return get != nullptr ? CopyLibraryText(get(list, kind, item, column, element, field)) : std::string();
}

ExuiImage LoadSkinImage(const SkinBytes& bytes) {
  auto load = SKIN_ENTRY(LoadImageEx);
  if (load == nullptr || bytes.empty()) return 0;
  return load(bytes.data(), static_cast<std::int32_t>(bytes.size()), 0, 0);
}

void DestroySkinImage(ExuiImage image) {
  if (auto destroy = SKIN_ENTRY(DestroyImageEx); destroy != nullptr && image != 0) destroy(image);
}

ExuiMenu CreateSkinMenu(int iconWidth, int iconHeight, const SkinBytes& skin, const SkinBytes& font,
                        const SkinBytes& iconBytes, int alpha, ExuiMenuProc eventRoutine, ExuiValue userValue) {
  auto create = SKIN_ENTRY(Create_MenuEx);
  if (create == nullptr) return 0;
  ScopedBin skinBin = MakeBin(skin);
  ScopedBin fontBin = MakeBin(font);
  ScopedBin iconBin = MakeBin(iconBytes);
  return create(iconWidth, iconHeight, skinBin.get(), fontBin.get(), iconBin.get(), alpha, eventRoutine, userValue);
}

ExuiMenuItem InsertSkinMenuItem(ExuiMenu menu, int parent, int position, int icon, int data, std::string_view caption,
                                std::uint32_t textColour, std::uint32_t secondColour, int width, int height,
                                int separator, int disabled, int reserved) {
  auto insert = SKIN_ENTRY(InsertItem_MenuEx);
  if (insert == nullptr) return 0;
  const std::string terminated(caption);
  return insert(menu, parent, position, icon, data, terminated.c_str(), textColour, secondColour, width, height,
                separator, disabled, reserved);
}

bool PopUpSkinMenu(ExuiMenu menu, int parent, int x, int y, HWND owner, bool wait, int reserved) {
  auto popUp = SKIN_ENTRY(PopUp_MenuEx);
  return popUp != nullptr && popUp(menu, parent, x, y, owner, wait ? 1 : 0, reserved) != 0;
}

void DestroySkinMenu(ExuiMenu menu) {
  if (auto destroy = SKIN_ENTRY(Destroy_MenuEx); destroy != nullptr && menu != 0) destroy(menu);
}

void SetSkinMenuItemDisabled(ExuiMenu menu, ExuiMenuItem item, bool disabled) {
  if (auto set = SKIN_ENTRY(SetItemDisabled_MenuEx)) set(menu, item, disabled ? 1 : 0);
}

#undef SKIN_ENTRY
#undef SKIN_ENTRY_AS

}  // namespace storvane::uilib
