#include "sys/process_finder.h"

#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include "sys/kill_process.h"
#include "sys/pumping_wait.h"
#include "util/handles.h"
#include "util/text.h"
#include "util/win_text.h"
#include "util/window.h"

namespace storvane {
namespace {

constexpr DWORD kSystemProcessId = 4;
constexpr char kToolWindowClass[] = "WTWindow";
constexpr DWORD kEndedProcessWaitMs = 5000;

std::string SlashesToBackslashes(std::string_view path) { return ReplaceText(path, "/", "\\"); }

std::string WideBufferToGbk(const wchar_t* buffer) { return WideToGbk(std::wstring_view(buffer)); }

std::string SystemDirectoryWithBackslash() {
  wchar_t buffer[256] = {};
  const UINT length = ::GetSystemDirectoryW(buffer, 255);
  if (length == 0 || length >= 255) return {};
  std::string dir = WideBufferToGbk(buffer);
  if (dir.empty() || dir.back() != '\\') dir += '\\';
  return dir;
}

std::string EnvironmentValue(const wchar_t* name) {
  wchar_t buffer[MAX_PATH] = {};
  const DWORD length = ::GetEnvironmentVariableW(name, buffer, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return WideBufferToGbk(buffer);
}

std::string DosDeviceOfDrive(std::string_view drive) {
  wchar_t buffer[MAX_PATH] = {};
  if (::QueryDosDeviceW(GbkToWide(drive).c_str(), buffer, MAX_PATH) == 0) return {};
  // The answer may list several targets; the first is the current one.
  return WideBufferToGbk(buffer);
}

// The image path as the system names it, asking only for the limited query right: a tool running
// elevated grants a program that is not no more than that, and neither its module list nor the
// full query right.
std::string ImagePathWithLimitedRight(DWORD processId) {
  UniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  if (!process) return {};
  wchar_t image[MAX_PATH] = {};
  DWORD length = MAX_PATH;
  if (!::QueryFullProcessImageNameW(process.get(), 0, image, &length) || length == 0) return {};
  return WideBufferToGbk(image);
}

// The image path through the kernel's device name, for processes whose modules cannot be
// listed (other bitness, protected).
std::string ImagePathByDevice(DWORD processId) {
  UniqueHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId));
  if (!process) return {};
  wchar_t image[MAX_PATH] = {};
  const DWORD length = ::GetProcessImageFileNameW(process.get(), image, MAX_PATH);
  process.reset();
  if (length == 0) return {};
  return MapDevicePathToDrive(WideBufferToGbk(image), DosDeviceOfDrive);
}

// Windows names files without regard to letter case: a tool opened through "D:\TOOLS\X.EXE" is
// the tool of "d:\tools\x.exe". Compared as the file system compares names, in UTF-16 without
// regard to the user's locale.
bool SameWindowsPath(std::string_view a, std::string_view b) {
  const std::wstring wa = GbkToWide(a);
  const std::wstring wb = GbkToWide(b);
  return ::CompareStringOrdinal(wa.c_str(), static_cast<int>(wa.size()), wb.c_str(), static_cast<int>(wb.size()),
                                TRUE) == CSTR_EQUAL;
}

// Runs `act` for every process whose image is the tool's path, in snapshot order, until it
// returns false.
template <typename Act>
void ForEachToolProcess(std::string_view toolFolder, std::string_view exeName, Act act) {
  const std::string toolPath = MakeToolPath(toolFolder, exeName);
  for (DWORD id : FindProcessIdsByExeName(exeName)) {
    const std::string image = SlashesToBackslashes(GetProcessImagePath(id));
    const bool keepGoing = image.empty() || !SameWindowsPath(image, toolPath) || act(id);
    DispatchPendingMessages();
    if (!keepGoing) return;
  }
}

// Waits until every process is gone or `timeoutMs` has passed, serving window messages
// meanwhile. True when all have ended.
bool WaitForProcessesToEnd(const std::vector<UniqueHandle>& processes, DWORD timeoutMs) {
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  for (const UniqueHandle& process : processes) {
    for (;;) {
      const ULONGLONG now = ::GetTickCount64();
      const DWORD remaining = now < deadline ? static_cast<DWORD>(deadline - now) : 0;
      HANDLE handle = process.get();
      const DWORD woke = ::MsgWaitForMultipleObjects(1, &handle, FALSE, remaining, QS_ALLINPUT);
      if (woke == WAIT_OBJECT_0) break;
      if (woke != WAIT_OBJECT_0 + 1) return false;  // timed out or failed
      DispatchPendingMessages();
    }
  }
  return true;
}

}  // namespace

std::string MakeToolPath(std::string_view toolFolder, std::string_view exeName) {
  return SlashesToBackslashes(ConcatTexts(toolFolder, "\\", exeName));
}

