// Start-up figures (bench/all.sh runs them).
//
//   startup_bench.exe <runs> <launcher.exe> <bare_window.exe>
// The time from creating a process to its first visible top-level window, measured the same way
// for the installed launcher and for a bare Win32 window program. The launcher is first copied
// into its install directory (it would otherwise move itself there and end), so the version
// service it asks must be running. Runs alternate between the two programs; one warm-up run of
// each is not counted. When the launcher writes its log file (STORVANE_LOG set), each run also
// reports when, counted from the process's creation, the log says the version query and the
// catalogue request were answered.
//
//   startup_bench.exe steps <ExuiKrnln.dll> <up.exe> <version address>
// The launcher's start-up steps as far as they can be taken outside it, each timed, in this
// fresh process and in the launcher's order: loading the skin-UI library (here by the system
// loader from its file; the launcher maps its carried copy itself), claiming a named event as
// the single-instance guard does, writing up.exe beside the program, and the version query
// with the reading of its answer.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "net/decode.h"
#include "net/http_fetch.h"
#include "util/com.h"
#include "util/json_document.h"
#include "util/win_text.h"

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

// Local wall-clock time in 100 ns units, the clock the launcher's log lines carry.
long long LocalNow() {
  FILETIME utc, local;
  GetSystemTimePreciseAsFileTime(&utc);
  FileTimeToLocalFileTime(&utc, &local);
  return static_cast<long long>((static_cast<unsigned long long>(local.dwHighDateTime) << 32) | local.dwLowDateTime);
}

std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L"\\/")); }

struct Started {
  double toWindowMs = 0;
  DWORD processId = 0;
  long long localStart = 0;
};

// Starts `program` in its own folder and times it until it shows a window; the process is
// ended afterwards, `lingerMs` after its window came. nullopt when it shows none within the time or
// cannot be started.
std::optional<Started> TimeToWindow(const std::wstring& program, DWORD lingerMs = 0) {
  std::wstring commandLine = L"\"" + program + L"\"";
  const std::wstring folder = FolderOf(program);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  LARGE_INTEGER begin, now;
  Started started;
  started.localStart = LocalNow();
  QueryPerformanceCounter(&begin);
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                      &startup, &info)) {
    return std::nullopt;
  }
  started.processId = info.dwProcessId;
  std::optional<Started> result;
  for (;;) {
    WindowSearch search{info.dwProcessId, false};
    EnumWindows(FindVisibleWindow, reinterpret_cast<LPARAM>(&search));
    QueryPerformanceCounter(&now);
    if (search.found) {
      started.toWindowMs = Milliseconds(begin, now);
      result = started;
      break;
    }
    if (Milliseconds(begin, now) > 60000.0 || WaitForSingleObject(info.hProcess, 0) == WAIT_OBJECT_0) break;
    Sleep(1);
  }
  if (result && lingerMs > 0) Sleep(lingerMs);
  TerminateProcess(info.hProcess, 0);
  WaitForSingleObject(info.hProcess, 10000);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return result;
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
  if (values.empty()) return -1;
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

