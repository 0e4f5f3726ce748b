// The two questions every window of ours asks the system: at which DPI it is shown, and what
// its text is. Asked in one place, so the fallbacks for older systems are written once.
#pragma once

#include <windows.h>

#include <string>

namespace storvane {

// Whether the system keeps a DPI per window (GetDpiForWindow, Windows 10 1607 and later).
// Where it does not, every window is shown at the screen's DPI.
bool SystemHasWindowDpi();

// The window's DPI where the system tells it, else the screen's, else 96.
int DpiOfWindow(HWND window);

// The window's text (GetWindowTextW), whatever its length; empty for no window.
std::wstring WindowText(HWND window);

}  // namespace storvane