std::vector<DWORD> FindProcessIdsByExeName(std::string_view exeName) {
  std::vector<DWORD> ids;
  // Only the process list is walked, so only the process list is asked for.
  UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return ids;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
    if (CompareTextCase(WideBufferToGbk(entry.szExeFile), exeName, false) == 0) ids.push_back(entry.th32ProcessID);
  }
  return ids;
}

std::string GetProcessImagePath(DWORD processId) {
  if (processId == kSystemProcessId) return SystemDirectoryWithBackslash();
  if (std::string image = ImagePathWithLimitedRight(processId); !image.empty()) {
    return NormalizeModulePath(image, EnvironmentValue(L"SystemRoot"));
  }
  UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId));
  if (!snapshot) return ImagePathByDevice(processId);

  MODULEENTRY32W module{};
  module.dwSize = sizeof(module);
  if (!::Module32FirstW(snapshot.get(), &module)) return {};
  return NormalizeModulePath(WideBufferToGbk(module.szExePath), EnvironmentValue(L"SystemRoot"));
}

std::string NormalizeModulePath(std::string_view modulePath, std::string_view systemRoot) {
  if (StartsWith(modulePath, "\\SystemRoot")) {
    return ConcatTexts(systemRoot, ReplaceText(modulePath, "\\SystemRoot", ""));
  }
  if (StartsWith(modulePath, "\\??\\")) return ReplaceText(modulePath, "\\??\\", "");
  return std::string(modulePath);
}

std::string MapDevicePathToDrive(std::string_view imagePath,
                                 const std::function<std::string(std::string_view drive)>& deviceOfDrive) {
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const char drive[] = {letter, ':', '\0'};
    const std::string device = deviceOfDrive(drive);
    // A drive whose device cannot be read matches nothing (an empty prefix would match all).
    if (device.empty() || !StartsWith(imagePath, device)) continue;
    const std::string_view rest = imagePath.substr(device.size());
    if (!rest.empty() && rest.front() != '\\') continue;
    return ConcatTexts(drive, rest);
  }
  return {};
}

bool IsToolRunning(std::string_view toolFolder, std::string_view exeName) {
  bool running = false;
  ForEachToolProcess(toolFolder, exeName, [&](DWORD) {
    running = true;
    return false;
  });
  return running;
}

bool TerminateToolProcesses(std::string_view toolFolder, std::string_view exeName) {
  std::vector<UniqueHandle> ended;
  ForEachToolProcess(toolFolder, exeName, [&](DWORD id) {
    // Taken before the kill, so the id cannot name a new process by the time we wait.
    UniqueHandle process(::OpenProcess(SYNCHRONIZE, FALSE, id));
    if (KillProcess(id) && process) ended.push_back(std::move(process));
    return true;
  });
  // Terminating only starts the end: until the process is gone, its executable cannot be
  // replaced.
  return WaitForProcessesToEnd(ended, kEndedProcessWaitMs);
}

void ShowToolWindow(std::string_view toolFolder, std::string_view exeName) {
  ForEachToolProcess(toolFolder, exeName, [](DWORD id) {
    if (HWND window = FindTopWindowOfProcess(id)) {
      ::OpenIcon(window);
      ActivateWindowAcrossThreads(window);
      ::SetForegroundWindow(window);
    }
    return true;
  });
}

HWND FindTopWindowOfProcess(DWORD processId) {
  std::vector<HWND> windows;
  EnumChildWindowsByText(::GetDesktopWindow(), kToolWindowClass, "", windows, true);
  for (HWND window : windows) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == processId) return window;
    DispatchPendingMessages();
  }
  return nullptr;
}

HWND EnumChildWindowsByText(std::optional<HWND> parent, std::string_view classFilter, std::string_view titleFilter,
                            std::vector<HWND>& results, bool collectAll) {
  results.clear();
  const HWND root = parent.value_or(::GetDesktopWindow());
  for (HWND window = ::GetWindow(root, GW_CHILD); window != nullptr; window = ::GetWindow(window, GW_HWNDNEXT)) {
    bool match = true;
    if (!classFilter.empty()) {
      wchar_t className[50] = {};
      ::GetClassNameW(window, className, 50);
      match = FindText(WideBufferToGbk(className), classFilter, 1, true) > 0;
      DispatchPendingMessages();
    }
    if (match && !titleFilter.empty()) {
      match = FindText(WideToGbk(WindowText(window)), titleFilter, 1, true) > 0;
      DispatchPendingMessages();
    }
    if (!match) continue;
    if (!collectAll) return window;
    results.push_back(window);
  }
  return results.empty() ? nullptr : results.front();
}

HWND ActivateWindowAcrossThreads(HWND window) {
  const DWORD windowThread = ::GetWindowThreadProcessId(window, nullptr);
  const DWORD ownThread = ::GetCurrentThreadId();
  ::AttachThreadInput(windowThread, ownThread, TRUE);
  const HWND previous = ::SetActiveWindow(window);
  ::AttachThreadInput(windowThread, ownThread, FALSE);
  return previous;
}

}  // namespace storvane
