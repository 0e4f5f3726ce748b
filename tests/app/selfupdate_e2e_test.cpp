// The launcher's self-update as a user meets it: the installed storvane.exe asks the demo version
// service which launcher version is current; another answer hands over to the up.exe it writes
// beside itself, and up.exe replaces the launcher with the served one and starts it.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <cwctype>
#include <string>
#include <vector>

#include "support/demo_service.h"
#include "util/handles.h"
#include "util/win_text.h"

namespace storvane::testing {
namespace {

constexpr auto kStartTimeout = 60s;
// The served stand-in for a new launcher, in the service's downloads folder.
constexpr wchar_t kNewLauncherName[] = L"storvane-2.2.exe";

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

std::wstring HostPathToWindows(std::wstring path) {
  if (!path.empty() && path[0] == L'/') path = L"Z:" + path;
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return path;
}

std::wstring EnvPath(const wchar_t* name) {
  const wchar_t* value = _wgetenv(name);
  return value ? HostPathToWindows(value) : std::wstring();
}

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

std::wstring BackslashPath(std::wstring path) {
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return path;
}

void FreeArgumentList(LPWSTR* list) noexcept { LocalFree(list); }

// The arguments a program reads from `commandLine`, its own name first.
std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine) {
  int count = 0;
  UniqueResource<handle_traits::NullEmpty<LPWSTR*, FreeArgumentList>> argv(
      CommandLineToArgvW(commandLine.c_str(), &count));
  if (!argv) return {};
  return std::vector<std::wstring>(argv.get(), argv.get() + count);
}

// The command line another process was started with, read from its process parameters.
std::wstring CommandLineOf(HANDLE process) {
  PROCESS_BASIC_INFORMATION basic{};
  ULONG got = 0;
  if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic, &got) != 0) return {};
  PEB peb{};
  if (!ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof peb, nullptr)) return {};
  RTL_USER_PROCESS_PARAMETERS parameters{};
  if (!ReadProcessMemory(process, peb.ProcessParameters, &parameters, sizeof parameters, nullptr)) return {};
  std::wstring line(parameters.CommandLine.Length / sizeof(wchar_t), L'\0');
  if (!line.empty() &&
      !ReadProcessMemory(process, parameters.CommandLine.Buffer, line.data(), line.size() * sizeof(wchar_t), nullptr)) {
    return {};
  }
  return line;
}

std::vector<DWORD> ProcessesNamed(const std::wstring& exeName) {
  std::vector<DWORD> ids;
  UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return ids;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL ok = Process32FirstW(snapshot.get(), &entry); ok; ok = Process32NextW(snapshot.get(), &entry)) {
    if (Lower(entry.szExeFile) == Lower(exeName)) ids.push_back(entry.th32ProcessID);
  }
  return ids;
}

// The updater as the launcher left it running.
struct RunningUpdater {
  UniqueHandle process;
  DWORD id = 0;
  std::vector<std::wstring> arguments;  // program name first
  HWND window = nullptr;
};

class SelfUpdate : public ::testing::Test {
protected:
  void SetUp() override {
    auto service = DemoService::Load();
    ASSERT_TRUE(service) << "needs the demo service fixture";
    service_ = *service;
    ASSERT_TRUE(WaitForService()) << "the demo service does not answer";
    ASSERT_TRUE(service_.ResetOffer());
    ASSERT_TRUE(service_.Control(R"({"single_raw":null})"));
    EndStrayProcesses();
    installed_ = InstallLauncher();
    directory_ = InstallDirectory();
    updater_ = directory_ + L"\\up.exe";
    marker_ = directory_ + L"\\selfupdate_marker.txt";
    offerRecord_ = directory_ + L"\\up.qn";
    failRecord_ = directory_ + L"\\up.fail";
    DeleteFileW(updater_.c_str());
    DeleteFileW(marker_.c_str());
    DeleteFileW(offerRecord_.c_str());
    DeleteFileW(failRecord_.c_str());
    DeleteFileW((installed_ + L".new").c_str());
    DeleteFileW((installed_ + L".old").c_str());  // left by an up.exe ended during its trial
  }

