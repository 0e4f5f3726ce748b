// The launcher's spine: how the process comes up, what the main window's creation handler
// checks and sets up before anyone sees the window, and how the user closes the program.
#pragma once

#include <string>

#include "util/text.h"

namespace storvane {

// Process-wide values the creation handler sets.
extern std::string g_installDir;       // install directory, no trailing backslash
extern std::string g_freeSpaceGbText;  // free space of the install drive in GB, unrounded
extern Bytes g_uiFont;                 // font descriptor: "微软雅黑", 12

inline constexpr char kProductName[] = "Storvane";
inline constexpr char kWebAddress[] = "www.storvane.example";
// The title label's design caption; the version suffix is appended at start.
inline constexpr char kTitleCaption[] = "Storvane 软件管家    www.storvane.example    用户交流群：86421357";
inline constexpr char kVersionSuffixPrefix[] = "    版本：V";

// Loads the skin-UI library, opens the main window and runs the message loop. Returns the
// loop's exit code (the program usually ends earlier, through KillProcess).
int StartProgram();

// Creation handler of the main window: runs before the window is shown.
void OnMainWindowCreated();

// The user asked to close the main window: "是否关闭软件？". Yes ends the process at once with
// exit code 0 (tools started from the launcher keep running); No keeps the window.
bool OnMainWindowCloseQuery();

}  // namespace storvane
