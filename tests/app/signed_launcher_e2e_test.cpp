// The launcher built with the test key against its release as tools/publish.py signs it and
// nginx serves it (signed_service_fixture.sh release): a tool installs from the signed release;
// once the answer is changed on the server the launcher shows the copy it kept, the installed
// tool still opens, and an install only says that the service cannot be reached; so it is when
// the catalogue has expired, and the catalogue served as the launcher's answer is no update.
// Later releases copied over the served files update the tool (not while its download is
// tampered with), are not undone by an older release, and hand the launcher over to up.exe,
// which replaces it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <vector>

#include "app/launcher_driver.h"
#include "app/test_processes.h"
#include "support/demo_service.h"
#include "util/win_text.h"

namespace storvane::testing {
namespace {

constexpr auto kLong = 60s;

class SignedLauncher : public ::testing::Test {
protected:
  void SetUp() override {
    const char* dir = std::getenv("STORVANE_SIGNED_RELEASE");
    ASSERT_NE(dir, nullptr) << "needs the signed release fixture";
    www_ = GbkToWide(test_support::HostToWindowsPath(dir)) + L"\\www";
    answer_ = www_ + L"\\api\\group\\zor";
    served_ = ReadFileBytes(answer_);
    ASSERT_FALSE(served_.empty());
    variants_ = GbkToWide(test_support::HostToWindowsPath(dir)) + L"\\variants";
    EndStrayProcesses();
    launcherPath_ = InstallLauncher();
    RemoveSelfUpdateLeftovers();
  }
  void TearDown() override {
    EndStrayProcesses();
    Serve(L"release");
    RemoveSelfUpdateLeftovers();
  }

  // An offer up.exe installed is not handed over again, by this test or the next one.
  static void RemoveSelfUpdateLeftovers() {
    for (const wchar_t* left : {L"\\selfupdate_marker.txt", L"\\up.qn"}) {
      DeleteFileW((InstallDirectory() + left).c_str());
    }
  }

  // Puts a release of the variants folder in place of the served one: its answers, their
  // signatures and the downloads they name.
  void Serve(const std::wstring& variant) {
    for (const wchar_t* file : {L"api\\group\\zor", L"api\\group\\zor.sig", L"api\\single\\storvane",
                                L"api\\single\\storvane.sig", L"download\\shoptool_a.exe", L"download\\storvane.exe"}) {
      EXPECT_TRUE(CopyFileW((variants_ + L"\\" + variant + L"\\" + file).c_str(), (www_ + L"\\" + file).c_str(), FALSE))
          << WideToUtf8(file);
    }
  }

  // Presses the item's action and answers the message box the download leaves; its text.
  std::wstring InstallWithMessage(LauncherDriver& launcher, size_t item) {
    EXPECT_TRUE(launcher.PressAction(item));
    HWND box = WaitForDialog(L"信息：", kLong);
    if (box == nullptr) return {};
    const std::wstring text = DialogMessage(box);
    ClickDialogButton(box, IDOK);
    return text;
  }

  std::wstring ToolDir(const std::wstring& store) const { return InstallDirectory() + L"\\soft\\" + store; }

