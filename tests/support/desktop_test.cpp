// The end-to-end tests lean on this driver; these checks make sure it reads, clicks and
// answers exactly where it claims to, so a failing end-to-end test points at the product.
#include "support/desktop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace storvane::testing {
namespace {

std::atomic<int> g_clickX{-1}, g_clickY{-1};

LRESULT CALLBACK TargetProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_LBUTTONUP) {
    g_clickX = static_cast<short>(LOWORD(lp));
    g_clickY = static_cast<short>(HIWORD(lp));
    return 0;
  }
  return DefWindowProcW(w, m, wp, lp);
}

TEST(DesktopDriver, AnswersAMessageBoxAndReadsItsText) {
  std::atomic<int> answer{0};
  std::thread box([&] { answer = MessageBoxW(nullptr, L"是否关闭软件？", L"提示：", MB_YESNO | MB_TASKMODAL); });
  HWND dialog = WaitForDialog(L"提示：", 10s);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(DialogMessage(dialog), L"是否关闭软件？");
  EXPECT_TRUE(ClickDialogButton(dialog, IDNO));
  box.join();
  EXPECT_EQ(answer.load(), IDNO);
}

TEST(DesktopDriver, ClickLandsOnTheExactPixel) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = TargetProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"StorvaneClickTarget";
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  RegisterClassW(&wc);
  HWND w = CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"target", WS_POPUP | WS_VISIBLE, 101, 77, 300, 200,
                           nullptr, nullptr, wc.hInstance, nullptr);
  ASSERT_NE(w, nullptr);
  SetForegroundWindow(w);
  WaitUntil([] { return false; }, 200ms);
  ClickAt(101 + 37, 77 + 23);
  EXPECT_TRUE(WaitUntil([] { return g_clickX >= 0; }, 5s));
  EXPECT_EQ(g_clickX.load(), 37);
  EXPECT_EQ(g_clickY.load(), 23);
  DestroyWindow(w);
}

TEST(DesktopDriver, SavesAScreenshot) {
  const std::wstring path = ArtifactPath(L"driver_screen.png");
  DeleteFileW(path.c_str());
  ASSERT_TRUE(SaveScreenPng(path));
  const std::string png = ReadFileBytes(path);
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(png.substr(1, 3), "PNG");
}

}  // namespace
}  // namespace storvane::testing
