// A stand-in for one of the store-management tools the launcher installs and starts. Each
// build of this file is a differently named program (TOOL_TITLE, TOOL_ACCENT) so that the
// launcher's process finder has several tools to tell apart. Its top-level window class name
// contains "WTWindow", which is how the launcher recognises a tool's main window, and the window
// shows the argument the tool was started with ("quorlen" when the launcher opens it).
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "util/handles.h"

#ifndef TOOL_TITLE
#define TOOL_TITLE L"演示工具"
#endif
#ifndef TOOL_ACCENT
#define TOOL_ACCENT RGB(0x2D, 0x8C, 0xF0)
#endif

namespace storvane::demo {
namespace {

constexpr wchar_t kClassName[] = L"StorvaneDemoWTWindow";
constexpr int kClientWidth = 380;
constexpr int kClientHeight = 168;

struct ToolWindowState {
  std::wstring argument;  // empty when the tool was started without one
  UniqueFont titleFont;
  UniqueFont bodyFont;
  UniqueBrush accentBrush;
};

// The first argument after the program name, as the system split the command line.
std::wstring FirstArgument() {
  int count = 0;
  LPWSTR* args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (args == nullptr) return {};
  std::wstring first = count > 1 ? args[1] : L"";
  ::LocalFree(args);
  return first;
}

UniqueFont MakeFont(int pixelHeight, int weight) {
  return UniqueFont(::CreateFontW(-pixelHeight, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                                  DEFAULT_PITCH | FF_DONTCARE, L"微软雅黑"));
}

void DrawLine(HDC dc, HFONT font, COLORREF colour, const std::wstring& text, RECT box) {
  ScopedSelectObject select(dc, font);
  ::SetTextColor(dc, colour);
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box,
              DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
}

void Paint(HWND window, const ToolWindowState& state) {
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(window, &ps);
  RECT client;
  ::GetClientRect(window, &client);
  ::FillRect(dc, &client, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));

  // A slim accent bar on the left keeps the three builds visually apart.
  RECT bar{0, 0, 6, client.bottom};
  ::FillRect(dc, &bar, state.accentBrush.get());

  ::SetBkMode(dc, TRANSPARENT);
  DrawLine(dc, state.titleFont.get(), RGB(0x20, 0x20, 0x20), TOOL_TITLE, RECT{28, 22, client.right - 20, 58});
  const std::wstring argumentLine = L"启动参数：" + (state.argument.empty() ? std::wstring(L"（无）") : state.argument);
  DrawLine(dc, state.bodyFont.get(), RGB(0x60, 0x60, 0x60), argumentLine, RECT{28, 74, client.right - 20, 100});
  const std::wstring processLine = L"进程号：" + std::to_wstring(::GetCurrentProcessId());
  DrawLine(dc, state.bodyFont.get(), RGB(0x80, 0x80, 0x80), processLine, RECT{28, 104, client.right - 20, 130});
  ::EndPaint(window, &ps);
}

LRESULT CALLBACK ToolWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = reinterpret_cast<ToolWindowState*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_NCCREATE: {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
      ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
      break;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      if (state != nullptr) {
        Paint(window, *state);
        return 0;
      }
      break;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

int Run(HINSTANCE instance, int showCommand) {
  ToolWindowState state;
  state.argument = FirstArgument();
  state.titleFont = MakeFont(22, FW_SEMIBOLD);
  state.bodyFont = MakeFont(15, FW_NORMAL);
  state.accentBrush = UniqueBrush(::CreateSolidBrush(TOOL_ACCENT));

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = ToolWindowProc;
  wc.hInstance = instance;
  wc.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(1));
  wc.hIconSm = wc.hIcon;
  wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // the arrow cursor
  wc.lpszClassName = kClassName;
  if (::RegisterClassExW(&wc) == 0) return 1;

  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT frame{0, 0, kClientWidth, kClientHeight};
  ::AdjustWindowRectEx(&frame, style, FALSE, 0);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  const int x = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int y = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  HWND window =
      ::CreateWindowExW(0, kClassName, TOOL_TITLE, style, x, y, width, height, nullptr, nullptr, instance, &state);
  if (window == nullptr) return 1;
  ::ShowWindow(window, showCommand);
  ::UpdateWindow(window);

  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

}  // namespace
}  // namespace storvane::demo

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  return storvane::demo::Run(instance, showCommand);
}