std::wstring LogPath() {
  wchar_t folder[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
  return std::wstring(folder, length) + L"storvane.log";
}

// "YYYY-MM-DD HH:MM:SS.mmm [pid:tid] text" -> local time in 100 ns units, pid, text.
struct LogLine {
  long long local = 0;
  DWORD processId = 0;
  std::string text;
};

std::string ReadWholeFile(const std::wstring& path) {
  std::string bytes;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  char chunk[65536];
  DWORD read = 0;
  while (ReadFile(file, chunk, sizeof chunk, &read, nullptr) && read > 0) bytes.append(chunk, read);
  CloseHandle(file);
  return bytes;
}

std::vector<LogLine> ReadLog() {
  std::vector<LogLine> lines;
  std::istringstream in(ReadWholeFile(LogPath()));
  std::string line;
  while (std::getline(in, line)) {
    SYSTEMTIME t{};
    unsigned year, month, day, hour, minute, second, ms;
    unsigned long pid, tid;
    int consumed = 0;
    if (std::sscanf(line.c_str(), "%u-%u-%u %u:%u:%u.%u [%lu:%lu] %n", &year, &month, &day, &hour, &minute, &second,
                    &ms, &pid, &tid, &consumed) != 9) {
      continue;
    }
    t.wYear = static_cast<WORD>(year);
    t.wMonth = static_cast<WORD>(month);
    t.wDay = static_cast<WORD>(day);
    t.wHour = static_cast<WORD>(hour);
    t.wMinute = static_cast<WORD>(minute);
    t.wSecond = static_cast<WORD>(second);
    t.wMilliseconds = static_cast<WORD>(ms);
    FILETIME f;
    if (!SystemTimeToFileTime(&t, &f)) continue;
    lines.push_back(
        {static_cast<long long>((static_cast<unsigned long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime),
         static_cast<DWORD>(pid), line.substr(static_cast<size_t>(consumed))});
  }
  return lines;
}

// Milliseconds from the process's creation to its first log line containing `what`; -1 if none.
double LoggedAfter(const std::vector<LogLine>& log, const Started& run, const char* what) {
  for (const LogLine& line : log) {
    if (line.processId == run.processId && line.text.find(what) != std::string::npos) {
      return static_cast<double>(line.local - run.localStart) / 1e4;
    }
  }
  return -1;
}

int Runs(int runs, const std::wstring& built, const std::wstring& bare) {
  const std::wstring launcher = InstallLauncher(built);
  if (launcher.empty()) {
    std::fprintf(stderr, "cannot install the launcher\n");
    return 1;
  }
  const bool logging = GetEnvironmentVariableW(L"STORVANE_LOG", nullptr, 0) > 0;
  if (logging) DeleteFileW(LogPath().c_str());

  std::vector<Started> launcherRuns;
  std::vector<double> launcherTimes, bareTimes;
  for (int run = 0; run <= runs; ++run) {
    // With the log on, the launcher lives on until its catalogue request has reached the log.
    const auto a = TimeToWindow(launcher, logging ? 1500 : 0);
    const auto b = TimeToWindow(bare);
    if (!a || !b) {
      std::fprintf(stderr, "run %d: %s showed no window\n", run, !a ? "the launcher" : "the bare window");
      return 1;
    }
    if (run == 0) {
      std::printf("warm-up launcher %.1f ms bare %.1f ms\n", a->toWindowMs, b->toWindowMs);
      continue;
    }
    launcherRuns.push_back(*a);
    launcherTimes.push_back(a->toWindowMs);
    bareTimes.push_back(b->toWindowMs);
  }
  const std::vector<LogLine> log = logging ? ReadLog() : std::vector<LogLine>();
  std::vector<double> versionTimes, catalogueTimes;
  for (size_t i = 0; i < launcherRuns.size(); ++i) {
    const double version = LoggedAfter(log, launcherRuns[i], "/api/single/");
    const double catalogue = LoggedAfter(log, launcherRuns[i], "/api/group/");
    std::printf("run %zu launcher %.1f ms bare %.1f ms", i + 1, launcherTimes[i], bareTimes[i]);
    if (logging) std::printf(" version_answered %.0f ms catalogue_answered %.0f ms", version, catalogue);
    std::printf("\n");
    if (version >= 0) versionTimes.push_back(version);
    if (catalogue >= 0) catalogueTimes.push_back(catalogue);
  }
  std::printf("median_launcher_ms %.1f\n", Median(launcherTimes));
  std::printf("median_bare_ms %.1f\n", Median(bareTimes));
  if (logging) {
    std::printf("median_version_answered_ms %.0f\n", Median(versionTimes));
    std::printf("median_catalogue_answered_ms %.0f\n", Median(catalogueTimes));
  }
  return 0;
}

int Steps(const std::wstring& library, const std::wstring& updater, const std::wstring& versionAddress) {
  const std::string updaterBytes = ReadWholeFile(updater);
  if (updaterBytes.empty()) return 1;
  LARGE_INTEGER t0, t1;
  auto step = [&](const char* name, auto&& body) {
    QueryPerformanceCounter(&t0);
    const bool ok = body();
    QueryPerformanceCounter(&t1);
    std::printf("%s_ms %.2f\n", name, ok ? Milliseconds(t0, t1) : -1.0);
    return ok;
  };
  step("load_library", [&] { return LoadLibraryW(library.c_str()) != nullptr; });
  step("instance_claim", [&] {
    wchar_t name[64];
    std::swprintf(name, 64, L"storvane-bench-%lu", GetCurrentProcessId());
    if (HANDLE existing = OpenEventW(EVENT_ALL_ACCESS, FALSE, name)) CloseHandle(existing);
    return CreateEventW(nullptr, FALSE, FALSE, name) != nullptr;  // held until the process ends
  });
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, temp);
  wchar_t target[MAX_PATH + 64];
  std::swprintf(target, MAX_PATH + 64, L"%lsstorvane-bench-up-%lu.exe", temp, GetCurrentProcessId());
  step("write_updater", [&] {
    HANDLE file = CreateFileW(target, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, updaterBytes.data(), static_cast<DWORD>(updaterBytes.size()), &written, nullptr) &&
                    written == updaterBytes.size();
    CloseHandle(file);
    return ok;
  });
  DeleteFileW(target);
  storvane::ComInit com;
  std::string body;
  step("version_fetch", [&] {
    body = storvane::net::HttpFetch(storvane::WideToGbk(versionAddress));
    return !body.empty();
  });
  step("version_read", [&] {
    storvane::JsonDocument document = storvane::CreateJsonDocument();
    const bool ok = document.Parse(storvane::net::Utf8ToLocal(body), false) &&
                    !document.GetText("data[0].soft_version", false).empty();
    document.Destroy();
    return ok;
  });
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 5 && std::wcscmp(argv[1], L"steps") == 0) return Steps(argv[2], argv[3], argv[4]);
  if (argc != 4) {
    std::fprintf(stderr,
                 "usage: startup_bench <runs> <launcher.exe> <bare_window.exe>\n"
                 "       startup_bench steps <ExuiKrnln.dll> <up.exe> <version address>\n");
    return 2;
  }
  return Runs(std::max(1, _wtoi(argv[1])), argv[2], argv[3]);
}