  void TearDown() override {
    EndStrayProcesses();
    DeleteFileW(offerRecord_.c_str());
    DeleteFileW(failRecord_.c_str());
    if (WaitForService()) {
      service_.ResetOffer();
      service_.Control(R"({"single_raw":null})");
    }
    DeleteFileW(marker_.c_str());
  }

  bool WaitForService() {
    return WaitUntil([&] { return service_.Control("{}"); }, 40s, 200ms);
  }

  // Offers `version` for download from `address` (the service's own launcher when empty).
  void Offer(const std::string& version, const std::string& address = {}) {
    std::string body = R"({"launcher_version":")" + version + R"(")";
    if (!address.empty()) body += R"(,"launcher_down":")" + address + R"(")";
    ASSERT_TRUE(service_.Control(body + "}"));
  }

  // Puts the stand-in for a new launcher among the service's downloads under `name`.
  std::string ServeNewLauncher(const std::wstring& name) {
    const std::wstring target = service_.downloadsDir + L"\\" + name;
    EXPECT_TRUE(CopyFileW(EnvPath(L"STORVANE_NEW_LAUNCHER").c_str(), target.c_str(), FALSE));
    return service_.Base() + "/download/" + WideToGbk(name);
  }

  TestProcess StartLauncher() { return TestProcess::Start(Quoted(installed_), directory_); }

  // The launcher is still up a while after its window appeared, and no updater was started.
  void ExpectLauncherKeepsRunning(TestProcess& launcher) {
    ASSERT_TRUE(launcher.started());
    HWND window = WaitForTopWindow(launcher.id(), kStartTimeout);
    ASSERT_NE(window, nullptr) << "the launcher showed no window";
    EXPECT_EQ(WindowText(window), L"Storvane");
    EXPECT_FALSE(launcher.WaitForExit(2s).has_value()) << "the launcher ended";
    EXPECT_TRUE(ProcessesNamed(L"up.exe").empty()) << "an updater was started";
  }

  // Waits for the launcher to start up.exe and end; the updater's window is up when this returns.
  RunningUpdater ExpectHandOver(TestProcess& launcher) {
    RunningUpdater updater;
    EXPECT_TRUE(launcher.started());
    bool launcherShowedAWindow = false;
    std::optional<DWORD> code;
    WaitUntil(
        [&] {
          if (!TopWindowsOfProcess(launcher.id()).empty()) launcherShowedAWindow = true;
          if (!updater.process) {
            for (DWORD id : ProcessesNamed(L"up.exe")) {
              updater.process.reset(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE, FALSE, id));
              if (updater.process) {
                updater.id = id;
                break;
              }
            }
          }
          code = launcher.WaitForExit(0ms);
          return code.has_value() && updater.process;
        },
        kStartTimeout, 20ms);
    EXPECT_TRUE(code.has_value()) << "the launcher did not end";
    EXPECT_EQ(code.value_or(99), 0u);
    EXPECT_FALSE(launcherShowedAWindow) << "the window was shown before the update check";
    if (!updater.process) {
      ADD_FAILURE() << "no up.exe was started";
      return updater;
    }
    updater.arguments = SplitCommandLine(CommandLineOf(updater.process.get()));
    updater.window = WaitForTopWindow(updater.id, kStartTimeout);
    EXPECT_NE(updater.window, nullptr) << "the updater showed no window";
    return updater;
  }

  // The four values the updater was given, as the launcher means them.
  void ExpectArguments(const RunningUpdater& updater, const std::wstring& address, const std::wstring& version) {
    ASSERT_EQ(updater.arguments.size(), 5u) << CommandLineOf(updater.process.get());
    EXPECT_EQ(Lower(BackslashPath(updater.arguments[0])), Lower(updater_));
    EXPECT_EQ(updater.arguments[1], address);
    EXPECT_EQ(updater.arguments[2], L"storvane.exe");
    EXPECT_EQ(updater.arguments[3], version);
    EXPECT_EQ(updater.arguments[4], L"2.1");
  }

  // The window of whichever launcher the updater started (null when none showed one in time).
  static HWND AnyLauncherWindow() {
    HWND window = nullptr;
    WaitUntil(
        [&] {
          for (DWORD id : ProcessesNamed(L"storvane.exe")) {
            if ((window = WaitForTopWindow(id, 0ms)) != nullptr) return true;
          }
          return false;
        },
        kStartTimeout);
    return window;
  }

  void PressStart(const RunningUpdater& updater) {
    AccElement start;
    WaitUntil(
        [&] {
          start = FindAccessibleInWindows(updater.window, L"开始更新");
          return static_cast<bool>(start);
        },
        10s);
    ASSERT_TRUE(start) << "no start button in the updater";
    ClickCentreOf(start.Location());
  }

  DemoService service_;
  std::wstring installed_, directory_, updater_, marker_, offerRecord_, failRecord_;
};

