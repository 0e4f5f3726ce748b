#include "updater/progress_control.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <string>

#include "updater/accessible_control.h"
#include "updater/updater_paint.h"
#include "updater/updater_window.h"

namespace storvane::updater {
namespace {

struct ProgressState {
  int minimum = 0;
  int maximum = 100;
  int position = 0;
};

ProgressState* StateOf(HWND window) {
  return reinterpret_cast<ProgressState*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

LRESULT CALLBACK ProgressProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  ProgressState* state = StateOf(window);
  switch (message) {
    case WM_NCCREATE: {
      auto owned = std::make_unique<ProgressState>();
      ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owned.release()));
      break;
    }
    case WM_NCDESTROY:
      std::unique_ptr<ProgressState>(state).reset();
      ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      break;
    case PBM_SETRANGE32:
      if (state != nullptr) {
        const LRESULT previous = MAKELRESULT(state->minimum, state->maximum);
        state->minimum = static_cast<int>(wParam);
        state->maximum = std::max(state->minimum, static_cast<int>(lParam));
        state->position = std::clamp(state->position, state->minimum, state->maximum);
        ::InvalidateRect(window, nullptr, FALSE);
        return previous;
      }
      return 0;
    case PBM_SETPOS:
      if (state != nullptr) {
        const int previous = state->position;
        const int next = std::clamp(static_cast<int>(wParam), state->minimum, state->maximum);
        if (next != previous) {
          state->position = next;
          ::InvalidateRect(window, nullptr, FALSE);
        }
        return previous;
      }
      return 0;
    case PBM_GETPOS:
      return state != nullptr ? state->position : 0;
    case PBM_GETRANGE:
      if (state == nullptr) return 0;
      if (lParam != 0) {
        auto* range = reinterpret_cast<PBRANGE*>(lParam);
        range->iLow = state->minimum;
        range->iHigh = state->maximum;
      }
      return wParam != 0 ? state->minimum : state->maximum;
    case kGetAccessibleValue:
      if (state != nullptr && lParam != 0) {
        const int span = state->maximum - state->minimum;
        const int percent = span > 0 ? static_cast<int>(100LL * (state->position - state->minimum) / span) : 0;
        *reinterpret_cast<std::wstring*>(lParam) = std::to_wstring(percent) + L"%";
      }
      return 0;
    case WM_GETOBJECT: {
      LRESULT result = 0;
      if (AnswerAccessibleObjectRequest(window, AccessibleRole::ProgressBar, wParam, lParam, result)) {
        return result;
      }
      break;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = ::BeginPaint(window, &ps);
      RECT client;
      ::GetClientRect(window, &client);
      {
        PaintSurface surface(dc, client);
        FillRectColour(surface.dc(), client, kWindowColour);
        if (state != nullptr) {
          DrawProgressTrack(surface, client, state->position - state->minimum, state->maximum - state->minimum);
        }
      }
      ::EndPaint(window, &ps);
      return 0;
    }
    default:
      break;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

bool RegisterProgressControl(HINSTANCE instance) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = ProgressProc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)) /* IDC_ARROW */;
  wc.lpszClassName = kProgressWindowClass;
  return ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace storvane::updater
