#include "sys/pumping_wait.h"

#include <gtest/gtest.h>

#include <thread>

#include "util/handles.h"

namespace storvane {
namespace {

constexpr UINT kPing = WM_APP + 1;

// A message-only window that counts the pings dispatched to it.
class PingWindow {
public:
  PingWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"StorvanePingWindow";
    ::RegisterClassW(&wc);
    window_.reset(
        ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr));
    ::SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  HWND get() const { return window_.get(); }
  int pings() const { return pings_; }

private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kPing) {
      if (auto* self = reinterpret_cast<PingWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA))) ++self->pings_;
      return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
  }

  UniqueWindow window_;
  int pings_ = 0;
};

TEST(PumpingWait, DispatchesMessagesWhileItWaits) {
  PingWindow ping;
  ASSERT_NE(ping.get(), nullptr);
  ::PostMessageW(ping.get(), kPing, 0, 0);
  // A second message arrives in the middle of the wait, from another thread.
  std::thread poster([target = ping.get()] {
    ::Sleep(150);
    ::PostMessageW(target, kPing, 0, 0);
  });

  const ULONGLONG start = ::GetTickCount64();
  EXPECT_TRUE(PumpingWait(500));
  const ULONGLONG elapsed = ::GetTickCount64() - start;
  poster.join();

  EXPECT_EQ(ping.pings(), 2);
  EXPECT_GE(elapsed, 450u);
}

TEST(PumpingWait, ZeroWaitStillDispatchesWhatIsPending) {
  PingWindow ping;
  ::PostMessageW(ping.get(), kPing, 0, 0);
  ::PostMessageW(ping.get(), kPing, 0, 0);
  EXPECT_TRUE(PumpingWait(0));
  EXPECT_EQ(ping.pings(), 2);
}

TEST(PumpingWait, WorksOnAThreadWithoutWindows) {
  bool result = false;
  ULONGLONG elapsed = 0;
  std::thread worker([&] {
    const ULONGLONG start = ::GetTickCount64();
    result = PumpingWait(200);
    elapsed = ::GetTickCount64() - start;
  });
  worker.join();
  EXPECT_TRUE(result);
  EXPECT_GE(elapsed, 180u);
}

TEST(DispatchPendingMessages, KeepsAQuitRequestForTheThreadsLoop) {
  PingWindow ping;
  ::PostMessageW(ping.get(), kPing, 0, 0);
  ::PostQuitMessage(7);
  DispatchPendingMessages();
  EXPECT_EQ(ping.pings(), 1);

  MSG msg;
  ASSERT_TRUE(::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 7u);
}

}  // namespace
}  // namespace storvane
