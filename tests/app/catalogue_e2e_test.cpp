// The road of a tool through the real launcher, as a user walks it: the list as it first shows,
// install with the download window, open, the running state, the item menu, show and force
// close, updates, failed transfers and hostile catalogue entries. Everything is read through
// accessibility and the files on disk; buttons are pressed with real mouse input.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>

#include <windows.h>
#include <shellapi.h>

#include <algorithm>

#include "app/demo_service_test.h"
#include "app/launcher_driver.h"
#include "net/download_to_file.h"
#include "support/demo_service.h"
#include "util/win_text.h"

namespace storvane::testing {
namespace {

constexpr auto kLong = 60s;

const std::wstring kDownload = L"下载软件";
const std::wstring kUpdate = L"更新软件";
const std::wstring kOpen = L"打开软件";
const std::wstring kRunning = L"正在运行";
const std::wstring kRedownload = L"重新下载";

const std::wstring kShow = L"显示软件";
const std::wstring kMenuRedownload = L"重新下载";
const std::wstring kForceClose = L"强制关闭";
const std::wstring kTutorial = L"查看教程";

const std::wstring kUnsafeNotice = L"软件信息有误（目录或程序名无效），无法执行此操作！";

std::wstring SoftDir() { return InstallDirectory() + L"\\soft"; }
std::wstring ToolDir(const std::wstring& store) { return SoftDir() + L"\\" + store; }
std::string StampOf(const std::wstring& store) { return ReadFileBytes(ToolDir(store) + L"\\rjbbyz.qn"); }

bool Enabled(const std::vector<MenuEntryState>& menu, const std::wstring& name) {
  auto it = std::find_if(menu.begin(), menu.end(), [&](const MenuEntryState& e) { return e.name == name; });
  return it != menu.end() && it->enabled;
}

std::vector<std::wstring> EnabledNames(const std::vector<MenuEntryState>& menu) {
  std::vector<std::wstring> names;
  for (const auto& e : menu)
    if (e.enabled) names.push_back(e.name);
  return names;
}

// Files left in a folder (no subfolders), for checks that nothing half-written stays behind.
std::vector<std::wstring> FilesIn(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data{};
  UniqueFindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &data));
  if (!find) return names;
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
  } while (FindNextFileW(find.get(), &data));
  std::sort(names.begin(), names.end());
  return names;
}

