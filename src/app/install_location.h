// The launcher lives in one fixed directory on the system drive. A copy started from anywhere
// else copies itself there, puts a shortcut on the desktop, tells the user, leaves a small
// script behind that deletes the old copy once the program has ended, and ends.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace storvane {

// The system drive joined with "\quorlen\storvane\zor", no trailing backslash. Creates the three
// directory levels on the way (existing ones and failures are ignored).
std::string GetInstallDir();

// The install directory for a Windows directory such as "D:\Windows": its drive part joined
// with "\quorlen\storvane\zor".
std::string InstallDirForWindowsDir(std::string_view windowsDir);

// Directory of the running executable without a trailing backslash, and its file name.
std::string GetRunDirectory();
std::string GetExecutableName();

// The program counts as installed when its run directory or a folder above it is the install
// directory, whatever the spelling (letter case, a short 8.3 name, "/" for "\\"): decided by file
// identity alone. False when either cannot be opened.
bool IsInsideInstallDir(std::string_view runDir, std::string_view installDir);

// The five lines of the self-delete script for `exeName` in `dirWithBackslash`: wait a second,
// delete the executable, delete the script itself.
std::string SelfDeleteScriptText(std::string_view dirWithBackslash, std::string_view exeName);

// Writes "tem.vbs" into `runDir` (hidden, in the system's ANSI code page) and returns its path,
// or the empty text when it could not be written.
std::string WriteSelfDeleteScript(std::string_view runDir, std::string_view exeName);

// Hands a script to the system's script host (shell verb "Open", normal window). False when the
// shell could not find the file.
bool StartSelfDeleteScript(std::string_view scriptPath);

// Writes and starts the self-delete script for the running executable, then ends the program
// (exit code 0) so that the file is free when the script deletes it.
[[noreturn]] void ScheduleSelfDelete();
[[noreturn]] void ScheduleSelfDelete(std::string_view runDir, std::string_view exeName);

// Shows a message box: text, caption, type flags; returns the button pressed.
using MessageBoxSeam = std::function<int(const std::string& text, const std::string& caption, UINT type)>;

// A task-modal system message box.
int ShowTaskModalMessage(const std::string& text, const std::string& caption, UINT type);

struct RelocationRequest {
  std::string runDir;        // directory of the running copy, no trailing backslash
  std::string exeName;       // its file name
  std::string installDir;    // where it must live (AppSettings::installDir)
  std::string shortcutName;  // name of the desktop shortcut: the main window's caption
  MessageBoxSeam showMessage = ShowTaskModalMessage;
};

// Returns at once when the program runs from inside the install directory (IsInsideInstallDir)
// or its executable already is the file at the destination. Otherwise copies
// the executable there, and, only when the copy is complete (the new file exists with the same
// size), creates the desktop shortcut, tells the user, removes "up.exe" from the old directory,
// schedules the old copy's deletion and ends. When the copy fails the user is told so, nothing
// is deleted, and the program ends too. Never returns in these cases.
void RelocateIfNeeded(const RelocationRequest& request);

// The notices shown by RelocateIfNeeded.
std::string RelocatedNotice(std::string_view installDir);
std::string RelocationFailedNotice(std::string_view installDir);

}  // namespace storvane
