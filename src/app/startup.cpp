#include "app/startup.h"

#include <windows.h>

#include "app/disk_space.h"
#include "app/install_location.h"
#include "app/main_window.h"
#include "app/self_update.h"
#include "app/single_instance.h"
#include "catalogue/catalogue_window.h"
#include "catalogue/font_descriptor.h"
#include "sys/kill_process.h"
#include "uilib/loader.h"
#include "uilib/locate.h"

// The version service and the vendor's public key, in the form tools/publish.py prints (empty
// for a build without one).
#ifndef STORVANE_SERVICE_BASE
#error "STORVANE_SERVICE_BASE must name the version service"
#endif
#ifndef STORVANE_PUBLIC_KEY
#error "STORVANE_PUBLIC_KEY must be defined, empty for a build that checks no signatures"
#endif
// The oldest publication time (Unix seconds) a build with a key takes, whatever its records say.
#ifndef STORVANE_MIN_PUBLISHED
#error "STORVANE_MIN_PUBLISHED must be defined, 0 for no minimum"
#endif

namespace storvane {
namespace {

void ShowFreeSpaceLine(uilib::Window& window, const std::string& installDir) {
  const char drive = installDir.empty() ? 'C' : installDir[0];
  const FreeSpaceLine line = MakeFreeSpaceLine(QueryFreeKilobytes(drive), drive);
  if (uilib::Unit* label = window.FindUnit(kDiskLabelUnit)) label->SetCaption(line.caption);
}

}  // namespace

VersionService BuiltInVersionService() {
  return VersionService{STORVANE_SERVICE_BASE, net::AnswerKeyFromText(STORVANE_PUBLIC_KEY), STORVANE_MIN_PUBLISHED};
}

AppSettings ReadAppSettings() {
  return AppSettings{GetInstallDir(), kOwnVersion, MakeFontDescriptor("微软雅黑", 12, 0, 0, 0, 0),
                     BuiltInVersionService()};
}

void OnMainWindowCreated(uilib::Window& window) {
  // A second launcher ends here, silently, before it touches anything.
  std::string instanceName = ConcatTexts(kProductName, kWebAddress);
  EnsureSingleInstance(instanceName, false, std::nullopt, 0, false);

  MainWindowCatalogue* catalogue = MainWindowCatalogue::Of(window);
  if (catalogue != nullptr) catalogue->SetUpItemTemplate();
  const AppSettings settings = ReadAppSettings();
  ShowFreeSpaceLine(window, settings.installDir);
  if (catalogue != nullptr) {
    catalogue->CreateItemMenu(settings.uiFont);
  }

  // A copy started anywhere else moves itself into the install directory and ends here.
  RelocationRequest relocation;
  relocation.runDir = GetRunDirectory();
  relocation.exeName = GetExecutableName();
  relocation.installDir = settings.installDir;
  relocation.shortcutName = kProductName;
  RelocateIfNeeded(relocation);

  WriteUpdaterExecutable(relocation.runDir);

  if (uilib::Unit* title = window.FindUnit(kTitleUnit)) {
    title->SetCaption(ConcatTexts(title->Caption(), kVersionSuffixPrefix, settings.ownVersion));
  }

  const VersionService& service = settings.service;
  LaunchUpdaterIfNeeded(
      CheckForUpdate(kSelfUpdateKey, service.base, service.answerKey, service.minPublished, relocation.runDir),
      settings.ownVersion);
}

bool OnMainWindowCloseQuery(uilib::Window&) {
  if (uilib::RuntimeMessageBox("是否关闭软件？", MB_YESNO, "提示：") == IDYES) {
    KillProcess();
  }
  return false;
}

int StartProgram() {
  // The library is taken from the copy carried in the program; without it the skinned units
  // show the missing-library warning when they are created.
  uilib::LoadUiLibrary("", {}, &uilib::LocateUiLibrary);
  if (uilib::LoadWindow(MainWindowDesign(), nullptr, MainWindowCatalogue::MakerFor(BuiltInVersionService())) == nullptr)
    return 1;
  return uilib::RunMessageLoop();
}

}  // namespace storvane