bool FolderExists(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

void SaveWindowShot(HWND window, const std::wstring& name) {
  RECT r{};
  GetWindowRect(window, &r);
  EXPECT_TRUE(SaveScreenPng(ArtifactPath(name), &r)) << "screenshot " << name.size();
}

class CatalogueRoad : public DemoServiceTest {
protected:
  std::wstring Served(const std::wstring& exe) const { return service_.downloadsDir + L"\\" + exe; }

  // Places an executable (bytes of a served file) and, when given, a stamp in a tool folder.
  void PlaceTool(const std::wstring& store, const std::wstring& exe, const std::wstring& bytesOf,
                 std::optional<std::string> stamp) {
    ASSERT_TRUE(MakeDirectories(ToolDir(store)));
    if (!exe.empty()) {
      ASSERT_TRUE(CopyFileW(Served(bytesOf).c_str(), (ToolDir(store) + L"\\" + exe).c_str(), FALSE));
    }
    if (stamp) {
      ASSERT_TRUE(WriteFileBytes(ToolDir(store) + L"\\rjbbyz.qn", *stamp));
    }
  }

  void StartLauncher(size_t items) {
    ASSERT_TRUE(launcher_.Start(launcherPath_, kLong)) << "no launcher window";
    ASSERT_TRUE(launcher_.WaitForItems(items, kLong)) << "list shows " << launcher_.Items().size() << " items";
  }

  // Presses the action button and follows the download window until it has closed; answers a
  // "信息：" box with OK and returns its text (empty when none came). `shot` names a screenshot
  // taken while the window shows progress.
  struct InstallRun {
    bool windowSeen = false;
    int highestPercent = -1;
    std::wstring message;
  };
  InstallRun InstallThroughWindow(size_t item, const std::wstring& shot = {}) {
    InstallRun run;
    EXPECT_TRUE(launcher_.PressAction(item));
    bool shotTaken = false;
    std::optional<std::chrono::steady_clock::time_point> progressSeen;
    HWND box = nullptr;
    const bool closed = WaitUntil(
        [&] {
          HWND w = launcher_.DownloadWindow();
          if (w) {
            run.windowSeen = true;
            run.highestPercent = std::max(run.highestPercent, LauncherDriver::ProgressPercent(w));
            if (run.highestPercent > 0 && !progressSeen) progressSeen = std::chrono::steady_clock::now();
            // The bar eases to a new value over a couple of frames; the picture waits for them.
            if (!shot.empty() && !shotTaken && progressSeen &&
                std::chrono::steady_clock::now() - *progressSeen > 250ms) {
              SaveWindowShot(w, shot);
              shotTaken = true;
            }
          }
          if (!box) {
            for (HWND t : TopWindowsOfProcess(launcher_.processId())) {
              if (WindowClass(t) == L"#32770" && WindowText(t) == L"信息：") box = t;
            }
            if (box) {
              run.message = DialogMessage(box);
              ClickDialogButton(box, IDOK);
            }
          }
          return run.windowSeen && w == nullptr;
        },
        kLong, 20ms);
    EXPECT_TRUE(closed) << "the download window did not come and go";
    return run;
  }

  // The download window has gone, the running copy of 店铺助手 was ended for the replace, and
  // version 1.0.4 is in place with its stamp and nothing left beside it.
  void ExpectUpdatedOverTheRunningCopy(TestProcess& running) {
    ASSERT_TRUE(WaitUntil([&] { return launcher_.DownloadWindow() == nullptr; }, kLong));
    EXPECT_TRUE(running.WaitForExit(10s).has_value());
    ASSERT_TRUE(launcher_.WaitForCaption(0, kOpen));
    EXPECT_EQ(ReadFileBytes(ToolDir(L"dianpu") + L"\\shoptool_a.exe"), ReadFileBytes(Served(L"shoptool_a.exe")));
    EXPECT_EQ(StampOf(L"dianpu"), "1.0.4");
    EXPECT_EQ(FilesIn(ToolDir(L"dianpu")), (std::vector<std::wstring>{L"rjbbyz.qn", L"shoptool_a.exe"}));
  }

  LauncherDriver launcher_;
};

TEST_F(CatalogueRoad, FirstCaptionsFollowTheToolFoldersOnDisk) {
  // Installed with a stamp that differs only by a trailing blank: an update is offered.
  PlaceTool(L"dianpu", L"shoptool_a.exe", L"shoptool_a.exe", "1.0.3 ");
  // The catalogue gives this version as the JSON number 2.5; the stamp holds its text.
  PlaceTool(L"caiji", L"shoptool_b.exe", L"shoptool_b.exe", "2.5");
  // A stamp alone does not make a tool installed.
  PlaceTool(L"dingdan", L"", L"", "3.2.0");
  StartLauncher(3);

  EXPECT_EQ(launcher_.Title(0), L"店铺助手 V1.0.3");
  EXPECT_EQ(launcher_.Title(1), L"商品采集 V2.5");
  EXPECT_EQ(launcher_.Title(2), L"订单管理 V3.2.0");
  EXPECT_EQ(launcher_.Caption(0), kUpdate);
  EXPECT_EQ(launcher_.Caption(1), kOpen);
  EXPECT_EQ(launcher_.Caption(2), kDownload);
  SaveWindowShot(launcher_.window(), L"catalogue_first_captions.png");

  // Nothing was touched by showing the list.
  EXPECT_EQ(StampOf(L"dianpu"), "1.0.3 ");
  EXPECT_FALSE(FileExists(ToolDir(L"dingdan") + L"\\shoptool_c.exe"));
}

TEST_F(CatalogueRoad, InstallOpenWatchShowAndForceClose) {
  StartLauncher(3);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(launcher_.Caption(i), kDownload) << "item " << i;
  EXPECT_EQ(launcher_.Title(0), L"店铺助手 V1.0.3");
  SaveWindowShot(launcher_.window(), L"catalogue_list_loaded.png");

  // Not installed: only the tutorial may be chosen.
  auto menu = launcher_.OpenMenu(0);
  ASSERT_EQ(menu.size(), 4u);
  EXPECT_EQ(EnabledNames(menu), std::vector<std::wstring>{kTutorial});
  SaveScreenPng(ArtifactPath(L"catalogue_menu_download_state.png"));
  ASSERT_TRUE(launcher_.CloseMenu());

  // Install: the download window shows progress, then the tool is in place with its stamp.
  InstallRun run = InstallThroughWindow(0, L"catalogue_download_window.png");
  EXPECT_TRUE(run.windowSeen);
  EXPECT_TRUE(run.message.empty()) << "unexpected message";
  EXPECT_EQ(run.highestPercent, 100);
  ASSERT_TRUE(launcher_.WaitForCaption(0, kOpen));
  const std::wstring exe = ToolDir(L"dianpu") + L"\\shoptool_a.exe";
  EXPECT_EQ(ReadFileBytes(exe), ReadFileBytes(Served(L"shoptool_a.exe")));
  EXPECT_FALSE(ReadFileBytes(exe).empty());
  EXPECT_EQ(StampOf(L"dianpu"), "1.0.3");
  EXPECT_EQ(FilesIn(ToolDir(L"dianpu")), (std::vector<std::wstring>{L"rjbbyz.qn", L"shoptool_a.exe"}));
  EXPECT_EQ(launcher_.Caption(1), kDownload);

  // Installed, not running: download again is offered, show and force close are not.
  menu = launcher_.OpenMenu(0);
  EXPECT_TRUE(Enabled(menu, kMenuRedownload));
  EXPECT_FALSE(Enabled(menu, kShow));
  EXPECT_FALSE(Enabled(menu, kForceClose));
  EXPECT_TRUE(Enabled(menu, kTutorial));
  ASSERT_TRUE(launcher_.CloseMenu());

  // Open: the tool runs from its folder with the argument "quorlen", and the watcher notices.
  ASSERT_TRUE(launcher_.PressAction(0));
  std::vector<DWORD> tools;
  ASSERT_TRUE(WaitUntil([&] { return (tools = ProcessesWithImage(exe)).size() == 1; }, 30s));
  const DWORD tool = tools.front();
  auto commandLine = ProcessCommandLine(tool);
  ASSERT_TRUE(commandLine.has_value());
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(commandLine->c_str(), &argc);
  ASSERT_NE(argv, nullptr);
  EXPECT_EQ(argc, 2);
  if (argc == 2) {
    EXPECT_EQ(std::wstring(argv[1]), L"quorlen");
  }
  LocalFree(argv);
  HWND toolWindow = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (toolWindow = MainWindowOf(tool)) != nullptr; }, 30s));
  EXPECT_EQ(WindowText(toolWindow), L"店铺助手");
  ASSERT_TRUE(launcher_.WaitForCaption(0, kRunning)) << "caption " << launcher_.Caption(0).size();
  SaveScreenPng(ArtifactPath(L"catalogue_running.png"));

  // Running: a press on the action button starts no second copy.
  ASSERT_TRUE(launcher_.PressAction(0));
  WaitUntil([] { return false; }, 2s);
  EXPECT_EQ(ProcessesWithImage(exe).size(), 1u);
  EXPECT_EQ(launcher_.Caption(0), kRunning);

  menu = launcher_.OpenMenu(0);
  EXPECT_TRUE(Enabled(menu, kShow));
  EXPECT_TRUE(Enabled(menu, kForceClose));
  EXPECT_FALSE(Enabled(menu, kMenuRedownload));
  EXPECT_TRUE(Enabled(menu, kTutorial));
  SaveScreenPng(ArtifactPath(L"catalogue_menu_running.png"));

  // Show: the minimised tool window comes back.
  ASSERT_TRUE(launcher_.CloseMenu());
  ShowWindow(toolWindow, SW_MINIMIZE);
  ASSERT_TRUE(WaitUntil([&] { return IsIconic(toolWindow) != FALSE; }, 10s));
  launcher_.OpenMenu(0);
  ASSERT_TRUE(launcher_.ChooseMenuEntry(kShow));
  EXPECT_TRUE(WaitUntil([&] { return !IsIconic(toolWindow) && IsWindowVisible(toolWindow); }, 15s));

  // Force close, confirmed: the tool ends and the item is back to open.
  launcher_.OpenMenu(0);
  ASSERT_TRUE(launcher_.ChooseMenuEntry(kForceClose));
  HWND ask = WaitForDialog(L"提示：", 20s);
  ASSERT_NE(ask, nullptr);
  EXPECT_EQ(DialogMessage(ask), L"确认强制关闭【店铺助手】？\r\n强制关闭不会保存软件的数据！");
  ClickDialogButton(ask, IDYES);
  EXPECT_TRUE(WaitUntil([&] { return ProcessesWithImage(exe).empty(); }, 20s));
  EXPECT_TRUE(launcher_.WaitForCaption(0, kOpen));
  EXPECT_TRUE(launcher_.process().Running());
  EXPECT_EQ(ReadFileBytes(exe), ReadFileBytes(Served(L"shoptool_a.exe")));
}

