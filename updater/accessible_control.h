// Accessible objects (MSAA) for the updater's own controls: screen readers and tests get each
// control's name, role, state, value and default action, which the system's generic proxies do
// not give for owner-drawn controls everywhere.
#pragma once

#include <windows.h>

#include <string>

namespace storvane::updater {

enum class AccessibleRole { PushButton, Link, ProgressBar, StaticText };

// Sent by the accessible object to its control on the control's own thread: lParam points to a
// std::wstring that receives the control's accessible value (a link's address, a progress
// percentage). A control without a value leaves it empty.
inline constexpr UINT kGetAccessibleValue = WM_APP + 0x40;

// Answers WM_GETOBJECT for `control` when the request is for its client object; returns false
// (and leaves `result` alone) for any other request, which then goes to the default handling.
bool AnswerAccessibleObjectRequest(HWND control, AccessibleRole role, WPARAM wParam, LPARAM lParam, LRESULT& result);

}  // namespace storvane::updater
