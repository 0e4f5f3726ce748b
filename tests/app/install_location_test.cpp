#include "app/install_location.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/shell_probe_codes.h"
#include "app/shortcut_reader.h"
#include "app/test_processes.h"
#include "catalogue/desktop_shortcut.h"
#include "sys/process_finder.h"
#include "util/text.h"
#include "util/win_text.h"

namespace storvane {
namespace {

using test_support::CopyFileTo;
using test_support::FileAttributes;
using test_support::FileExists;
using test_support::HostToWindowsPath;
using test_support::ReadBytes;
using test_support::ReadShortcut;
using test_support::StartChild;
using test_support::TempFolder;
using test_support::WaitUntil;
using test_support::WriteBytes;

const std::string kProbe = HostToWindowsPath(SHELL_PROBE_EXE);

// The script as the old copy's folder must hold it, written out line by line.
std::string ExpectedScript(const std::string& dirWithBackslash, const std::string& exeName) {
  return "  Dim fso\r\n"
         "  Set fso = CreateObject(\"Scripting.FileSystemObject\")\r\n"
         "  Wscript.Sleep(1000)\r\n"
         "  fso.DeleteFile(\"" +
         dirWithBackslash + exeName +
         "\")\r\n"
         "  fso.DeleteFile(\"" +
         dirWithBackslash + "tem.vbs\")";
}

bool IsDirectory(const std::string& path) {
  const DWORD attributes = FileAttributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

TEST(InstallDir, LiesOnTheDriveOfTheWindowsDirectory) {
  EXPECT_EQ(InstallDirForWindowsDir("C:\\windows"), "C:\\quorlen\\storvane\\zor");
  EXPECT_EQ(InstallDirForWindowsDir("D:\\Windows"), "D:\\quorlen\\storvane\\zor");
  EXPECT_EQ(InstallDirForWindowsDir("D:\\"), "D:\\quorlen\\storvane\\zor");
  EXPECT_EQ(InstallDirForWindowsDir("E:/WINNT/x"), "E:\\quorlen\\storvane\\zor");
}

TEST(InstallDir, IsCreatedWithBothParents) {
  wchar_t windows[MAX_PATH] = {};
  ::GetWindowsDirectoryW(windows, MAX_PATH);
  const std::string installDir = GetInstallDir();
  EXPECT_EQ(installDir, InstallDirForWindowsDir(WideToGbk(windows)));
  EXPECT_TRUE(IsDirectory(installDir.substr(0, 2) + "\\quorlen"));
  EXPECT_TRUE(IsDirectory(installDir.substr(0, 2) + "\\quorlen\\storvane"));
  EXPECT_TRUE(IsDirectory(installDir));
  // A second call finds everything in place and gives the same answer.
  EXPECT_EQ(GetInstallDir(), installDir);
}

TEST(RunDirectory, AndExecutableNameMakeUpTheModulePath) {
  wchar_t own[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, own, MAX_PATH);
  EXPECT_EQ(GetRunDirectory() + "\\" + GetExecutableName(), WideToGbk(own));
  EXPECT_EQ(GetExecutableName(), "shell_tests.exe");
}

// Decided by which folder it is: a folder whose name merely begins like the install folder's is
// elsewhere.
TEST(IsInsideInstallDir, TheFolderAndAnythingBelowItCountNotFoldersOfASimilarName) {
  TempFolder install("inst");
  ::CreateDirectoryW(GbkToWide(install / "soft").c_str(), nullptr);
  ::CreateDirectoryW(GbkToWide(install / "soft\\dianpu").c_str(), nullptr);
  EXPECT_TRUE(IsInsideInstallDir(install.path(), install.path()));
  EXPECT_TRUE(IsInsideInstallDir(install / "soft\\dianpu", install.path()));
  for (const char* suffix : {"2", ".old"}) {
    const std::string twin = install.path() + suffix;
    ASSERT_TRUE(::CreateDirectoryW(GbkToWide(twin).c_str(), nullptr)) << twin;
    EXPECT_FALSE(IsInsideInstallDir(twin, install.path())) << twin;
    test_support::RemoveTree(twin);
  }
  EXPECT_FALSE(IsInsideInstallDir(install.path(), install / "missing"));
}

TEST(RelocateIfNeeded, AnInstalledCopyStaysWhereItIs) {
  TempFolder install("inst");
  bool told = false;
  RelocationRequest request;
  request.runDir = install.path() + "\\soft\\dianpu";
  request.exeName = "storvane.exe";
  request.installDir = install.path();
  request.shortcutName = "never";
  request.showMessage = [&](const std::string&, const std::string&, UINT) {
    told = true;
    return IDOK;
  };
  RelocateIfNeeded(request);  // returns: this process goes on
  EXPECT_FALSE(told);
  EXPECT_FALSE(FileExists(install / "storvane.exe"));
}

TEST(SelfDeleteScript, HasExactlyTheFiveLines) {
  EXPECT_EQ(SelfDeleteScriptText("C:\\down\\", "storvane.exe"), ExpectedScript("C:\\down\\", "storvane.exe"));
  EXPECT_EQ(SelfDeleteScriptText("C:\\下载\\", "店铺助手.exe"), ExpectedScript("C:\\下载\\", "店铺助手.exe"));
}

TEST(SelfDeleteScript, IsWrittenHiddenAndRewrittenOverAnEarlierOne) {
  TempFolder folder("script");
  const std::string script = WriteSelfDeleteScript(folder.path(), "old.exe");
  ASSERT_EQ(script, folder / "tem.vbs");
  EXPECT_EQ(ReadBytes(script), ExpectedScript(folder.path() + "\\", "old.exe"));
  EXPECT_TRUE(FileAttributes(script) & FILE_ATTRIBUTE_HIDDEN);

  // A hidden script left behind by an earlier run is replaced, not kept.
  ASSERT_EQ(WriteSelfDeleteScript(folder.path(), "new.exe"), script);
  EXPECT_EQ(ReadBytes(script), ExpectedScript(folder.path() + "\\", "new.exe"));
  EXPECT_TRUE(FileAttributes(script) & FILE_ATTRIBUTE_HIDDEN);
}

TEST(SelfDeleteScript, StartsTheScriptHost) {
  TempFolder folder("host");
  ASSERT_TRUE(WriteBytes(folder / "victim.exe", "x"));
  const std::string script = WriteSelfDeleteScript(folder.path(), "victim.exe");
  ASSERT_FALSE(script.empty());
  const std::vector<DWORD> before = FindProcessIdsByExeName("wscript.exe");
  ASSERT_TRUE(StartSelfDeleteScript(script));
  bool hostSeen = false;
  WaitUntil(
      [&] {
        for (DWORD id : FindProcessIdsByExeName("wscript.exe")) {
          if (std::find(before.begin(), before.end(), id) == before.end()) hostSeen = true;
        }
        // The host may also have finished already, having deleted both files.
        return hostSeen || (!FileExists(script) && !FileExists(folder / "victim.exe"));
      },
      10000);
  EXPECT_TRUE(hostSeen || !FileExists(script));
}

TEST(SelfDeleteScript, ItsDeleteLinesRemoveTheExecutableAndTheScript) {
  // The same script with its one-second sleep done by a loop on the clock, which every script
  // host runs; the delete lines are left exactly as written.
  TempFolder folder("delete");
  const std::string exeName = "店铺助手 副本.exe";
  ASSERT_TRUE(WriteBytes(folder / exeName, "old copy"));
  const std::string script = WriteSelfDeleteScript(folder.path(), exeName);
  ASSERT_FALSE(script.empty());
  const std::string original = ReadBytes(script);
  const std::string looped =
      ReplaceText(original, "  Wscript.Sleep(1000)", "  t = Timer : Do While Timer - t < 1 And Timer >= t : Loop");
  ASSERT_NE(looped, original);
  ::SetFileAttributesW(GbkToWide(script).c_str(), FILE_ATTRIBUTE_NORMAL);
  ASSERT_TRUE(WriteBytes(script, looped));
  ::SetFileAttributesW(GbkToWide(script).c_str(), FILE_ATTRIBUTE_HIDDEN);

  ASSERT_TRUE(StartSelfDeleteScript(script));
  EXPECT_TRUE(WaitUntil([&] { return !FileExists(folder / exeName) && !FileExists(script); }, 20000))
      << "executable there: " << FileExists(folder / exeName) << ", script there: " << FileExists(script);
}

// A copy of the probe in a folder of its own, as a user's download would be.
class Relocation : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_FALSE(from_.path().empty());
    ASSERT_FALSE(install_.path().empty());
    ASSERT_TRUE(CopyFileTo(kProbe, from_ / exeName_));
    ASSERT_TRUE(WriteBytes(from_ / "up.exe", "updater"));
    shortcutName_ = "Storvane测试" + std::to_string(::GetCurrentProcessId()) + "_" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name();
    link_ = GetSpecialFolderPath(0) + shortcutName_ + ".lnk";
  }
  void TearDown() override { ::DeleteFileW(GbkToWide(link_).c_str()); }

