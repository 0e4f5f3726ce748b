// A small program the shell tests start as a separate process, for the behaviour that ends the
// process it runs in (the single-instance guard, KillProcess on itself, the relocation).
//
//   shell_probe instance <name> <stop-event> [message] [activate] [window]
//       claims <name>; a surviving copy (optionally showing a minimised window) waits for
//       <stop-event> and exits with kSurvivorExitCode.
//   shell_probe race <name> <stop-event> <arrived-semaphore> <go-event>
//       checks <name>, reports the check on <arrived-semaphore>, waits for <go-event>, then
//       claims; a copy that finds the name held exits with 0, a survivor as above.
//   shell_probe kill-self
//       KillProcess on itself; exits with kFellThroughExitCode if that came back.
//   shell_probe relocate <install-dir> <notice-file> <shortcut-name>
//       relocates itself; every message-box text is appended to <notice-file>.
//   shell_probe self-delete
//       writes and starts the self-delete script for itself, and ends.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "app/install_location.h"
#include "app/shell_probe_codes.h"
#include "app/single_instance.h"
#include "sys/kill_process.h"
#include "util/handles.h"
#include "util/win_text.h"

namespace storvane::probe {
namespace {

std::vector<std::string> Arguments() {
  int count = 0;
  LPWSTR* args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  std::vector<std::string> out;
  for (int i = 1; i < count; ++i) out.push_back(WideToGbk(args[i]));
  ::LocalFree(args);
  return out;
}

bool Has(const std::vector<std::string>& args, const char* flag) {
  for (size_t i = 3; i < args.size(); ++i) {
    if (args[i] == flag) return true;
  }
  return false;
}

LRESULT CALLBACK ProbeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcW(window, message, wParam, lParam);
}

UniqueWindow MakeProbeWindow() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = ProbeWindowProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"StorvaneShellProbe";
  ::RegisterClassW(&wc);
  UniqueWindow window(::CreateWindowExW(0, wc.lpszClassName, L"shell probe", WS_OVERLAPPEDWINDOW, 100, 100, 300, 200,
                                        nullptr, nullptr, wc.hInstance, nullptr));
  if (window) ::ShowWindow(window.get(), SW_SHOWMINIMIZED);
  return window;
}

// Serves window messages until `stop` is signalled (at most a minute).
void WaitForStop(HANDLE stop) {
  const HANDLE handles[] = {stop};
  const ULONGLONG deadline = ::GetTickCount64() + 60000;
  while (::GetTickCount64() < deadline) {
    const DWORD woke = ::MsgWaitForMultipleObjects(1, handles, FALSE, 100, QS_ALLINPUT);
    if (woke == WAIT_OBJECT_0) break;
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
  }
}

int RunInstance(const std::vector<std::string>& args) {
  if (args.size() < 3) return kUsageExitCode;
  std::string name = args[1];
  EnsureSingleInstance(name, Has(args, "message"), std::nullopt, MB_OK, Has(args, "activate"));

  UniqueWindow window;
  if (Has(args, "window")) window = MakeProbeWindow();
  UniqueHandle stop(::CreateEventW(nullptr, TRUE, FALSE, GbkToWide(args[2]).c_str()));
  // Serve the window while waiting, so another copy can bring it forward.
  WaitForStop(stop.get());
  return kSurvivorExitCode;
}

int RunRace(const std::vector<std::string>& args) {
  if (args.size() < 5) return kUsageExitCode;
  UniqueHandle stop(::CreateEventW(nullptr, TRUE, FALSE, GbkToWide(args[2]).c_str()));
  UniqueHandle arrived(::OpenSemaphoreW(SEMAPHORE_MODIFY_STATE, FALSE, GbkToWide(args[3]).c_str()));
  UniqueHandle go(::OpenEventW(SYNCHRONIZE, FALSE, GbkToWide(args[4]).c_str()));
  if (!arrived || !go) return kUsageExitCode;
  const InstanceClaim claim = ClaimInstanceName(args[1], [&] {
    ::ReleaseSemaphore(arrived.get(), 1, nullptr);
    ::WaitForSingleObject(go.get(), 30000);
  });
  if (claim == InstanceClaim::HeldElsewhere) return 0;
  WaitForStop(stop.get());
  return kSurvivorExitCode;
}

int RunRelocate(const std::vector<std::string>& args) {
  if (args.size() < 4) return kUsageExitCode;
  const std::string noticeFile = args[2];
  RelocationRequest request;
  request.runDir = GetRunDirectory();
  request.exeName = GetExecutableName();
  request.installDir = args[1];
  request.shortcutName = args[3];
  request.showMessage = [noticeFile](const std::string& text, const std::string& caption, UINT) {
    UniqueHandle file(::CreateFileW(GbkToWide(noticeFile).c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    const std::string record = caption + "|" + text;
    DWORD written = 0;
    if (file) ::WriteFile(file.get(), record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
    return IDOK;
  };
  RelocateIfNeeded(request);
  return kInstalledExitCode;
}

}  // namespace
}  // namespace storvane::probe

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  using namespace storvane;
  using namespace storvane::probe;
  const std::vector<std::string> args = Arguments();
  if (args.empty()) return kUsageExitCode;
  if (args[0] == "instance") return RunInstance(args);
  if (args[0] == "race") return RunRace(args);
  if (args[0] == "kill-self") {
    KillProcess();
    return kFellThroughExitCode;
  }
  if (args[0] == "relocate") return RunRelocate(args);
  if (args[0] == "self-delete") {
    ScheduleSelfDelete();
  }
  return kUsageExitCode;
}
