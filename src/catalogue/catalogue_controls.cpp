#include "catalogue/catalogue_controls.h"

#include "catalogue/item_actions.h"
#include "uilib/skin_commands.h"

namespace storvane {

using uilib::SkinType;

ExuiControl UnitItemList::Control() const { return uilib::ControlOfWindow(list_.hwnd()); }

void UnitItemList::LockUpdate() { uilib::LockControlUpdate(Control()); }
void UnitItemList::UnlockUpdate() { uilib::UnlockControlUpdate(Control()); }

void UnitItemList::InsertElem(int32_t kind, int32_t column, int32_t position, int32_t count) {
  uilib::InsertElements(Control(), kind, column, position, count);
}

void UnitItemList::SetElemAttributeImage(int32_t kind, int32_t row, int32_t element, int32_t column, int32_t mask,
                                         int32_t flags, const ElemBox& b, int32_t reserved) {
  uilib::SetImageElementTemplate(Control(), kind, row, element, column, mask, flags, b.left, b.top, b.width, b.height,
                                 reserved);
}

void UnitItemList::SetElemAttributeText(int32_t kind, int32_t row, int32_t element, int32_t column, int32_t mask,
                                        int32_t flags, const ElemBox& b, int32_t reserved, const Bytes& font,
                                        int32_t format) {
  uilib::SetTextElementTemplate(Control(), kind, row, element, column, mask, flags, b.left, b.top, b.width, b.height,
                                reserved, font, format);
}

void UnitItemList::SetElemAttributeButton(int32_t kind, int32_t row, int32_t element, int32_t column,
                                          ExuiElemClickProc clickRoutine, int32_t flags, const ElemBox& b,
                                          int32_t reserved, const Bytes& skin, const Bytes& font) {
  uilib::SetButtonElementTemplate(Control(), kind, row, element, column, clickRoutine, flags, b.left, b.top, b.width,
                                  b.height, reserved, skin, font);
}

void UnitItemList::SetElemDataImage(int32_t kind, int32_t item, int32_t column, int32_t element, int32_t mask,
                                    int32_t display, int32_t state, int32_t image) {
  uilib::SetImageElementData(Control(), kind, item, column, element, mask, display, state, image);
}

void UnitItemList::SetElemDataText(int32_t kind, int32_t item, int32_t column, int32_t element, int32_t mask,
                                   int32_t display, int32_t state, const std::string& text, uint32_t colour) {
  uilib::SetTextElementData(Control(), kind, item, column, element, mask, display, state, text, colour);
}

void UnitItemList::SetElemDataButton(int32_t kind, int32_t item, int32_t column, int32_t element, int32_t mask,
                                     int32_t display, int32_t state, const std::string& caption, uint32_t colour,
                                     int32_t selected) {
  uilib::SetButtonElementData(Control(), kind, item, column, element, mask, display, state, caption, colour, selected);
}

std::string UnitItemList::GetElemDataText(int32_t kind, int32_t item, int32_t column, int32_t element, int32_t field) {
  return uilib::GetTextElementData(Control(), kind, item, column, element, field);
}

std::string UnitItemList::GetElemDataButton(int32_t kind, int32_t item, int32_t column, int32_t element,
                                            int32_t field) {
  return uilib::GetButtonElementData(Control(), kind, item, column, element, field);
}

int32_t UnitItemList::InsertItem(int32_t position) { return uilib::InsertListItem(Control(), position); }

int32_t UnitItemList::GetItemCount() {
  const int count = uilib::ListItemCount(Control());
  return count > 0 ? count : 0;
}

int32_t UnitItemList::LoadItemImage(const Bytes& bytes) { return bytes.empty() ? 0 : uilib::LoadSkinImage(bytes); }

void UnitItemList::DestroyItemImage(int32_t image) { uilib::DestroySkinImage(image); }

int32_t UnitItemList::GetItemWidth() {
  return uilib::GetSkinAttribute(SkinType::IcoListboxEx, Control(), EXUI_ATTR_ITEM_WIDTH);
}

void UnitItemList::SetItemWidth(int32_t width) {
  uilib::SetSkinAttribute(SkinType::IcoListboxEx, Control(), EXUI_ATTR_ITEM_WIDTH, width);
}

void UnitItemList::SetSize(int32_t width, int32_t height) {
  list_.SetWidth(width);
  list_.SetHeight(height);
}

void UnitItemList::SetVisible(bool visible) { list_.SetVisible(visible); }

void UnitItemList::SetFocus() { uilib::SetSkinFocus(Control()); }

void UnitProgressBar::MoveTo(int32_t left, int32_t top) {
  bar_.SetLeft(left);
  bar_.SetTop(top);
}

void UnitFrame::SetGroupBoxSize(int32_t width, int32_t height) {
  groupBox_.SetWidth(width);
  groupBox_.SetHeight(height);
}

void UnitFrame::FocusGroupBox() { uilib::SetSkinFocus(uilib::ControlOfWindow(groupBox_.hwnd())); }

void UnitFrame::SetDiskLabelPlace(int32_t top, int32_t width) {
  diskLabel_.SetTop(top);
  diskLabel_.SetWidth(width);
}

bool RuntimeDialogs::AskYesNo(const std::string& text, const std::string& caption) {
  return uilib::RuntimeMessageBox(text, MB_YESNO, caption) == IDYES;
}

void RuntimeDialogs::Notice(const std::string& text, const std::string& caption) {
  uilib::RuntimeMessageBox(text, MB_OK, caption);
}

bool ProcessToolStarter::Start(const std::string& commandLine) { return StartProcessFromCommandLine(commandLine); }

}  // namespace storvane
