#include "catalogue/catalogue_controls.h"

#include "catalogue/item_actions.h"
#include "uilib/skin_commands.h"

namespace storvane {

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
