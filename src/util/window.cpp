#include "util/window.h"

#include "util/handles.h"

namespace storvane {
namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

GetDpiForWindowFn GetDpiForWindowEntry() {
  // Looked up by name: importing it would keep the program from starting before Windows 10.
  static const auto entry = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  return entry;
}

}  // namespace

bool SystemHasWindowDpi() { return GetDpiForWindowEntry() != nullptr; }

int DpiOfWindow(HWND window) {
  if (window != nullptr && SystemHasWindowDpi()) {
    if (const UINT dpi = GetDpiForWindowEntry()(window); dpi != 0) return static_cast<int>(dpi);
  }
  const UniqueWindowDc screen = UniqueWindowDc::FromWindow(nullptr);
  const int dpi = screen ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
  return dpi > 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
}

std::wstring WindowText(HWND window) {
  if (window == nullptr) return {};
  const int length = ::GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
  const int got = ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return text;
}

}  // namespace storvane