TEST_F(CatalogueRoad, ForceCloseAnsweredNoKeepsTheTool) {
  PlaceTool(L"caiji", L"shoptool_b.exe", L"shoptool_b.exe", "2.5");
  StartLauncher(3);
  ASSERT_EQ(launcher_.Caption(1), kOpen);
  ASSERT_TRUE(launcher_.PressAction(1));
  const std::wstring exe = ToolDir(L"caiji") + L"\\shoptool_b.exe";
  ASSERT_TRUE(WaitUntil([&] { return ProcessesWithImage(exe).size() == 1; }, 30s));
  ASSERT_TRUE(launcher_.WaitForCaption(1, kRunning));

  launcher_.OpenMenu(1);
  ASSERT_TRUE(launcher_.ChooseMenuEntry(kForceClose));
  HWND ask = WaitForDialog(L"提示：", 20s);
  ASSERT_NE(ask, nullptr);
  EXPECT_EQ(DialogMessage(ask), L"确认强制关闭【商品采集】？\r\n强制关闭不会保存软件的数据！");
  ClickDialogButton(ask, IDNO);
  WaitUntil([] { return false; }, 2s);
  EXPECT_EQ(ProcessesWithImage(exe).size(), 1u);
  EXPECT_EQ(launcher_.Caption(1), kRunning);

  // The tool ending by itself brings the item back as well.
  for (DWORD pid : ProcessesWithImage(exe)) EndProcess(pid);
  EXPECT_TRUE(launcher_.WaitForCaption(1, kOpen));
}

