// Figures for the benchmark script (bench/all.sh), one mode per run:
//   catalogue_bench download <url> <file> <runs>   DownloadToFile into <file> beside bare WinINet
//                                                  loops making the same request, alternated
//   catalogue_bench fill <launcher.exe> <items>    start the launcher, time until <items> are listed
//   catalogue_bench fillsteps <service base>       the list fill's own work per entry, outside the
//                                                  launcher: its icon request and its reads
//   catalogue_bench cpu <seconds>                  CPU time of the running launcher over a window
//   catalogue_bench memory [<exe name>]            memory of a running process (default: the launcher)
//   catalogue_bench end [<exe name>]               end that process
// Lines are "key value" so the script can pick them up.
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>
#include <tlhelp32.h>
#include <wininet.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/launcher_driver.h"
#include "net/decode.h"
#include "net/download_to_file.h"
#include "net/http_fetch.h"
#include "net/request_object.h"
#include "sys/pumping_wait.h"
#include "util/com.h"
#include "util/handles.h"
#include "util/json_document.h"
#include "util/text.h"
#include "util/win_text.h"

namespace storvane::bench {
namespace {

using Clock = std::chrono::steady_clock;
using testing::LauncherDriver;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

DWORD FindProcess(const wchar_t* exeName) {
  UniqueHandle snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snap) return 0;
  PROCESSENTRY32W e{};
  e.dwSize = sizeof e;
  for (BOOL ok = Process32FirstW(snap.get(), &e); ok; ok = Process32NextW(snap.get(), &e)) {
    if (_wcsicmp(e.szExeFile, exeName) == 0) return e.th32ProcessID;
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

struct InternetHandleCloser {
  void operator()(HINTERNET h) const { InternetCloseHandle(h); }
};
using InternetHandle = std::unique_ptr<void, InternetHandleCloser>;

// The reference: the request DownloadToFile makes (agent, access type, header block, open-URL
// flags, status and length queries) and its 10240-byte reads with nothing else per chunk, except,
// when `file` is given, a WriteFile of the chunk. Returns the bytes read, -1 on a failure.
long long BareTransfer(const std::string& url, const std::wstring* file) {
  DWORD connection = 0;
  InternetGetConnectedState(&connection, 0);
  const DWORD access = (connection & INTERNET_CONNECTION_PROXY) != 0 ? INTERNET_OPEN_TYPE_PRECONFIG
                                                                     : INTERNET_OPEN_TYPE_PRECONFIG_WITH_NO_AUTOPROXY;
  InternetHandle internet(
      InternetOpenW(GbkToWide(MakeDownloadAgentName(GetTickCount())).c_str(), access, nullptr, nullptr, 0));
  if (!internet) return -1;
  const std::wstring headers = GbkToWide(MakeDownloadRequestHeaders());
  constexpr DWORD kOpenUrlFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE;
  InternetHandle address(InternetOpenUrlW(internet.get(), GbkToWide(url).c_str(), headers.c_str(),
                                          static_cast<DWORD>(headers.size()), kOpenUrlFlags, 0));
  if (!address) return -1;
  DWORD status = 0, length = 0, size = sizeof status;
  HttpQueryInfoW(address.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr);
  size = sizeof length;
  HttpQueryInfoW(address.get(), HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &length, &size, nullptr);
  if (status != 200) return -1;
  UniqueHandle out;
  if (file != nullptr) {
    out.reset(CreateFileW(file->c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                          nullptr));
    if (!out) return -1;
  }
  std::array<uint8_t, 10240> buffer;
  long long total = 0;
  for (;;) {
    DWORD read = 0;
    if (!InternetReadFile(address.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read)) return -1;
    if (read == 0) break;
    DWORD written = 0;
    if (out && !WriteFile(out.get(), buffer.data(), read, &written, nullptr)) return -1;
    total += read;
  }
  return total;
}

// Each run times four transfers of the same body, in an order that rotates from run to run, so
// that a burst of load elsewhere does not always fall on the same one:
//   engine      DownloadToFile with a progress routine that keeps the count, as the windows do
//               (without their drawing);
//   quiet       DownloadToFile without a progress routine;
//   bare        the bare read loop, the body dropped;
//   bare_write  the bare read loop writing each chunk to a file as it comes.
int Download(const std::string& url, const std::string& file, int runs) {
  const std::wstring bareFile = GbkToWide(file) + L".bare";
  enum { kEngine, kQuiet, kBare, kBareWrite, kKinds };
  const char* const names[kKinds] = {"engine", "quiet", "bare", "bare_write"};
  std::vector<double> times[kKinds];
  long long expected = -1;
  for (int i = 0; i < runs; ++i) {
    double ms[kKinds] = {};
    for (int k = 0; k < kKinds; ++k) {
      const int kind = (k + i) % kKinds;
      long long bytes = 0;
      std::string message;
      const auto start = Clock::now();
      if (kind == kEngine || kind == kQuiet) {
        DownloadProgressRoutine progress;
        if (kind == kEngine) progress = [&](int32_t, int32_t, int32_t, int32_t received) { bytes = received; };
        const int result =
            DownloadToFile(url, file, {.progress = progress, .message = [&](const std::string& m) { message = m; }});
        if (result != 0) {
          std::printf("run %d %s failed: %s\n", i + 1, names[kind], message.c_str());
          return 1;
        }
        if (kind == kQuiet) bytes = expected;
      } else {
        bytes = BareTransfer(url, kind == kBareWrite ? &bareFile : nullptr);
      }
      ms[kind] = MsSince(start);
      if (bytes < 0 || (expected >= 0 && bytes != expected)) {
        std::printf("run %d %s failed: %lld bytes\n", i + 1, names[kind], bytes);
        return 1;
      }
      expected = bytes;
      times[kind].push_back(ms[kind]);
    }
    std::printf("run %d engine %.1f quiet %.1f bare %.1f bare_write %.1f ms\n", i + 1, ms[kEngine], ms[kQuiet],
                ms[kBare], ms[kBareWrite]);
  }
  DeleteFileW(bareFile.c_str());
  std::printf("bytes %lld\nmedian_ms %.1f\nquiet_median_ms %.1f\nbare_median_ms %.1f\nbare_write_median_ms %.1f\n",
              expected, Median(times[kEngine]), Median(times[kQuiet]), Median(times[kBare]), Median(times[kBareWrite]));
  return 0;
}

struct HiddenControlSearch {
  HWND found = nullptr;
  long long area = 0;
};

BOOL CALLBACK TakeLargestHiddenControl(HWND child, LPARAM context) {
  auto& search = *reinterpret_cast<HiddenControlSearch*>(context);
  wchar_t name[64] = {};
  GetClassNameW(child, name, 64);
  RECT r{};
  GetWindowRect(child, &r);
  const long long area = static_cast<long long>(r.right - r.left) * (r.bottom - r.top);
  if (wcscmp(name, L"StorvaneExuiControl") == 0 && !IsWindowVisible(child) && area > search.area) {
    search.found = child;
    search.area = area;
  }
  return TRUE;
}

// The launcher's list: the largest of its skin controls hidden while the window is first shown
// (the list is hidden until its fill is complete; the load bar shows meanwhile).
HWND HiddenList(HWND main) {
  HiddenControlSearch search;
  EnumChildWindows(main, TakeLargestHiddenControl, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

int Fill(const std::wstring& launcher, size_t items) {
  const auto start = Clock::now();
  LauncherDriver driver;
  if (!driver.Start(launcher)) return 1;
  const double windowMs = MsSince(start);
  // The list is shown only once it is complete; its visibility is asked every 10 ms, and the fill
  // ends when it shows. The question goes through the window itself, not accessibility: an
  // accessibility client starts COM on the launcher's user-interface thread, which users' runs
  // do not have. The items are counted afterwards, outside the time.
  const HWND list = HiddenList(driver.window());
  if (list == nullptr) return 1;
  const auto deadline = Clock::now() + std::chrono::minutes(5);
  while (!IsWindowVisible(list)) {
    if (Clock::now() > deadline) return 1;
    Sleep(10);
  }
  const double listedMs = MsSince(start);
  // The icons are decoded at the list's first paint: it comes before the items are counted.
  Sleep(1000);
  if (!driver.WaitForItems(items, std::chrono::seconds(30))) return 1;
  std::printf("window_ms %.0f\nlisted_ms %.0f\nfill_ms %.0f\n", windowMs, listedMs, listedMs - windowMs);
  // Leave it running for the cpu and memory modes; the script ends it.
  DWORD id = driver.processId();
  driver.process() = testing::TestProcess();  // detach without killing
  std::printf("pid %lu\n", static_cast<unsigned long>(id));
  return 0;
}

// What the launcher does for each entry between its 200 ms pauses, as far as it can be done
// outside it: the entry's icon requested through the request object, and its nine reads from the
// catalogue document. (Adding the item to the list and drawing it happen in the library.) The
// pauses are kept: under Wine, requests made back to back took about 43 ms each, paced ones a few.
int FillSteps(const std::string& serviceBase) {
  ComInit com;
  auto start = Clock::now();
  const std::string body = net::HttpFetch(serviceBase + "/api/group/zor");
  std::printf("catalogue_fetch_ms %.1f\n", MsSince(start));
  start = Clock::now();
  JsonDocument document = CreateJsonDocument();
  if (!document.Parse(ReplaceText(net::Utf8ToLocal(body), "?{", "{"), false)) return 1;
  const int count = document.GetCount("data");
  std::printf("catalogue_parse_ms %.1f\nentries %d\n", MsSince(start), count);
  std::vector<double> icons, reads;
  // As the launcher asks: one request object for every icon.
  const ComPtr<IDispatch> request = CreateObject("WinHttp.WinHttpRequest.5.1");
  net::RequestObjectOptions options;
  options.request_object = request.get();
  // Private bytes kept after each step, to tell the requests' share of the launcher's growth per
  // item from the document reads'.
  auto privateBytes = [] {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<long long>(counters.PagefileUsage);
  };
  long long iconGrowth = 0;
  long long readGrowth = 0;
  for (int k = 0; k < count; ++k) {
    const std::string prefix = "data[" + std::to_string(k) + "].";
    long long before = privateBytes();
    start = Clock::now();
    const std::string icon = document.GetText(prefix + "soft_ico", false);
    double read = MsSince(start);
    readGrowth += privateBytes() - before;
    before = privateBytes();
    start = Clock::now();
    const Bytes image = icon.empty() ? Bytes{} : net::RequestObjectFetch(icon, options);
    icons.push_back(MsSince(start));
    iconGrowth += privateBytes() - before;
    PumpingWait(200);
    before = privateBytes();
    start = Clock::now();
    for (const char* key : {"soft_name", "soft_version", "soft_introduce", "soft_time", "soft_store", "soft_process",
                            "soft_down", "soft_edu"}) {
      document.GetText(prefix + key, false);
    }
    reads.push_back(read + MsSince(start));
    readGrowth += privateBytes() - before;
  }
  document.Destroy();
  if (count > 0) {
    std::printf("icon_growth_kb %.1f\nreads_growth_kb %.1f\n", static_cast<double>(iconGrowth) / count / 1024,
                static_cast<double>(readGrowth) / count / 1024);
  }
  std::printf("icon_ms %.1f\nreads_ms %.1f\n", Median(icons), Median(reads));
  return 0;
}

int Cpu(double seconds) {
  UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, FindProcess(L"storvane.exe")));
  if (!process) return 1;
  const double before = CpuMs(process.get());
  const auto start = Clock::now();
  Sleep(static_cast<DWORD>(seconds * 1000));
  const double cpu = CpuMs(process.get()) - before;
  const double wall = MsSince(start);
  std::printf("cpu_ms %.0f\nwall_ms %.0f\ncpu_percent %.1f\n", cpu, wall, 100.0 * cpu / wall);
  return 0;
}

// Private bytes are the process's committed private memory (PagefileUsage).
int Memory(const wchar_t* exeName) {
  UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, FindProcess(exeName)));
  if (!process) return 1;
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(process.get(), &counters, sizeof counters)) return 1;
  std::printf("working_set_kb %lu\npeak_working_set_kb %lu\nprivate_kb %lu\n",
              static_cast<unsigned long>(counters.WorkingSetSize / 1024),
              static_cast<unsigned long>(counters.PeakWorkingSetSize / 1024),
              static_cast<unsigned long>(counters.PagefileUsage / 1024));
  // Committed address space by kind: private (heaps, stacks, and the library the launcher maps
  // from its own copy), images (modules loaded by the system) and mapped views (fonts, sections).
  unsigned long long committed[3] = {};
  MEMORY_BASIC_INFORMATION region{};
  for (const char* at = nullptr; VirtualQueryEx(process.get(), at, &region, sizeof region) == sizeof region;
       at = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
    if (region.State != MEM_COMMIT) continue;
    const int kind = region.Type == MEM_PRIVATE ? 0 : region.Type == MEM_IMAGE ? 1 : 2;
    committed[kind] += region.RegionSize;
  }
  std::printf("committed_private_kb %llu\ncommitted_image_kb %llu\ncommitted_mapped_kb %llu\n", committed[0] / 1024,
              committed[1] / 1024, committed[2] / 1024);
  return 0;
}

