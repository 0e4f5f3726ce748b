#include "net/message_pump.h"

#include <algorithm>

namespace storvane::net {

void PumpPendingMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Swallowing it would leave the main loop running after the program asked to end.
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

bool WaitPumpingUntil(HANDLE done, uint64_t deadline) {
  for (;;) {
    const uint64_t now = GetTickCount64();
    const DWORD left = now >= deadline ? 0 : static_cast<DWORD>(std::min<uint64_t>(deadline - now, 0x7FFFFFFF));
    const DWORD woke = MsgWaitForMultipleObjects(1, &done, FALSE, left, QS_ALLINPUT);
    if (woke == WAIT_OBJECT_0) return true;
    if (woke != WAIT_OBJECT_0 + 1) return false;
    PumpPendingMessages();
  }
}

uint64_t DeadlineAfter(int milliseconds) {
  return GetTickCount64() + static_cast<uint64_t>(milliseconds > 0 ? milliseconds : 0);
}

}  // namespace storvane::net