TEST_F(CatalogueRoad, NewerVersionOfferedIsUpdatedAfterAskingAboutTheRunningCopy) {
  // The installed "old" build differs from what the service now serves.
  PlaceTool(L"dianpu", L"shoptool_a.exe", L"shoptool_b.exe", "1.0.3");
  const std::wstring exe = ToolDir(L"dianpu") + L"\\shoptool_a.exe";
  const std::string oldBytes = ReadFileBytes(exe);
  ASSERT_TRUE(service_.Control(R"({"versions":{"dianpu":"1.0.4"}})"));
  TestProcess running = TestProcess::Start(L"\"" + exe + L"\" quorlen", ToolDir(L"dianpu"));
  ASSERT_TRUE(WaitUntil([&] { return ProcessesWithImage(exe).size() == 1; }, 30s));

  StartLauncher(3);
  EXPECT_EQ(launcher_.Title(0), L"店铺助手 V1.0.4");
  EXPECT_EQ(launcher_.Caption(0), kUpdate);
  // The watcher moves only items that show "打开软件": a running old version stays "更新软件".
  WaitUntil([] { return false; }, 3s);
  EXPECT_EQ(launcher_.Caption(0), kUpdate);

  // Asked about the running copy; No changes nothing.
  ASSERT_TRUE(launcher_.PressAction(0));
  HWND ask = WaitForDialog(L"提示：", 20s);
  ASSERT_NE(ask, nullptr);
  EXPECT_EQ(DialogMessage(ask), L"程序运行中，是否关闭程序并继续下载/更新？");
  ClickDialogButton(ask, IDNO);
  WaitUntil([] { return false; }, 1500ms);
  EXPECT_EQ(launcher_.DownloadWindow(), nullptr);
  EXPECT_EQ(launcher_.Caption(0), kUpdate);
  EXPECT_TRUE(running.Running());
  EXPECT_EQ(ReadFileBytes(exe), oldBytes);
  EXPECT_EQ(StampOf(L"dianpu"), "1.0.3");

  // Yes: the copy is ended, the new build arrives, the stamp follows the title.
  ASSERT_TRUE(launcher_.PressAction(0));
  ask = WaitForDialog(L"提示：", 20s);
  ASSERT_NE(ask, nullptr);
  ClickDialogButton(ask, IDYES);
  ASSERT_TRUE(WaitUntil([&] { return launcher_.DownloadWindow() != nullptr; }, 30s));
  ExpectUpdatedOverTheRunningCopy(running);
}