TEST_F(SelfUpdate, SameVersionKeepsTheLauncherAndRewritesTheCarriedUpdater) {
  // A stale updater, longer than the carried one: it must be replaced whole, not overwritten
  // in part.
  ASSERT_TRUE(WriteFileBytes(updater_, std::string(2 * 1024 * 1024, 'x')));
  TestProcess launcher = StartLauncher();
  ExpectLauncherKeepsRunning(launcher);

  const std::string written = ReadFileBytes(updater_);
  const std::string built = ReadFileBytes(EnvPath(L"STORVANE_UP_EXE"));
  ASSERT_FALSE(built.empty());
  EXPECT_EQ(written.size(), built.size());
  EXPECT_TRUE(written == built) << "up.exe beside the launcher differs from the carried one";
  EXPECT_NE(service_.Log().find("GET /api/single/storvane"), std::string::npos);
}

class SelfUpdateToVersion : public SelfUpdate, public ::testing::WithParamInterface<const char*> {};

TEST_P(SelfUpdateToVersion, AnyOtherVersionHandsOverToTheUpdaterWithFourArguments) {
  const std::string version = GetParam();
  Offer(version);
  TestProcess launcher = StartLauncher();
  RunningUpdater updater = ExpectHandOver(launcher);
  ASSERT_TRUE(updater.process);
  ExpectArguments(updater, GbkToWide(service_.Base() + "/download/storvane.exe"), GbkToWide(version));

  // The updater tells the user both versions.
  ASSERT_NE(updater.window, nullptr);
  EXPECT_TRUE(FindAccessibleInWindows(updater.window, L"发现新版本：V" + GbkToWide(version)));
  EXPECT_TRUE(FindAccessibleInWindows(updater.window, L"当前版本：V2.1"));
  // Nothing is replaced before the user starts the update.
  EXPECT_TRUE(ReadFileBytes(installed_) == ReadFileBytes(BuiltLauncher()));
}

// Higher, lower, and a text that a numeric comparison would take for 2.1's successor or equal.
INSTANTIATE_TEST_SUITE_P(Versions, SelfUpdateToVersion, ::testing::Values("2.2", "2.10", "2.0"));

TEST_F(SelfUpdate, UpdaterReplacesTheLauncherWithTheServedOneAndStartsIt) {
  const std::string address = ServeNewLauncher(kNewLauncherName);
  Offer("2.2", address);
  TestProcess launcher = StartLauncher();
  RunningUpdater updater = ExpectHandOver(launcher);
  ASSERT_TRUE(updater.process);
  ASSERT_NE(updater.window, nullptr);
  ExpectArguments(updater, GbkToWide(address), L"2.2");

  // Let it paint, then keep a picture of what the user sees.
  WaitUntil([] { return false; }, 1s);
  RECT area{};
  GetWindowRect(updater.window, &area);
  EXPECT_TRUE(SaveScreenPng(ArtifactPath(L"selfupdate_updater.png"), &area));

  PressStart(updater);
  ASSERT_TRUE(WaitUntil([&] { return FileExists(marker_); }, kStartTimeout)) << "the new launcher was not started";
  EXPECT_EQ(WaitForSingleObject(updater.process.get(), 30000), WAIT_OBJECT_0) << "the updater did not end";
  DWORD code = 99;
  GetExitCodeProcess(updater.process.get(), &code);
  EXPECT_EQ(code, 0u);

  EXPECT_TRUE(ReadFileBytes(installed_) == ReadFileBytes(service_.downloadsDir + L"\\" + kNewLauncherName))
      << "the launcher was not replaced by the served one";
  EXPECT_FALSE(FileExists(installed_ + L".new"));
  // The stand-in records its own command line: it was started as the installed launcher.
  const std::string recorded = ReadFileBytes(marker_);
  const std::wstring line(reinterpret_cast<const wchar_t*>(recorded.data()), recorded.size() / sizeof(wchar_t));
  const auto arguments = SplitCommandLine(line);
  ASSERT_FALSE(arguments.empty());
  EXPECT_EQ(Lower(BackslashPath(arguments[0])), Lower(installed_));
  EXPECT_NE(service_.Log().find("GET /download/storvane-2.2.exe"), std::string::npos);
}

