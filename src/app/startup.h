// The launcher's spine: how the process comes up, what the main window's creation handler
// checks and sets up before anyone sees the window, and how the user closes the program.
#pragma once

#include <cstdint>
#include <string>

#include "catalogue/catalogue.h"
#include "uilib/runtime.h"
#include "util/text.h"

namespace storvane {

inline constexpr char kProductName[] = "Storvane";
inline constexpr char kWebAddress[] = "www.storvane.example";
// The title label's design caption; the version suffix is appended at start.
inline constexpr char kTitleCaption[] = "Storvane 软件管家    www.storvane.example    用户交流群：86421357";
inline constexpr char kVersionSuffixPrefix[] = "    版本：V";

// What the whole process goes by. Read once by the start-up sequence, at its place in it (the
// install directory is made, so only after the single-instance check), and only read afterwards:
// each step that needs a value is handed it.
struct AppSettings {
  std::string installDir;  // no trailing backslash
  std::string ownVersion;  // kOwnVersion
  Bytes uiFont;            // font descriptor: "微软雅黑", 12
  // The version service (STORVANE_SERVICE_BASE) and the vendor's key (STORVANE_PUBLIC_KEY) the
  // build carries; no key: answers are trusted as they come. With a key, no answer published
  // before minPublished (STORVANE_MIN_PUBLISHED, Unix seconds) is taken. The self-update check
  // and the main window's catalogue both ask this one.
  VersionService service;
};

// Makes the install directory (GetInstallDir) and gathers the settings.
AppSettings ReadAppSettings();
// The settings' version service alone, which needs nothing made: the main window's catalogue is
// given it when the window is created, before the creation handler reads the rest.
VersionService BuiltInVersionService();

// Loads the skin-UI library, opens the main window and runs the message loop. Returns the
// loop's exit code (the program usually ends earlier, through KillProcess).
int StartProgram();

// Creation handler of the main window: runs before the window is shown.
void OnMainWindowCreated(uilib::Window& window);

// The user asked to close the main window: "是否关闭软件？". Yes ends the process at once with
// exit code 0 (tools started from the launcher keep running); No keeps the window.
bool OnMainWindowCloseQuery(uilib::Window& window);

}  // namespace storvane