// The launcher's private allocations of 256 KB or more, committed part first: where its private
// bytes go (a guard page marks a thread's stack).
int Regions(const wchar_t* exeName) {
  UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, FindProcess(exeName)));
  if (!process) return 1;
  struct Allocation {
    const void* base;
    unsigned long long committed;
    unsigned long long reserved;
    bool guard;
  };
  std::vector<Allocation> allocations;
  MEMORY_BASIC_INFORMATION region{};
  for (const char* at = nullptr; VirtualQueryEx(process.get(), at, &region, sizeof region) == sizeof region;
       at = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
    if (region.State == MEM_FREE || region.Type != MEM_PRIVATE) continue;
    if (allocations.empty() || allocations.back().base != region.AllocationBase) {
      allocations.push_back({region.AllocationBase, 0, 0, false});
    }
    allocations.back().reserved += region.RegionSize;
    if (region.State == MEM_COMMIT) allocations.back().committed += region.RegionSize;
    if (region.Protect & PAGE_GUARD) allocations.back().guard = true;
  }
  std::sort(allocations.begin(), allocations.end(),
            [](const Allocation& a, const Allocation& b) { return a.committed > b.committed; });
  unsigned long long small = 0;
  size_t smallCount = 0;
  for (const Allocation& a : allocations) {
    if (a.committed >= 256 * 1024) {
      std::printf("region %p committed_kb %llu reserved_kb %llu%s\n", a.base, a.committed / 1024, a.reserved / 1024,
                  a.guard ? " stack" : "");
    } else {
      small += a.committed;
      ++smallCount;
    }
  }
  std::printf("smaller %zu allocations committed_kb %llu\n", smallCount, small / 1024);
  // Each thread with the module its start routine lies in: under Wine every thread's stack
  // region is touched almost whole, so threads are a large share of private bytes there.
  const DWORD pid = GetProcessId(process.get());
  using QueryThread = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
  const auto query = reinterpret_cast<QueryThread>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationThread")));
  UniqueHandle threads(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  UniqueHandle modules(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32, pid));
  std::vector<MODULEENTRY32W> moduleList;
  MODULEENTRY32W module{};
  module.dwSize = sizeof module;
  for (BOOL more = Module32FirstW(modules.get(), &module); more; more = Module32NextW(modules.get(), &module)) {
    moduleList.push_back(module);
  }
  THREADENTRY32 thread{};
  thread.dwSize = sizeof thread;
  for (BOOL more = Thread32First(threads.get(), &thread); more; more = Thread32Next(threads.get(), &thread)) {
    if (thread.th32OwnerProcessID != pid) continue;
    void* start = nullptr;
    UniqueHandle handle(OpenThread(THREAD_QUERY_INFORMATION, FALSE, thread.th32ThreadID));
    if (handle && query) query(handle.get(), 9 /* ThreadQuerySetWin32StartAddress */, &start, sizeof start, nullptr);
    std::string owner = "?";
    for (const auto& m : moduleList) {
      if (start >= m.modBaseAddr && static_cast<BYTE*>(start) < m.modBaseAddr + m.modBaseSize) {
        owner = WideToGbk(m.szModule);
      }
    }
    std::printf("thread %lu start %p in %s\n", static_cast<unsigned long>(thread.th32ThreadID), start, owner.c_str());
  }
  return 0;
}

int End(const wchar_t* exeName) {
  UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, FindProcess(exeName)));
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
  if (args.size() == 3 && args[1] == L"fillsteps") return bench::FillSteps(WideToGbk(args[2]));
  if (args.size() == 3 && args[1] == L"cpu") return bench::Cpu(_wtof(args[2].c_str()));
  const wchar_t* exeName = args.size() == 3 ? args[2].c_str() : L"storvane.exe";
  if ((args.size() == 2 || args.size() == 3) && args[1] == L"memory") return bench::Memory(exeName);
  if ((args.size() == 2 || args.size() == 3) && args[1] == L"regions") return bench::Regions(exeName);
  if ((args.size() == 2 || args.size() == 3) && args[1] == L"end") return bench::End(exeName);
  std::fprintf(stderr,
               "usage: catalogue_bench download <url> <file> <runs> | fill <launcher> <items> | fillsteps <base> |"
               " cpu <s> |"
               " memory [<exe>] | end [<exe>]\n");
  return 2;
}
