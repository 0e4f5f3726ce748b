#include "updater/window_capture.h"

#include "updater/gdiplus_owners.h"

namespace storvane::updater::testing {

bool SaveWindowPng(HWND window, const std::wstring& pngPath) {
  RECT r{};
  if (!GetWindowRect(window, &r)) return false;
  const int width = r.right - r.left, height = r.bottom - r.top;
  UniqueWindowDc screen = UniqueWindowDc::FromWindow(nullptr);
  UniqueMemoryDc memory(CreateCompatibleDC(screen.get()));
  UniqueBitmap bitmap(CreateCompatibleBitmap(screen.get(), width, height));
  if (!screen || !memory || !bitmap) return false;
  {
    ScopedSelectObject selected(memory.get(), bitmap.get());
    if (!BitBlt(memory.get(), 0, 0, width, height, screen.get(), r.left, r.top, SRCCOPY)) return false;
  }
  GdiplusSession gdiplus;
  if (!gdiplus.ok()) return false;
  Gdiplus::GpBitmap* image = nullptr;
  if (Gdiplus::DllExports::GdipCreateBitmapFromHBITMAP(bitmap.get(), nullptr, &image) != Gdiplus::Ok) return false;
  UniqueGdipImage owned(image);
  // The PNG encoder of the system's imaging library.
  const CLSID png = {0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
  return Gdiplus::DllExports::GdipSaveImageToFile(owned.get(), pngPath.c_str(), &png, nullptr) == Gdiplus::Ok;
}

}  // namespace storvane::updater::testing
