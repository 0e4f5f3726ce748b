// The launcher built with the test key against its release as tools/publish.py signs it and
// nginx serves it (signed_service_fixture.sh release): a tool installs from the signed release;
// once the answer is changed on the server the launcher shows the copy it kept, the installed
// tool still opens, and an install only says that the service cannot be reached.
#include <gtest/gtest.h>

#include <cstdlib>

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
    EndStrayProcesses();
    launcherPath_ = InstallLauncher();
  }
  void TearDown() override {
    EndStrayProcesses();
    WriteFileBytes(answer_, served_);
  }

  std::wstring ToolDir(const std::wstring& store) const { return InstallDirectory() + L"\\soft\\" + store; }

  std::wstring www_, answer_, launcherPath_;
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

}  // namespace
}  // namespace storvane::testing
