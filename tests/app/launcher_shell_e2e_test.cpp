// The launcher as a user meets it: started from its install directory, started twice, started
// from a download folder, closed from its title bar.
#include <gtest/gtest.h>

#include <vector>

#include "app/shortcut_reader.h"
#include "catalogue/desktop_shortcut.h"
#include "support/demo_service.h"
#include "util/win_text.h"

namespace storvane::testing {
namespace {

constexpr auto kStartTimeout = 60s;

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

TestProcess StartLauncher(const std::wstring& exe) { return TestProcess::Start(Quoted(exe), DirectoryOf(exe)); }

BOOL CALLBACK CollectChild(HWND child, LPARAM all) {
  reinterpret_cast<std::vector<HWND>*>(all)->push_back(child);
  return TRUE;
}

class LauncherShell : public ::testing::Test {
protected:
  void SetUp() override {
    auto service = DemoService::Load();
    ASSERT_TRUE(service) << "needs the demo service fixture";
    service_ = *service;
    service_.ResetOffer();
    EndStrayProcesses();
    installed_ = InstallLauncher();
  }
  void TearDown() override { EndStrayProcesses(); }

  DemoService service_;
  std::wstring installed_;
};

TEST_F(LauncherShell, SecondStartEndsSilentlyWhileTheFirstRuns) {
  TestProcess first = StartLauncher(installed_);
  ASSERT_NE(WaitForTopWindow(first.id(), kStartTimeout), nullptr);

  TestProcess second = StartLauncher(installed_);
  bool secondShowedAWindow = false;
  std::optional<DWORD> code;
  WaitUntil(
      [&] {
        if (!TopWindowsOfProcess(second.id()).empty()) secondShowedAWindow = true;
        code = second.WaitForExit(0ms);
        return code.has_value();
      },
      kStartTimeout, 20ms);
  ASSERT_TRUE(code.has_value()) << "the second launcher did not end";
  EXPECT_EQ(*code, 0u);
  EXPECT_FALSE(secondShowedAWindow);
  EXPECT_TRUE(first.Running());

  // A message box would be a window of its own; there is none.
  EXPECT_EQ(WaitForDialog(L"友情提醒:", 300ms), nullptr);
}

TEST_F(LauncherShell, TwentySimultaneousStartsLeaveExactlyOne) {
  std::vector<TestProcess> launchers;
  for (int i = 0; i < 20; ++i) launchers.push_back(StartLauncher(installed_));
  for (auto& l : launchers) ASSERT_TRUE(l.started());

  int ended = 0;
  ASSERT_TRUE(WaitUntil(
      [&] {
        ended = 0;
        for (auto& l : launchers) ended += l.Running() ? 0 : 1;
        return ended >= 19;
      },
      120s, 100ms))
      << ended << " of 20 ended";
  WaitUntil([] { return false; }, 2s);  // a late second winner would end by now, or never

  int running = 0;
  for (auto& l : launchers) {
    if (l.Running()) {
      ++running;
      EXPECT_NE(WaitForTopWindow(l.id(), kStartTimeout), nullptr);
    } else {
      EXPECT_EQ(l.WaitForExit(0ms).value_or(99), 0u);
    }
  }
  EXPECT_EQ(running, 1);
}

TEST_F(LauncherShell, CloseQueryNoKeepsTheWindowYesEndsWithCodeZero) {
  TestProcess launcher = StartLauncher(installed_);
  HWND window = WaitForTopWindow(launcher.id(), kStartTimeout);
  ASSERT_NE(window, nullptr);

  // The title bar's close button, pressed the way an accessibility client or a user does.
  auto pressClose = [&] {
    AccElement frame;
    WaitUntil(
        [&] {
          frame = FindAccessibleInWindows(window, L"关闭");
          return static_cast<bool>(frame);
        },
        10s);
    ASSERT_TRUE(frame) << "no close button in the frame";
    ClickCentreOf(frame.Location());
  };

  pressClose();
  HWND ask = WaitForDialog(L"提示：", 20s);
  ASSERT_NE(ask, nullptr);
  EXPECT_EQ(DialogMessage(ask), L"是否关闭软件？");
  ClickDialogButton(ask, IDNO);
  EXPECT_FALSE(launcher.WaitForExit(1500ms).has_value());
  EXPECT_TRUE(IsWindow(window));

  pressClose();
  ask = WaitForDialog(L"提示：", 20s);
  ASSERT_NE(ask, nullptr);
  ClickDialogButton(ask, IDYES);
  auto code = launcher.WaitForExit(20s);
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 0u);
}

TEST_F(LauncherShell, StartFromAnotherFolderMovesItselfThere) {
  const std::wstring folder = L"C:\\storvane-e2e\\下载 文件夹";
  RemoveTree(L"C:\\storvane-e2e");
  MakeDirectories(folder);
  const std::wstring downloaded = folder + L"\\Storvane安装.exe";
  ASSERT_TRUE(CopyFileW(BuiltLauncher().c_str(), downloaded.c_str(), FALSE));
  WriteFileBytes(folder + L"\\up.exe", "stale updater");
  const std::wstring target = InstallDirectory() + L"\\Storvane安装.exe";
  DeleteFileW(target.c_str());

  const std::string desktop = GetSpecialFolderPath(0);
  const std::wstring link = GbkToWide(desktop) + L"Storvane.lnk";
  DeleteFileW(link.c_str());

  TestProcess launcher = StartLauncher(downloaded);
  HWND notice = WaitForDialog(L"提示：", kStartTimeout);
  ASSERT_NE(notice, nullptr);
  EXPECT_EQ(DialogMessage(notice),
            L"程序非指定目录，已为您自动移动到以下目录！\r\n" + InstallDirectory() + L"\r\n已在桌面创建快捷方式！");
  // Before the notice is answered the copy and the shortcut are already there.
  EXPECT_EQ(ReadFileBytes(target), ReadFileBytes(downloaded));
  const auto shortcut = test_support::ReadShortcut(WideToGbk(link));
  EXPECT_TRUE(shortcut.loaded);
  EXPECT_EQ(GbkToWide(shortcut.targetPath), target);
  EXPECT_EQ(GbkToWide(shortcut.workingDirectory), InstallDirectory() + L"\\");
  // The shortcut's target is written as the install directory, "/" and the name; the shell
  // normalises the target itself but keeps the icon location as given.
  EXPECT_EQ(GbkToWide(shortcut.iconLocation), InstallDirectory() + L"/Storvane安装.exe,0");

  ClickDialogButton(notice, IDOK);
  auto code = launcher.WaitForExit(30s);
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 0u);
  EXPECT_TRUE(TopWindowsOfProcess(launcher.id()).empty());

