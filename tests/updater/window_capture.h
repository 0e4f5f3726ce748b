// Saves what a window shows on the screen as a PNG, for looking at the updater in a test run.
#pragma once

#include <windows.h>

#include <string>

namespace storvane::updater::testing {

// Copies the window's screen area and writes it to `pngPath`; false when anything fails.
bool SaveWindowPng(HWND window, const std::wstring& pngPath);

}  // namespace storvane::updater::testing
