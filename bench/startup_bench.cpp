// Start-up figures: the time from creating a process to its first visible top-level window,
// measured the same way for the installed launcher and for a bare Win32 window program.
//   startup_bench.exe <runs> <launcher.exe> <bare_window.exe>
// The launcher is first copied into its install directory (it would otherwise move itself
// there and end), so the version service it asks must be running. Runs alternate between the
// two programs; one warm-up run of each is not counted.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

struct WindowSearch {
  DWORD processId;
  bool found;
};

BOOL CALLBACK FindVisibleWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->processId && IsWindowVisible(window)) {
    search->found = true;
    return FALSE;
  }
  return TRUE;
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  static const double frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 / frequency;
}

std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L"\\/")); }

// Starts `program` in its own folder and times it until it shows a window; the process is
// ended afterwards. nullopt when it shows none within the time or cannot be started.
std::optional<double> TimeToWindow(const std::wstring& program) {
  std::wstring commandLine = L"\"" + program + L"\"";
  const std::wstring folder = FolderOf(program);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  LARGE_INTEGER begin, now;
  QueryPerformanceCounter(&begin);
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                      &startup, &info)) {
    return std::nullopt;
  }
  std::optional<double> elapsed;
  for (;;) {
    WindowSearch search{info.dwProcessId, false};
    EnumWindows(FindVisibleWindow, reinterpret_cast<LPARAM>(&search));
    QueryPerformanceCounter(&now);
    if (search.found) {
      elapsed = Milliseconds(begin, now);
      break;
    }
    if (Milliseconds(begin, now) > 60000.0 || WaitForSingleObject(info.hProcess, 0) == WAIT_OBJECT_0) break;
    Sleep(1);
  }
  TerminateProcess(info.hProcess, 0);
  WaitForSingleObject(info.hProcess, 10000);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return elapsed;
}

// Copies the launcher to the drive of the Windows directory + "\quorlen\storvane\zor".
std::wstring InstallLauncher(const std::wstring& built) {
  wchar_t windows[MAX_PATH] = {};
  GetWindowsDirectoryW(windows, MAX_PATH);
  std::wstring dir = std::wstring(windows, 2);
  for (const wchar_t* part : {L"\\quorlen", L"\\storvane", L"\\zor"}) {
    dir += part;
    CreateDirectoryW(dir.c_str(), nullptr);
  }
  const std::wstring target = dir + L"\\storvane.exe";
  return CopyFileW(built.c_str(), target.c_str(), FALSE) ? target : std::wstring();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: startup_bench <runs> <launcher.exe> <bare_window.exe>\n");
    return 2;
  }
  const int runs = std::max(1, _wtoi(argv[1]));
  const std::wstring launcher = InstallLauncher(argv[2]);
  const std::wstring bare = argv[3];
  if (launcher.empty()) {
    std::fprintf(stderr, "cannot install the launcher\n");
    return 1;
  }

  std::vector<double> launcherTimes, bareTimes;
  for (int run = 0; run <= runs; ++run) {
    const auto a = TimeToWindow(launcher);
    const auto b = TimeToWindow(bare);
    if (!a || !b) {
      std::fprintf(stderr, "run %d: %s showed no window\n", run, !a ? "the launcher" : "the bare window");
      return 1;
    }
    if (run == 0) {
      std::printf("warm-up launcher %.1f ms bare %.1f ms\n", *a, *b);
      continue;
    }
    launcherTimes.push_back(*a);
    bareTimes.push_back(*b);
    std::printf("run %d launcher %.1f ms bare %.1f ms\n", run, *a, *b);
  }
  std::printf("median_launcher_ms %.1f\n", Median(launcherTimes));
  std::printf("median_bare_ms %.1f\n", Median(bareTimes));
  return 0;
}