TEST_F(CatalogueRoad, DownloadAgainFromTheMenuReplacesTheExecutable) {
  PlaceTool(L"dingdan", L"shoptool_c.exe", L"shoptool_a.exe", "3.2.0");
  StartLauncher(3);
  ASSERT_EQ(launcher_.Caption(2), kOpen);
  auto menu = launcher_.OpenMenu(2);
  ASSERT_TRUE(Enabled(menu, kMenuRedownload));
  ASSERT_TRUE(launcher_.ChooseMenuEntry(kMenuRedownload));
  ASSERT_TRUE(WaitUntil([&] { return launcher_.DownloadWindow() != nullptr; }, 30s));
  ASSERT_TRUE(WaitUntil([&] { return launcher_.DownloadWindow() == nullptr; }, kLong));
  EXPECT_TRUE(launcher_.WaitForCaption(2, kOpen));
  EXPECT_EQ(ReadFileBytes(ToolDir(L"dingdan") + L"\\shoptool_c.exe"), ReadFileBytes(Served(L"shoptool_c.exe")));
  EXPECT_EQ(StampOf(L"dingdan"), "3.2.0");
  // The other items were not touched.
  EXPECT_EQ(launcher_.Caption(0), kDownload);
  EXPECT_FALSE(FolderExists(ToolDir(L"dianpu")));
}

// The service reads UTF-8; narrow literals here are GBK, so entries are written wide.
std::string Utf8(const std::wstring& text) {
  const int n =
      WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0)
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

// One catalogue entry; {base} is the service's own address.
std::string Entry(const std::wstring& name, const std::wstring& version, const std::wstring& store,
                  const std::wstring& exe, const std::wstring& down) {
  return Utf8(LR"({"soft_ico":"{base}/icons/dianpu.png","soft_name":")" + name + LR"(","soft_version":")" + version +
              LR"(","soft_introduce":"e2e","soft_time":"2026-12-01","soft_store":")" + store +
              LR"(","soft_process":")" + exe + LR"(","soft_down":")" + down +
              LR"(","soft_edu":"{base}/edu/dianpu.html"})");
}

