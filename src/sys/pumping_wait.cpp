#include "sys/pumping_wait.h"

#include <windows.h>

#include "util/handles.h"

namespace storvane {

void DispatchPendingMessages() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Swallowing it here would leave the thread's loop running after a close request.
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

bool PumpingWait(int milliseconds) {
  UniqueHandle timer(::CreateWaitableTimerW(nullptr, FALSE, nullptr));
  if (timer) {
    LARGE_INTEGER due;
    // Negative: relative to now, in 100-nanosecond units.
    due.QuadPart = -static_cast<LONGLONG>(milliseconds > 0 ? milliseconds : 0) * 10000;
    if (!::SetWaitableTimer(timer.get(), &due, 0, nullptr, nullptr, FALSE)) timer.reset();
  }
  if (timer) {
    HANDLE handles[] = {timer.get()};
    for (;;) {
      const DWORD woke = ::MsgWaitForMultipleObjects(1, handles, FALSE, INFINITE, 0xFF);
      if (woke == WAIT_OBJECT_0) break;
      // A failed wait would otherwise spin here for ever.
      if (woke == WAIT_FAILED) break;
      DispatchPendingMessages();
    }
  } else {
    // Without a timer, keep the same promise with a deadline of our own.
    const ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(milliseconds > 0 ? milliseconds : 0);
    for (;;) {
      const ULONGLONG now = ::GetTickCount64();
      if (now >= deadline) break;
      const DWORD woke = ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now), 0xFF);
      if (woke == WAIT_TIMEOUT || woke == WAIT_FAILED) break;
      DispatchPendingMessages();
    }
  }
  DispatchPendingMessages();
  return true;
}

}  // namespace storvane
