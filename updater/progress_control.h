// A flat progress bar in the product's look (rounded track, accent fill) that answers the
// common progress-bar messages, so other programs and tests can read it as they would any
// progress bar: PBM_SETRANGE32, PBM_SETPOS, PBM_GETPOS and PBM_GETRANGE.
#pragma once

#include <windows.h>

namespace storvane::updater {

// Registers the window class kProgressWindowClass; true when it is available.
bool RegisterProgressControl(HINSTANCE instance);

}  // namespace storvane::updater