// A cancel halfway through a slow update: the window goes within a second, the running old
// version keeps running and stays in place with its stamp, and the next update of that version
// continues from the part received, ending the old version only once the new one is complete.
TEST_F(CatalogueRoad, ACancelledUpdateKeepsTheRunningToolAndTheNextOneContinues) {
  PlaceTool(L"dianpu", L"shoptool_a.exe", L"shoptool_b.exe", "1.0.3");
  const std::wstring exe = ToolDir(L"dianpu") + L"\\shoptool_a.exe";
  const std::string oldBytes = ReadFileBytes(exe);
  ASSERT_TRUE(service_.Control(
      R"({"catalogue":{"code":200,"data":[)" +
      Entry(L"店铺助手", L"1.0.4", L"dianpu", L"shoptool_a.exe", L"{base}/slow/shoptool_a.exe") + "]}}"));
  TestProcess running = TestProcess::Start(L"\"" + exe + L"\" quorlen", ToolDir(L"dianpu"));
  ASSERT_TRUE(WaitUntil([&] { return ProcessesWithImage(exe).size() == 1; }, 30s));
  StartLauncher(1);

  auto startUpdate = [&] {
    EXPECT_TRUE(launcher_.PressAction(0));
    HWND ask = WaitForDialog(L"提示：", 20s);
    ASSERT_NE(ask, nullptr);
    ClickDialogButton(ask, IDYES);
    ASSERT_TRUE(WaitUntil([&] { return launcher_.DownloadWindow() != nullptr; }, 30s));
  };
  startUpdate();
  HWND window = launcher_.DownloadWindow();
  ASSERT_TRUE(WaitUntil([&] { return LauncherDriver::ProgressPercent(window) >= 50; }, 30s));
  EXPECT_TRUE(running.Running()) << "the old version runs while the new one arrives";
  SaveWindowShot(window, L"catalogue_download_slow.png");  // the size, speed and time left under the bar
  const AccElement cancel = FindAccessibleInWindows(window, L"取消");
  ASSERT_TRUE(cancel);
  const auto pressed = std::chrono::steady_clock::now();
  ASSERT_TRUE(launcher_.Press(cancel));
  ASSERT_TRUE(WaitUntil([&] { return launcher_.DownloadWindow() == nullptr; }, 5s));
  EXPECT_LT(std::chrono::steady_clock::now() - pressed, 1s);
  EXPECT_TRUE(running.Running());
  EXPECT_EQ(ReadFileBytes(exe), oldBytes);
  EXPECT_EQ(StampOf(L"dianpu"), "1.0.3");
  EXPECT_EQ(launcher_.Caption(0), kUpdate);
  EXPECT_EQ(FilesIn(ToolDir(L"dianpu")),
            (std::vector<std::wstring>{L"rjbbyz.qn", L"shoptool_a.exe", L"shoptool_a.exe.download",
                                       L"shoptool_a.exe.download.resume"}));

  startUpdate();
  window = launcher_.DownloadWindow();
  int firstPercent = -1;
  ASSERT_TRUE(WaitUntil([&] { return (firstPercent = LauncherDriver::ProgressPercent(window)) > 0; }, 30s));
  EXPECT_GE(firstPercent, 45) << "continued from the part received";
  ExpectUpdatedOverTheRunningCopy(running);
}

// A launcher ended halfway through a first install leaves the part received; started again, it
// continues from there.
TEST_F(CatalogueRoad, AnInstallOfALauncherEndedMidwayIsContinuedAfterARestart) {
  ASSERT_TRUE(service_.Control(
      R"({"catalogue":{"code":200,"data":[)" +
      Entry(L"店铺助手", L"1.0.4", L"dianpu", L"shoptool_a.exe", L"{base}/slow/shoptool_a.exe") + "]}}"));
  StartLauncher(1);
  ASSERT_TRUE(launcher_.PressAction(0));
  ASSERT_TRUE(WaitUntil([&] { return LauncherDriver::ProgressPercent(launcher_.DownloadWindow()) >= 50; }, 30s));
  ASSERT_TRUE(EndProcess(launcher_.processId()));
  EXPECT_EQ(FilesIn(ToolDir(L"dianpu")),
            (std::vector<std::wstring>{L"shoptool_a.exe.download", L"shoptool_a.exe.download.resume"}));

  StartLauncher(1);
  EXPECT_EQ(launcher_.Caption(0), kDownload);
  ASSERT_TRUE(launcher_.PressAction(0));
  int firstPercent = -1;
  ASSERT_TRUE(
      WaitUntil([&] { return (firstPercent = LauncherDriver::ProgressPercent(launcher_.DownloadWindow())) > 0; }, 30s));
  // What arrived in the last half second before the end may not have reached the file.
  EXPECT_GE(firstPercent, 25) << "continued from the part received";
  ASSERT_TRUE(launcher_.WaitForCaption(0, kOpen, kLong));
  EXPECT_EQ(ReadFileBytes(ToolDir(L"dianpu") + L"\\shoptool_a.exe"), ReadFileBytes(Served(L"shoptool_a.exe")));
  EXPECT_EQ(FilesIn(ToolDir(L"dianpu")), (std::vector<std::wstring>{L"rjbbyz.qn", L"shoptool_a.exe"}));
}