  // Runs the copy's relocation into `installDir`; returns its exit code.
  DWORD Relocate(const std::string& installDir) {
    auto copy = StartChild(from_ / exeName_, "relocate \"" + installDir + "\" \"" + (notes_ / "notice.txt") + "\" \"" +
                                                 shortcutName_ + "\"");
    EXPECT_TRUE(copy.valid());
    EXPECT_TRUE(copy.WaitForExit(30000));
    return copy.ExitCode();
  }

  std::string Notice() const { return ReadBytes(notes_ / "notice.txt"); }

  TempFolder from_{"from"};
  TempFolder install_{"install"};
  TempFolder notes_{"notes"};
  const std::string exeName_ = "启动器 副本.exe";  // renamed by the user
  std::string shortcutName_;
  std::string link_;
};

TEST_F(Relocation, CopiesItselfLinksTellsAndLeavesTheDeleteScript) {
  ASSERT_EQ(Relocate(install_.path()), 0u);

  const std::string copied = install_ / exeName_;
  ASSERT_TRUE(FileExists(copied));
  EXPECT_EQ(ReadBytes(copied), ReadBytes(kProbe));

  EXPECT_EQ(Notice(),
            "提示：|程序非指定目录，已为您自动移动到以下目录！\r\n" + install_.path() + "\r\n已在桌面创建快捷方式！");

  const auto link = ReadShortcut(link_);
  ASSERT_TRUE(link.loaded) << link_;
  EXPECT_EQ(ReplaceText(link.targetPath, "/", "\\"), copied);
  EXPECT_EQ(link.workingDirectory, install_.path() + "\\");
  EXPECT_EQ(ReplaceText(link.iconLocation, "/", "\\"), copied + ",0");

  EXPECT_FALSE(FileExists(from_ / "up.exe"));
  const std::string script = from_ / "tem.vbs";
  if (FileExists(script)) {
    EXPECT_EQ(ReadBytes(script), ExpectedScript(from_.path() + "\\", exeName_));
    EXPECT_TRUE(FileAttributes(script) & FILE_ATTRIBUTE_HIDDEN);
  } else {
    // A script host that sleeps has already run it: then the old copy is gone too.
    EXPECT_FALSE(FileExists(from_ / exeName_));
  }
}

TEST_F(Relocation, FailedCopyKeepsTheOldCopyAndDeletesNothing) {
  const std::string unreachable = install_ / "missing\\deeper";
  ASSERT_EQ(Relocate(unreachable), 0u);

  EXPECT_TRUE(FileExists(from_ / exeName_));
  EXPECT_TRUE(FileExists(from_ / "up.exe"));
  EXPECT_FALSE(FileExists(from_ / "tem.vbs"));
  EXPECT_FALSE(FileExists(link_));
  EXPECT_EQ(Notice(), "提示：|" + RelocationFailedNotice(unreachable));
  EXPECT_NE(FindText(Notice(), unreachable), -1);
}

TEST_F(Relocation, CopyBlockedByAFolderOfTheSameNameIsAFailureToo) {
  ASSERT_TRUE(::CreateDirectoryW(GbkToWide(install_ / exeName_).c_str(), nullptr));
  ASSERT_EQ(Relocate(install_.path()), 0u);
  EXPECT_TRUE(FileExists(from_ / exeName_));
  EXPECT_FALSE(FileExists(from_ / "tem.vbs"));
  EXPECT_EQ(Notice(), "提示：|" + RelocationFailedNotice(install_.path()));
}

TEST_F(Relocation, RunningFromTheInstallDirectoryChangesNothing) {
  ASSERT_EQ(Relocate(from_.path()), static_cast<DWORD>(probe::kInstalledExitCode));
  EXPECT_EQ(Notice(), "");
  EXPECT_TRUE(FileExists(from_ / "up.exe"));
  EXPECT_FALSE(FileExists(from_ / "tem.vbs"));
  EXPECT_FALSE(FileExists(link_));
}

// The same folder spelt in other letters (or through a folder above it) is still home: before,
// the copy onto itself "succeeded" by comparing the file with itself and the script deleted it.
TEST_F(Relocation, TheInstallDirectoryInAnotherLetterCaseIsStillHome) {
  std::string shouted = from_.path();
  std::transform(shouted.begin(), shouted.end(), shouted.begin(),
                 [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
  ASSERT_NE(shouted, from_.path());
  EXPECT_TRUE(IsInsideInstallDir(from_ / "soft", shouted));
  ASSERT_EQ(Relocate(shouted), static_cast<DWORD>(probe::kInstalledExitCode));
  EXPECT_EQ(Notice(), "");
  EXPECT_EQ(ReadBytes(from_ / exeName_), ReadBytes(kProbe));
  EXPECT_FALSE(FileExists(from_ / "tem.vbs"));
}

TEST(ScheduleSelfDelete, WritesTheScriptForTheRunningCopyAndEnds) {
  TempFolder folder("self");
  const std::string exeName = "另一个名字.exe";
  ASSERT_TRUE(CopyFileTo(kProbe, folder / exeName));
  auto copy = StartChild(folder / exeName, "self-delete");
  ASSERT_TRUE(copy.WaitForExit(30000));
  EXPECT_EQ(copy.ExitCode(), 0u);
  const std::string script = folder / "tem.vbs";
  if (FileExists(script)) {
    EXPECT_EQ(ReadBytes(script), ExpectedScript(folder.path() + "\\", exeName));
  } else {
    EXPECT_FALSE(FileExists(folder / exeName));
  }
}

}  // namespace
}  // namespace storvane
