// The memory floor beside the launcher: the least a program holds that shows a window drawn with
// GDI+ as the skin-UI library draws its windows (GDI+ started, a double-buffered paint with an
// anti-aliased fill, a line of text in the product's face and a 32-bit bitmap drawn scaled).
// bench/all.sh reads its private bytes and working set while it runs.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

namespace {

Gdiplus::Bitmap* g_picture = nullptr;

void Paint(HWND window, HDC dc) {
  RECT client{};
  GetClientRect(window, &client);
  Gdiplus::Bitmap frame(client.right, client.bottom, PixelFormat32bppARGB);
  {
    Gdiplus::Graphics graphics(&frame);
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
    Gdiplus::SolidBrush background(Gdiplus::Color(255, 246, 248, 250));
    graphics.FillRectangle(&background, 0, 0, client.right, client.bottom);
    Gdiplus::SolidBrush bar(Gdiplus::Color(255, 45, 140, 240));
    graphics.FillEllipse(&bar, 20, 20, 64, 64);
    Gdiplus::FontFamily family(L"Microsoft YaHei");
    Gdiplus::Font font(family.IsAvailable() ? &family : Gdiplus::FontFamily::GenericSansSerif(), 12,
                       Gdiplus::FontStyleRegular, Gdiplus::UnitPixel);
    Gdiplus::SolidBrush ink(Gdiplus::Color(255, 30, 30, 30));
    graphics.DrawString(L"\u5546\u5e97\u5de5\u5177 Storvane", -1, &font, Gdiplus::PointF(100, 40), &ink);
    if (g_picture != nullptr) graphics.DrawImage(g_picture, 20, 100, 48, 48);
  }
  Gdiplus::Graphics screen(dc);
  screen.DrawImage(&frame, 0, 0);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      Paint(window, dc);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return 1;
  g_picture = new Gdiplus::Bitmap(64, 64, PixelFormat32bppARGB);
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) g_picture->SetPixel(x, y, Gdiplus::Color(255, x * 4, y * 4, 128));
  }
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.lpszClassName = L"StorvaneGdiplusFloor";
  if (!RegisterClassExW(&windowClass)) return 1;
  HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"GDI+ window", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 900, 600, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  ShowWindow(window, show);
  UpdateWindow(window);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  delete g_picture;
  Gdiplus::GdiplusShutdown(token);
  return static_cast<int>(message.wParam);
}