struct FailureCase {
  const wchar_t* route;
  const wchar_t* message;
};

// First installs, then updates of an installed tool, one of each per failure case: a failed
// first install leaves no executable and offers to download again; a failed update keeps the
// previous executable and stamp and still offers the update.
class FailedTransfers : public CatalogueRoad {
protected:
  void Check(const std::vector<FailureCase>& cases) {
    const size_t n = cases.size();
    std::string data;
    for (size_t i = 0; i < n; ++i) {
      data += (i ? "," : "") + Entry(L"首装" + std::to_wstring(i), L"1.0.4", L"first" + std::to_wstring(i), L"tool.exe",
                                     std::wstring(L"{base}") + cases[i].route);
    }
    for (size_t i = 0; i < n; ++i) {
      const std::wstring store = L"upd" + std::to_wstring(i);
      PlaceTool(store, L"tool.exe", L"shoptool_b.exe", "1.0.3");
      data += "," + Entry(L"更新" + std::to_wstring(i), L"1.0.4", store, L"tool.exe",
                          std::wstring(L"{base}") + cases[i].route);
    }
    ASSERT_TRUE(service_.Control(R"({"catalogue":{"code":200,"data":[)" + data + "]}}"));
    const std::string oldBytes = ReadFileBytes(Served(L"shoptool_b.exe"));

    StartLauncher(2 * n);
    for (size_t i = 0; i < n; ++i) EXPECT_EQ(launcher_.Caption(i), kDownload) << i;
    for (size_t i = n; i < 2 * n; ++i) EXPECT_EQ(launcher_.Caption(i), kUpdate) << i;

    for (size_t i = 0; i < 2 * n; ++i) {
      const FailureCase& c = cases[i % n];
      SCOPED_TRACE(::testing::Message() << "item " << i << " route " << Utf8(c.route));
      InstallRun run = InstallThroughWindow(i);
      EXPECT_EQ(run.message, c.message);
      const std::wstring store = (i < n ? L"first" : L"upd") + std::to_wstring(i % n);
      if (i < n) {
        EXPECT_TRUE(launcher_.WaitForCaption(i, kRedownload));
        EXPECT_EQ(launcher_.Caption(i), kRedownload);
        EXPECT_TRUE(FilesIn(ToolDir(store)).empty()) << "files left behind";
      } else {
        WaitUntil([] { return false; }, 1s);
        EXPECT_EQ(launcher_.Caption(i), kUpdate);
        EXPECT_EQ(ReadFileBytes(ToolDir(store) + L"\\tool.exe"), oldBytes);
        EXPECT_EQ(StampOf(store), "1.0.3");
        EXPECT_EQ(FilesIn(ToolDir(store)), (std::vector<std::wstring>{L"rjbbyz.qn", L"tool.exe"}));
      }
    }
    EXPECT_TRUE(launcher_.process().Running());
  }
};

TEST_F(FailedTransfers, MissingFileAndShortBody) {
  Check({{L"/fail/404/shoptool_a.exe", L"不能打开该URL!"}, {L"/fail/truncate/shoptool_a.exe", L"读文件出错!"}});
  SaveWindowShot(launcher_.window(), L"catalogue_failed_transfers.png");
}