  // The old folder holds the hidden self-delete script and no updater; the script host runs
  // it once the launcher has ended.
  const std::wstring script = folder + L"\\tem.vbs";
  const DWORD attributes = GetFileAttributesW(script.c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN);
  const std::string dir = WideToGbk(folder) + "\\";
  EXPECT_EQ(ReadFileBytes(script),
            "  Dim fso\r\n  Set fso = CreateObject(\"Scripting.FileSystemObject\")\r\n  Wscript.Sleep(1000)\r\n"
            "  fso.DeleteFile(\"" +
                dir + "Storvane安装.exe\")\r\n  fso.DeleteFile(\"" + dir + "tem.vbs\")");
  EXPECT_FALSE(FileExists(folder + L"\\up.exe"));

  DeleteFileW(link.c_str());
  DeleteFileW(target.c_str());
  EndStrayProcesses();  // the script host, where it still waits
  RemoveTree(L"C:\\storvane-e2e");
}

TEST_F(LauncherShell, FailedCopyKeepsTheOnlyCopyAndDeletesNothing) {
  const std::wstring folder = L"C:\\storvane-e2e\\blocked";
  RemoveTree(L"C:\\storvane-e2e");
  MakeDirectories(folder);
  const std::wstring downloaded = folder + L"\\storvane.exe";
  ASSERT_TRUE(CopyFileW(BuiltLauncher().c_str(), downloaded.c_str(), FALSE));
  // A folder where the copy must go: neither deleting nor copying over it can succeed.
  const std::wstring blocker = InstallDirectory() + L"\\storvane.exe";
  DeleteFileW(blocker.c_str());
  ASSERT_TRUE(CreateDirectoryW(blocker.c_str(), nullptr));

  TestProcess launcher = StartLauncher(downloaded);
  HWND notice = WaitForDialog(L"提示：", kStartTimeout);
  ASSERT_NE(notice, nullptr);
  EXPECT_EQ(DialogMessage(notice).find(L"程序非指定目录"), std::wstring::npos);
  ClickDialogButton(notice, IDOK);
  auto code = launcher.WaitForExit(30s);
  ASSERT_TRUE(code.has_value());
  EXPECT_TRUE(FileExists(downloaded));
  EXPECT_FALSE(FileExists(folder + L"\\tem.vbs"));

  RemoveDirectoryW(blocker.c_str());
  RemoveTree(L"C:\\storvane-e2e");
}

TEST_F(LauncherShell, MainWindowAfterStart) {
  TestProcess launcher = StartLauncher(installed_);
  HWND window = WaitForTopWindow(launcher.id(), kStartTimeout);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(WindowText(window), L"Storvane");
  // The title's version suffix and the disk line, read from the live window as a screen reader
  // reads them; waited for rather than slept on.
  auto labelNamed = [window](auto&& wanted) {
    std::vector<HWND> children;
    EnumChildWindows(window, &CollectChild, reinterpret_cast<LPARAM>(&children));
    for (HWND child : children) {
      if (AccElement label = AccessibleOf(child); label && wanted(label.Name())) return label.Name();
    }
    return std::wstring();
  };
  const auto hasVersion = [](const std::wstring& name) {
    return name.starts_with(L"Storvane") && name.ends_with(L"版本：V2.1");
  };
  const auto isDiskLine = [](const std::wstring& name) {
    return name.size() > 8 && name.find(L"盘剩余空间：") == 1 &&
           (name.ends_with(L"G，足够软件的运行！") || name.ends_with(L"G，建议进行扩容！"));
  };
  EXPECT_TRUE(WaitUntil([&] { return !labelNamed(hasVersion).empty(); }, kStartTimeout));
  EXPECT_TRUE(WaitUntil([&] { return !labelNamed(isDiskLine).empty(); }, kStartTimeout));
  EXPECT_TRUE(WaitUntil([&] { return service_.Log().find("GET /api/group/zor") != std::string::npos; }, kStartTimeout));
  RECT r{};
  GetWindowRect(window, &r);
  EXPECT_TRUE(SaveScreenPng(ArtifactPath(L"launcher_main_window.png"), &r));
  EXPECT_NE(service_.Log().find("GET /api/single/storvane"), std::string::npos);
}

}  // namespace
}  // namespace storvane::testing
