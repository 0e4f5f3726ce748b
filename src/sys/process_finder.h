// Finding, showing and ending the processes of an installed tool.
//
// A tool is identified by the full path of its executable (tool folder + "\" + executable
// name), never by its name alone, so a program of the same name elsewhere on the machine is
// never touched. Paths are compared as Windows compares file names, without regard to letter
// case, after every "/" is turned into "\"; names are compared without regard to ASCII case,
// double-byte aware. Every loop here dispatches
// pending window messages as it goes, so other window events may run in the middle of a call.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace storvane {

// Ids of the processes whose executable file name equals `exeName` (case-insensitive), in the
// order of the system's process snapshot.
std::vector<DWORD> FindProcessIdsByExeName(std::string_view exeName);

// Full path of the process's executable, or the empty text when it cannot be read.
std::string GetProcessImagePath(DWORD processId);

// True when a process runs whose image is toolFolder + "\" + exeName.
bool IsToolRunning(std::string_view toolFolder, std::string_view exeName);

// Ends every process whose image is the tool's path and waits, at most 5 s, until those it ended
// are gone. False when one of them was still there after the wait.
bool TerminateToolProcesses(std::string_view toolFolder, std::string_view exeName);

// Restores and activates the tool window of every process whose image is the tool's path.
void ShowToolWindow(std::string_view toolFolder, std::string_view exeName);

// The first top-level tool window (class name containing "WTWindow") owned by the process, in
// z-order, or null.
HWND FindTopWindowOfProcess(DWORD processId);

// Walks the children of `parent` (the desktop when not given) in z-order. A window matches when
// its class name contains `classFilter` and its text contains `titleFilter` (both ignoring
// ASCII case; an empty filter matches everything). Without `collectAll` the walk stops at the
// first match; with it every match is appended. `results` is emptied first. Returns the first
// window of `results` or the first match, null when there is none.
HWND EnumChildWindowsByText(std::optional<HWND> parent, std::string_view classFilter, std::string_view titleFilter,
                            std::vector<HWND>& results, bool collectAll);

// Activates a window that may belong to another thread by attaching that thread's input to
// ours for the call. Returns what SetActiveWindow returned.
HWND ActivateWindowAcrossThreads(HWND window);

// ---- the pure parts of GetProcessImagePath, open for tests ----------------------------------

// Turns a module path as the system reports it into an ordinary path: "\SystemRoot..." is
// rooted at `systemRoot`, "\??\" prefixes are dropped, anything else is returned unchanged.
std::string NormalizeModulePath(std::string_view modulePath, std::string_view systemRoot);

// Maps a device path ("\Device\HarddiskVolume1\x\t.exe") to a drive path ("C:\x\t.exe") by
// asking `deviceOfDrive` for the device name behind each drive "A:" to "Z:" in turn. The
// device name must be followed by "\" in the image, so that volume 1 never claims a path on
// volume 10. Empty when no drive matches.
std::string MapDevicePathToDrive(std::string_view imagePath,
                                 const std::function<std::string(std::string_view drive)>& deviceOfDrive);

// Tool path as compared: folder + "\" + executable with every "/" turned into "\".
std::string MakeToolPath(std::string_view toolFolder, std::string_view exeName);

}  // namespace storvane
