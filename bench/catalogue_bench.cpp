// Figures for the catalogue benchmark (bench/catalogue_bench.sh), one mode per run:
//   catalogue_bench download <url> <file> <runs>   DownloadToFile into <file>, each run timed
//   catalogue_bench fill <launcher.exe> <items>    start the launcher, time until <items> are listed
//   catalogue_bench cpu <seconds>                  CPU time of the running launcher over a window
//   catalogue_bench memory                         working set of the running launcher
//   catalogue_bench end                            end the launcher started by "fill"
// Lines are "key value" so the script can pick them up.
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/launcher_driver.h"
#include "net/download_to_file.h"
#include "util/handles.h"
#include "util/win_text.h"

namespace storvane::bench {
namespace {

using Clock = std::chrono::steady_clock;
using testing::LauncherDriver;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

DWORD FindLauncher() {
  UniqueHandle snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snap) return 0;
  PROCESSENTRY32W e{};
  e.dwSize = sizeof e;
  for (BOOL ok = Process32FirstW(snap.get(), &e); ok; ok = Process32NextW(snap.get(), &e)) {
    if (_wcsicmp(e.szExeFile, L"storvane.exe") == 0) return e.th32ProcessID;
  }
  return 0;
}

double CpuMs(HANDLE process) {
  FILETIME created, ended, kernel, user;
  if (!GetProcessTimes(process, &created, &ended, &kernel, &user)) return -1;
  auto ms = [](const FILETIME& f) {
    return static_cast<double>((static_cast<unsigned long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 1e4;
  };
  return ms(kernel) + ms(user);
}

int Download(const std::string& url, const std::string& file, int runs) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    long long bytes = 0;
    std::string message;
    const auto start = Clock::now();
    const int result = DownloadToFile(
        url, file, [&](int32_t, int32_t, int32_t, int32_t received) { bytes = received; }, 0, false,
        [&](const std::string& m) { message = m; });
    const double ms = MsSince(start);
    std::printf("run %d result %d bytes %lld ms %.1f%s%s\n", i + 1, result, bytes, ms,
                message.empty() ? "" : " message ", message.c_str());
    if (result != 0) return 1;
    times.push_back(ms);
  }
  std::sort(times.begin(), times.end());
  std::printf("median_ms %.1f\n", times[times.size() / 2]);
  return 0;
}

int Fill(const std::wstring& launcher, size_t items) {
  const auto start = Clock::now();
  LauncherDriver driver;
  if (!driver.Start(launcher)) return 1;
  const double windowMs = MsSince(start);
  // The list is shown only once it is complete; poll it cheaply.
  if (!driver.WaitForItems(items, std::chrono::minutes(5))) return 1;
  std::printf("window_ms %.0f\nlisted_ms %.0f\nfill_ms %.0f\n", windowMs, MsSince(start), MsSince(start) - windowMs);
  // Leave it running for the cpu and memory modes; the script ends it.
  DWORD id = driver.processId();
  driver.process() = testing::TestProcess();  // detach without killing
  std::printf("pid %lu\n", static_cast<unsigned long>(id));
  return 0;
}

int Cpu(double seconds) {
  UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, FindLauncher()));
  if (!process) return 1;
  const double before = CpuMs(process.get());
  const auto start = Clock::now();
  Sleep(static_cast<DWORD>(seconds * 1000));
  const double cpu = CpuMs(process.get()) - before;
  const double wall = MsSince(start);
  std::printf("cpu_ms %.0f\nwall_ms %.0f\ncpu_percent %.1f\n", cpu, wall, 100.0 * cpu / wall);
  return 0;
}

int Memory() {
  UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, FindLauncher()));
  if (!process) return 1;
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(process.get(), &counters, sizeof counters)) return 1;
  std::printf("working_set_kb %lu\npeak_working_set_kb %lu\nprivate_kb %lu\n",
              static_cast<unsigned long>(counters.WorkingSetSize / 1024),
              static_cast<unsigned long>(counters.PeakWorkingSetSize / 1024),
              static_cast<unsigned long>(counters.PagefileUsage / 1024));
  return 0;
}

int End() {
  UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, FindLauncher()));
  if (!process) return 1;
  TerminateProcess(process.get(), 0);
  return WaitForSingleObject(process.get(), 10000) == WAIT_OBJECT_0 ? 0 : 1;
}

}  // namespace
}  // namespace storvane::bench

int main() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::vector<std::wstring> args(argv, argv + (argv ? argc : 0));
  if (argv) LocalFree(argv);
  using namespace storvane;
  if (args.size() == 5 && args[1] == L"download") {
    return bench::Download(WideToGbk(args[2]), WideToGbk(args[3]), _wtoi(args[4].c_str()));
  }
  if (args.size() == 4 && args[1] == L"fill") return bench::Fill(args[2], static_cast<size_t>(_wtoi(args[3].c_str())));
  if (args.size() == 3 && args[1] == L"cpu") return bench::Cpu(_wtof(args[2].c_str()));
  if (args.size() == 2 && args[1] == L"memory") return bench::Memory();
  if (args.size() == 2 && args[1] == L"end") return bench::End();
  std::fprintf(stderr,
               "usage: catalogue_bench download <url> <file> <runs> | fill <launcher> <items> | cpu <s> | memory\n");
  return 2;
}
