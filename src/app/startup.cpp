#include "app/startup.h"

#include <windows.h>

#include "app/disk_space.h"
#include "app/install_location.h"
#include "app/main_window.h"
#include "app/self_update.h"
#include "app/single_instance.h"
#include "catalogue/catalogue_window.h"
#include "catalogue/font_descriptor.h"
#include "catalogue/item_menu.h"
#include "sys/kill_process.h"
#include "uilib/loader.h"
#include "uilib/locate.h"

namespace storvane {

std::string g_installDir;
std::string g_freeSpaceGbText;
Bytes g_uiFont;

namespace {

void SetUnitCaption(const char* unit, const std::string& caption) {
  if (uilib::Unit* u = MainWindowUnit(unit)) u->SetCaption(caption);
}

void ShowFreeSpaceLine() {
  const char drive = g_installDir.empty() ? 'C' : g_installDir[0];
  const FreeSpaceLine line = MakeFreeSpaceLine(QueryFreeKilobytes(drive), drive);
  g_freeSpaceGbText = line.gigabytesText;
  SetUnitCaption(kDiskLabelUnit, line.caption);
}

}  // namespace

void OnMainWindowCreated() {
  // A second launcher ends here, silently, before it touches anything.
  std::string instanceName = ConcatTexts(kProductName, kWebAddress);
  EnsureSingleInstance(instanceName, false, std::nullopt, 0, false);

  SetUpItemTemplate();
  g_installDir = GetInstallDir();
  ShowFreeSpaceLine();

  g_uiFont = MakeFontDescriptor("微软雅黑", 12, 0, 0, 0, 0);
  CreateItemMenu(g_uiFont);

  // A copy started anywhere else moves itself into the install directory and ends here.
  RelocationRequest relocation;
  relocation.runDir = GetRunDirectory();
  relocation.exeName = GetExecutableName();
  relocation.installDir = g_installDir;
  relocation.shortcutName = kProductName;
  RelocateIfNeeded(relocation);

  WriteUpdaterExecutable(relocation.runDir);

  if (uilib::Unit* title = MainWindowUnit(kTitleUnit)) {
    title->SetCaption(ConcatTexts(title->Caption(), kVersionSuffixPrefix, kOwnVersion));
  }

  LaunchUpdaterIfNeeded(CheckForUpdate(kSelfUpdateKey), kOwnVersion);
}

bool OnMainWindowCloseQuery() {
  if (uilib::RuntimeMessageBox("是否关闭软件？", MB_YESNO, "提示：") == IDYES) {
    KillProcess();
  }
  return false;
}

int StartProgram() {
  // The library is taken from the copy carried in the program; without it the skinned units
  // show the missing-library warning when they are created.
  uilib::LoadUiLibrary("", {}, &uilib::LocateUiLibrary);
  if (uilib::LoadWindow(MainWindowDesign()) == nullptr) return 1;
  return uilib::RunMessageLoop();
}

}  // namespace storvane