  std::wstring www_, answer_, launcherPath_, variants_;
  std::string served_;
};

TEST_F(SignedLauncher, InstallsFromTheSignedReleaseAndKeepsItsCopyWhenTheAnswerIsChanged) {
  {
    LauncherDriver launcher;
    ASSERT_TRUE(launcher.Start(launcherPath_, kLong));
    ASSERT_TRUE(launcher.WaitForItems(3, kLong));
    EXPECT_EQ(launcher.Title(0), L"店铺助手 V1.0.3");
    ASSERT_TRUE(launcher.PressAction(0));
    EXPECT_TRUE(launcher.WaitForCaption(0, L"打开软件", kLong));
    EXPECT_EQ(ReadFileBytes(ToolDir(L"dianpu") + L"\\shoptool_a.exe"),
              ReadFileBytes(www_ + L"\\download\\shoptool_a.exe"));
    EndStrayProcesses();
  }

  // Same length, so only the signature tells.
  std::string changed = served_;
  changed.replace(changed.find("1.0.3"), 5, "9.9.9");
  ASSERT_TRUE(WriteFileBytes(answer_, changed));

  LauncherDriver launcher;
  ASSERT_TRUE(launcher.Start(launcherPath_, kLong));
  ASSERT_TRUE(launcher.WaitForItems(3, kLong));
  EXPECT_EQ(launcher.Title(0), L"店铺助手 V1.0.3");
  EXPECT_EQ(launcher.Caption(0), L"打开软件");
  EXPECT_EQ(launcher.Caption(1), L"下载软件");
  SaveScreenPng(ArtifactPath(L"signed_launcher_offline.png"));

  ASSERT_TRUE(launcher.PressAction(1));
  HWND notice = WaitForDialog(L"提示：", 20s);
  ASSERT_NE(notice, nullptr);
  EXPECT_EQ(DialogMessage(notice), L"暂时无法连接服务器，请稍后再试。");
  EXPECT_EQ(launcher.DownloadWindow(), nullptr);
  ClickDialogButton(notice, IDOK);
  EXPECT_EQ(GetFileAttributesW(ToolDir(L"caiji").c_str()), INVALID_FILE_ATTRIBUTES) << "an install began";

  ASSERT_TRUE(launcher.PressAction(0));
  EXPECT_TRUE(WaitUntil([&] { return !ProcessesWithImage(ToolDir(L"dianpu") + L"\\shoptool_a.exe").empty(); }, kLong))
      << "the installed tool did not start";
  EXPECT_TRUE(launcher.process().Running());
}

TEST_F(SignedLauncher, AnExpiredCatalogueAndTheCatalogueServedAsTheLaunchersAnswerAreRefused) {
  {
    LauncherDriver launcher;
    ASSERT_TRUE(launcher.Start(launcherPath_, kLong));
    ASSERT_TRUE(launcher.WaitForItems(3, kLong));
    EndStrayProcesses();
  }
  // A current signed catalogue (its first tool 1.0.3) as the launcher's answer, and a catalogue
  // offering 9.9.9 whose time is up: no hand-over, and the kept list, offline.
  Serve(L"expired");
  LauncherDriver launcher;
  ASSERT_TRUE(launcher.Start(launcherPath_, kLong)) << "no launcher window";
  ASSERT_TRUE(launcher.WaitForItems(3, kLong));
  EXPECT_EQ(launcher.Title(0), L"店铺助手 V1.0.3");
  EXPECT_TRUE(ProcessesWithImage(InstallDirectory() + L"\\up.exe").empty()) << "handed over to up.exe";
  ASSERT_TRUE(launcher.PressAction(0));
  HWND notice = WaitForDialog(L"提示：", 20s);
  ASSERT_NE(notice, nullptr);
  EXPECT_EQ(DialogMessage(notice), L"暂时无法连接服务器，请稍后再试。");
  ClickDialogButton(notice, IDOK);
  EXPECT_TRUE(launcher.process().Running());
}

TEST_F(SignedLauncher, UpdatesThroughLaterReleasesAndRefusesATamperedDownloadAndAnOlderRelease) {
  const std::wstring tool = ToolDir(L"dianpu") + L"\\shoptool_a.exe";
  {
    LauncherDriver launcher;
    ASSERT_TRUE(launcher.Start(launcherPath_, kLong));
    ASSERT_TRUE(launcher.WaitForItems(3, kLong));
    ASSERT_TRUE(launcher.PressAction(0));
    ASSERT_TRUE(launcher.WaitForCaption(0, L"打开软件", kLong));
    EndStrayProcesses();
  }
  const std::string installed = ReadFileBytes(tool);

  // The newer release names 1.0.4; its download is changed on the server after signing.
  Serve(L"update");
  const std::wstring download = www_ + L"\\download\\shoptool_a.exe";
  const std::string good = ReadFileBytes(download);
  ASSERT_TRUE(WriteFileBytes(download, good + "tampered"));
  {
    LauncherDriver launcher;
    ASSERT_TRUE(launcher.Start(launcherPath_, kLong));
    ASSERT_TRUE(launcher.WaitForItems(3, kLong));
    EXPECT_EQ(launcher.Title(0), L"店铺助手 V1.0.4");
    ASSERT_EQ(launcher.Caption(0), L"更新软件");
    EXPECT_EQ(InstallWithMessage(launcher, 0), L"下载的文件未通过校验，已保留原来的版本。");
    EXPECT_EQ(ReadFileBytes(tool), installed) << "the tampered download replaced the tool";
    EXPECT_TRUE(launcher.WaitForCaption(0, L"更新软件", kLong));
    // A press while the failed download's window is still closing belongs to that flow.
    ASSERT_TRUE(WaitUntil([&] { return launcher.DownloadWindow() == nullptr; }, kLong));

    ASSERT_TRUE(WriteFileBytes(download, good));
    ASSERT_TRUE(launcher.PressAction(0));
    EXPECT_TRUE(launcher.WaitForCaption(0, L"打开软件", kLong));
    EXPECT_EQ(ReadFileBytes(tool), good);
    EndStrayProcesses();
  }

  // The first release again, correctly signed but older than the one accepted: the kept copy.
  Serve(L"release");
  {
    LauncherDriver launcher;
    ASSERT_TRUE(launcher.Start(launcherPath_, kLong));
    ASSERT_TRUE(launcher.WaitForItems(3, kLong));
    EXPECT_EQ(launcher.Title(0), L"店铺助手 V1.0.4");
    ASSERT_TRUE(launcher.PressAction(1));
    HWND notice = WaitForDialog(L"提示：", 20s);
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(DialogMessage(notice), L"暂时无法连接服务器，请稍后再试。");
    ClickDialogButton(notice, IDOK);
    EndStrayProcesses();
  }

  // A release that names launcher 2.2: the launcher hands over before its window shows, and
  // up.exe puts the served launcher in place (its digest travels along) and starts it.
  Serve(L"selfupdate");
  TestProcess old = TestProcess::Start(L"\"" + launcherPath_ + L"\"", InstallDirectory());
  ASSERT_TRUE(old.started());
  const std::wstring up = InstallDirectory() + L"\\up.exe";
  std::vector<DWORD> updaters;
  ASSERT_TRUE(WaitUntil([&] { return !(updaters = ProcessesWithImage(up)).empty(); }, kLong)) << "no up.exe started";
  EXPECT_TRUE(old.WaitForExit(kLong).has_value()) << "the launcher did not end";
  const std::optional<std::wstring> line = ProcessCommandLine(updaters.front());
  ASSERT_TRUE(line.has_value());
  EXPECT_NE(line->find(L":" + std::to_wstring(ReadFileBytes(www_ + L"\\download\\storvane.exe").size())),
            std::wstring::npos)
      << WideToUtf8(*line);
  HWND window = WaitForTopWindow(updaters.front(), kLong);
  ASSERT_NE(window, nullptr);
  AccElement start;
  ASSERT_TRUE(WaitUntil([&] { return static_cast<bool>(start = FindAccessibleInWindows(window, L"开始更新")); }, 10s));
  ClickCentreOf(start.Location());
  EXPECT_TRUE(WaitUntil([&] { return FileExists(InstallDirectory() + L"\\selfupdate_marker.txt"); }, kLong))
      << "the new launcher was not started";
  EXPECT_EQ(ReadFileBytes(launcherPath_), ReadFileBytes(www_ + L"\\download\\storvane.exe"));
}

}  // namespace
}  // namespace storvane::testing