// A release whose own version text differs from the one the service names ("2.2" offered, the
// served program still says "2.1"): after one update the new launcher stays, instead of handing
// over again at every start.
TEST_F(SelfUpdate, AnOfferAlreadyInstalledIsNotFetchedAgain) {
  Offer("2.2");
  TestProcess launcher = StartLauncher();
  RunningUpdater updater = ExpectHandOver(launcher);
  ASSERT_TRUE(updater.process);
  PressStart(updater);
  EXPECT_EQ(WaitForSingleObject(updater.process.get(), 30000), WAIT_OBJECT_0) << "the updater did not end";
  EXPECT_EQ(ReadFileBytes(offerRecord_).substr(0, 4), "2.2\n");  // and the installed launcher's digest

  HWND window = AnyLauncherWindow();
  ASSERT_NE(window, nullptr) << "the updated launcher showed no window";
  EXPECT_EQ(WindowText(window), L"Storvane");
  WaitUntil([] { return false; }, 2s);  // a second hand-over would have started by now
  EXPECT_TRUE(ProcessesNamed(L"up.exe").empty()) << "the same offer was handed over again";
  EXPECT_EQ(service_.Log().find("GET /download/storvane.exe"), service_.Log().rfind("GET /download/storvane.exe"))
      << "the launcher was downloaded twice";
}

TEST_F(SelfUpdate, AddressWithSpacesArrivesAsOneArgument) {
  const std::string address = ServeNewLauncher(L"new launcher 2.2.exe");
  Offer("2.2", address);
  TestProcess launcher = StartLauncher();
  RunningUpdater updater = ExpectHandOver(launcher);
  ASSERT_TRUE(updater.process);
  ExpectArguments(updater, GbkToWide(address), L"2.2");
  EXPECT_TRUE(FindAccessibleInWindows(updater.window, L"发现新版本：V2.2"));

  // And the whole address is the one fetched.
  PressStart(updater);
  ASSERT_TRUE(WaitUntil([&] { return FileExists(marker_); }, kStartTimeout))
      << "the new launcher was not started; requests: " << service_.Log();
  EXPECT_TRUE(ReadFileBytes(installed_) == ReadFileBytes(service_.downloadsDir + L"\\new launcher 2.2.exe"));
}