TEST_F(FailedTransfers, ConnectionResetMidBodyOfUnknownLength) {
  // Without a Content-Length only the transport can tell a reset from the end of the body.
  // Where the system's transfer layer reports such a reset as a normal end (Wine's does when
  // the reset arrives after buffered data), no client can see it; the case is then not checked.
  // Wine's layer does so only some of the time, so the case runs only where several probes in a
  // row all see the reset.
  const std::wstring probe = InstallDirectory() + L"\\reset-probe.bin";
  for (int attempt = 0; attempt < 5; ++attempt) {
    const int probeResult = DownloadToFile(service_.Base() + "/fail/gone/shoptool_a.exe", WideToGbk(probe),
                                           {.message = [](const std::string&) {}, .retry_waits_ms = {}});
    DeleteFileW(probe.c_str());
    if (probeResult == 0) GTEST_SKIP() << "the transfer layer here reports a reset body as complete";
  }
  Check({{L"/fail/gone/shoptool_a.exe", L"读文件出错!"}});
}

TEST_F(CatalogueRoad, HostileEntryNamesAreListedButNeverActedOn) {
  const std::wstring down = L"{base}/download/shoptool_a.exe";
  const std::string data = Entry(L"上级目录", L"1.0", LR"(..\\..\\evil)", L"shoptool_a.exe", down) + "," +
                           Entry(L"上级程序", L"1.0", L"dianpu", LR"(..\\storvane.exe)", down) + "," +
                           Entry(L"设备名", L"1.0", L"CON", L"shoptool_a.exe", down) + "," +
                           // Resolves to the launcher itself; with an empty version a plain
                           // reading would call it installed and offer to open it.
                           Entry(L"自身", L"", L"..", L"storvane.exe", down);
  ASSERT_TRUE(service_.Control(R"({"catalogue":{"code":200,"data":[)" + data + "]}}"));
  const std::string launcherBytes = ReadFileBytes(launcherPath_);
  const size_t logBefore = service_.Log().size();

  StartLauncher(4);
  EXPECT_EQ(launcher_.Title(0), L"上级目录 V1.0");
  EXPECT_EQ(launcher_.Title(3), L"自身 V");
  for (size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(::testing::Message() << "item " << i);
    EXPECT_EQ(launcher_.Caption(i), kDownload);
    ASSERT_TRUE(launcher_.PressAction(i));
    HWND notice = WaitForDialog(L"提示：", 20s);
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(DialogMessage(notice), kUnsafeNotice);
    EXPECT_EQ(launcher_.DownloadWindow(), nullptr);
    ClickDialogButton(notice, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return WaitForDialog(L"提示：", 0ms) == nullptr; }, 10s));
    EXPECT_EQ(launcher_.Caption(i), kDownload);
  }

  // Nothing outside the tool folders was made or changed, and nothing was downloaded.
  EXPECT_FALSE(FolderExists(InstallDirectory().substr(0, 2) + L"\\quorlen\\evil"));
  EXPECT_FALSE(FolderExists(InstallDirectory() + L"\\evil"));
  EXPECT_FALSE(FolderExists(L"C:\\quorlen\\storvane\\evil"));
  EXPECT_TRUE(FilesIn(InstallDirectory()).size() >= 1);
  EXPECT_EQ(ReadFileBytes(launcherPath_), launcherBytes);
  EXPECT_FALSE(FileExists(InstallDirectory() + L"\\rjbbyz.qn"));
  EXPECT_FALSE(FileExists(InstallDirectory() + L"\\shoptool_a.exe"));
  EXPECT_TRUE(FilesIn(SoftDir()).empty());
  EXPECT_EQ(service_.Log().substr(logBefore).find("GET /download/"), std::string::npos);
  EXPECT_TRUE(launcher_.process().Running());

  // The watcher leaves them alone too: the launcher itself is never taken for a running tool.
  WaitUntil([] { return false; }, 4s);
  EXPECT_EQ(launcher_.Caption(3), kDownload);
  EXPECT_TRUE(launcher_.process().Running());
}

}  // namespace
}  // namespace storvane::testing