TEST_F(SelfUpdate, AnswerWithoutAddressKeepsTheOtherArgumentsInPlace) {
  // An empty value is still an argument: the name and the versions do not shift into its place.
  ASSERT_TRUE(service_.Control(R"({"single_raw":"{\"data\":[{\"soft_version\":\"2.2\"}]}"})"));
  TestProcess launcher = StartLauncher();
  RunningUpdater updater = ExpectHandOver(launcher);
  ASSERT_TRUE(updater.process);
  ExpectArguments(updater, L"", L"2.2");

  // Starting it cannot fetch anything and leaves the launcher alone.
  PressStart(updater);
  HWND box = WaitForDialog(L"信息：", 30s);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(DialogMessage(box), L"不能打开该URL!");
  ClickDialogButton(box, IDOK);
  EXPECT_TRUE(ReadFileBytes(installed_) == ReadFileBytes(BuiltLauncher()));
}

TEST_F(SelfUpdate, AnswerWithByteOrderMarkIsStillRead) {
  // The mark has no GBK form and arrives as "?" in front of the object.
  const std::string address = service_.Base() + "/download/storvane.exe";
  ASSERT_TRUE(service_.Control(R"({"single_raw":"\ufeff{\"data\":[{\"soft_version\":\"2.2\",\"soft_down\":\")" +
                               address + R"(\"}]}"})"));
  TestProcess launcher = StartLauncher();
  RunningUpdater updater = ExpectHandOver(launcher);
  ASSERT_TRUE(updater.process);
  ExpectArguments(updater, GbkToWide(address), L"2.2");
}

TEST_F(SelfUpdate, ServiceDownKeepsTheLauncherRunning) {
  // The service stops listening; the launcher's question is refused.
  ASSERT_TRUE(service_.Control(R"({"down_ms":10000})"));
  ASSERT_TRUE(WaitUntil([&] { return !service_.Control("{}"); }, 5s)) << "the service is still listening";
  TestProcess launcher = StartLauncher();
  ExpectLauncherKeepsRunning(launcher);
  EXPECT_TRUE(FileExists(updater_));
}

TEST_F(SelfUpdate, AnswerThatIsNotJsonKeepsTheLauncherRunning) {
  ASSERT_TRUE(service_.Control(R"({"single_raw":"<html><body>502 Bad Gateway</body></html>"})"));
  TestProcess launcher = StartLauncher();
  ExpectLauncherKeepsRunning(launcher);
}

TEST_F(SelfUpdate, AnswerWithoutVersionKeepsTheLauncherRunning) {
  Offer("");
  TestProcess launcher = StartLauncher();
  ExpectLauncherKeepsRunning(launcher);
}

struct FailedDownload {
  const char* route;
  const wchar_t* message;
  bool wrongDigest = false;  // the service names a digest the download does not have
};

class SelfUpdateFailedDownload : public SelfUpdate, public ::testing::WithParamInterface<FailedDownload> {};

// After the failure's message the old launcher is back with its list, and neither it nor the next
// start of the day hands the same offer over again.
TEST_P(SelfUpdateFailedDownload, BringsTheOldLauncherBackAndHoldsTheOfferBackForTheDay) {
  const std::string address = service_.Base() + GetParam().route;
  if (GetParam().wrongDigest) {
    ASSERT_TRUE(service_.Control(R"({"single_raw":"{\"data\":[{\"soft_version\":\"2.2\",\"soft_down\":\")" + address +
                                 R"(\",\"soft_sha256\":\")" + std::string(64, '0') +
                                 R"(\",\"soft_size\":\"1000\"}]}"})"));
  } else {
    Offer("2.2", address);
  }
  TestProcess launcher = StartLauncher();
  RunningUpdater updater = ExpectHandOver(launcher);
  ASSERT_TRUE(updater.process);
  ASSERT_NE(updater.window, nullptr);

  PressStart(updater);
  HWND box = WaitForDialog(L"信息：", kStartTimeout);
  ASSERT_NE(box, nullptr) << "the failure was not reported";
  EXPECT_EQ(DialogMessage(box), GetParam().message);
  ClickDialogButton(box, IDOK);
  EXPECT_EQ(WaitForSingleObject(updater.process.get(), 30000), WAIT_OBJECT_0) << "the updater did not end";

  HWND window = AnyLauncherWindow();
  ASSERT_NE(window, nullptr) << "the old launcher did not come back";
  EXPECT_EQ(WindowText(window), L"Storvane");
  EXPECT_TRUE(ReadFileBytes(installed_) == ReadFileBytes(BuiltLauncher()));
  EXPECT_FALSE(FileExists(installed_ + L".new"));
  EXPECT_FALSE(FileExists(installed_ + L".old"));
  EXPECT_FALSE(FileExists(marker_));
  WaitUntil([] { return false; }, 2s);  // a second hand-over would have started by now
  EXPECT_TRUE(ProcessesNamed(L"up.exe").empty()) << "the failed offer was handed over again";

  EndStrayProcesses();
  TestProcess third = StartLauncher();
  ExpectLauncherKeepsRunning(third);
}

INSTANTIATE_TEST_SUITE_P(
    Routes, SelfUpdateFailedDownload,
    ::testing::Values(FailedDownload{"/fail/404/storvane.exe", L"不能打开该URL!"},
                      FailedDownload{"/fail/truncate/storvane.exe", L"读文件出错!"},
                      FailedDownload{"/download/storvane.exe", L"下载的文件未通过校验，已保留原来的版本。", true},
                      FailedDownload{"/fail/cut/storvane.exe", L"下载的文件不是完整的程序，已保留原来的版本。"}));

}  // namespace
}  // namespace storvane::testing
