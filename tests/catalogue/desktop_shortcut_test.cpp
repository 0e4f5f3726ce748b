#include "catalogue/desktop_shortcut.h"

#include <gtest/gtest.h>

#include <string>

#include "app/shortcut_reader.h"
#include "app/test_processes.h"
#include "util/win_text.h"

namespace storvane {
namespace {

using test_support::FileExists;
using test_support::ReadBytes;
using test_support::ReadShortcut;
using test_support::WriteBytes;

TEST(ShortcutLinkPath, AddsTheLinkExtensionUnlessTheNameHasOne) {
  EXPECT_EQ(ShortcutLinkPath("Tool", "D:\\desk\\"), "D:\\desk\\Tool.lnk");
  EXPECT_EQ(ShortcutLinkPath("Tool.LNK", "D:\\desk\\"), "D:\\desk\\Tool.LNK");
  EXPECT_EQ(ShortcutLinkPath("店铺助手", "D:\\desk\\"), "D:\\desk\\店铺助手.lnk");
  // ".lnk" anywhere in the name counts.
  EXPECT_EQ(ShortcutLinkPath("a.lnk.b", "D:\\desk\\"), "D:\\desk\\a.lnk.b");
}

TEST(ShortcutLinkPath, NameWithAFolderKeepsOnlyItsFileNameWithoutExtension) {
  EXPECT_EQ(ShortcutLinkPath("C:\\x\\Tool.exe", "D:\\desk\\"), "D:\\desk\\Tool.lnk");
  EXPECT_EQ(ShortcutLinkPath("C:\\x\\Tool.lnk", "D:\\desk\\"), "D:\\desk\\Tool.lnk");
  EXPECT_EQ(ShortcutLinkPath("C:\\x.y\\Tool", "D:\\desk\\"), "D:\\desk\\Tool.lnk");
  EXPECT_EQ(ShortcutLinkPath("C:\\x\\", "D:\\desk\\"), "D:\\desk\\.lnk");
}

TEST(ShortcutLinkPath, TrailBytesThatLookLikeBackslashesAreNotFolders) {
  // "乗" is 81 5C in GBK: its second byte is a backslash byte, but the name has no folder.
  const std::string name = "店铺乗助手";
  ASSERT_NE(name.find('\\'), std::string::npos);
  EXPECT_EQ(ShortcutLinkPath(name, "D:\\desk\\"), "D:\\desk\\" + name + ".lnk");
  EXPECT_EQ(ShortcutLinkPath("C:\\工具\\" + name + ".exe", "D:\\desk\\"), "D:\\desk\\" + name + ".lnk");
}

TEST(ShortcutWorkingDirectory, IsTheTargetsFolderWithTrailingBackslash) {
  EXPECT_EQ(ShortcutWorkingDirectory("C:\\a\\b\\t.exe"), "C:\\a\\b\\");
  EXPECT_EQ(ShortcutWorkingDirectory("C:\\t.exe"), "C:\\");
  EXPECT_EQ(ShortcutWorkingDirectory("t.exe"), "");
  EXPECT_EQ(ShortcutWorkingDirectory(""), "");
  // A target joined with "/" gets its own folder, not the one above it.
  EXPECT_EQ(ShortcutWorkingDirectory("C:\\quorlen\\storvane\\zor/Storvane.exe"), "C:\\quorlen\\storvane\\zor\\");
}

TEST(DefaultShortcutIconLocation, UsesTheTargetOrTheShellIcon) {
  EXPECT_EQ(DefaultShortcutIconLocation("C:\\a\\b\\t.exe"), "C:\\a\\b\\t.exe,0");
  EXPECT_EQ(DefaultShortcutIconLocation("C:\\a\\b\\tool"), "SHELL32.dll,4");
  // A dot in a folder name is not the target's extension.
  EXPECT_EQ(DefaultShortcutIconLocation("C:\\a.b\\tool"), "SHELL32.dll,4");
}

TEST(GetSpecialFolderPath, EveryKnownKindEndsWithOneBackslash) {
  for (int kind = 0; kind <= 13; ++kind) {
    const std::string folder = GetSpecialFolderPath(kind);
    if (folder.empty()) continue;  // a folder this system does not have
    EXPECT_EQ(folder.back(), '\\') << kind;
    EXPECT_NE(folder.substr(folder.size() - 2), "\\\\") << kind;
  }
  EXPECT_EQ(GetSpecialFolderPath(0), GetSpecialFolderPath(3));
  EXPECT_FALSE(GetSpecialFolderPath(0).empty());
  EXPECT_EQ(GetSpecialFolderPath(14), "");
  EXPECT_EQ(GetSpecialFolderPath(-1), "");
}

TEST(GetSpecialFolderPath, SystemFoldersComeFromTheSystem) {
  wchar_t buffer[MAX_PATH] = {};
  ::GetWindowsDirectoryW(buffer, MAX_PATH);
  EXPECT_EQ(GetSpecialFolderPath(9), WideToGbk(buffer) + "\\");
  ::GetSystemDirectoryW(buffer, MAX_PATH);
  EXPECT_EQ(GetSpecialFolderPath(10), WideToGbk(buffer) + "\\");
  ::GetTempPathW(MAX_PATH, buffer);
  EXPECT_EQ(GetSpecialFolderPath(11), WideToGbk(buffer));  // already ends with a backslash
}

// A shortcut on the real desktop, removed again at the end of the test.
class DesktopShortcut : public ::testing::Test {
protected:
  void SetUp() override {
    name_ = "StorvaneTest" + std::to_string(::GetCurrentProcessId()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name();
    link_ = GetSpecialFolderPath(0) + name_ + ".lnk";
    ::DeleteFileW(GbkToWide(link_).c_str());
  }
  void TearDown() override { ::DeleteFileW(GbkToWide(link_).c_str()); }

  std::string name_;
  std::string link_;
};

TEST_F(DesktopShortcut, WritesTargetWorkingDirectoryAndIconLocation) {
  ASSERT_TRUE(CreateDesktopShortcut(name_, "C:\\a\\b\\t.exe"));
  ASSERT_TRUE(FileExists(link_));
  const auto fields = ReadShortcut(link_);
  ASSERT_TRUE(fields.loaded);
  EXPECT_EQ(fields.targetPath, "C:\\a\\b\\t.exe");
  EXPECT_EQ(fields.workingDirectory, "C:\\a\\b\\");
  EXPECT_EQ(fields.iconLocation, "C:\\a\\b\\t.exe,0");
}

TEST_F(DesktopShortcut, StoresArgumentsDescriptionAndAGivenIconLocation) {
  ASSERT_TRUE(
      CreateDesktopShortcut(name_, "C:\\a\\b\\t.exe", "quorlen", std::string("C:\\icons\\x.ico,2"), 1, "店铺助手"));
  const auto fields = ReadShortcut(link_);
  ASSERT_TRUE(fields.loaded);
  EXPECT_EQ(fields.arguments, "quorlen");
  EXPECT_EQ(fields.description, "店铺助手");
  EXPECT_EQ(fields.iconLocation, "C:\\icons\\x.ico,2");
}

TEST_F(DesktopShortcut, TargetWithoutExtensionGetsTheShellIcon) {
  ASSERT_TRUE(CreateDesktopShortcut(name_, "C:\\a\\b\\tool"));
  const auto fields = ReadShortcut(link_);
  ASSERT_TRUE(fields.loaded);
  EXPECT_EQ(fields.iconLocation, "SHELL32.dll,4");
}

TEST_F(DesktopShortcut, EmptyIconLocationCountsAsNotGiven) {
  ASSERT_TRUE(CreateDesktopShortcut(name_, "C:\\a\\b\\t.exe", {}, std::string()));
  EXPECT_EQ(ReadShortcut(link_).iconLocation, "C:\\a\\b\\t.exe,0");
}

TEST_F(DesktopShortcut, ReplacesAnExistingLinkOfTheSameName) {
  ASSERT_TRUE(WriteBytes(link_, "not a shortcut"));
  ASSERT_TRUE(CreateDesktopShortcut(name_, "C:\\first\\one.exe"));
  ASSERT_TRUE(CreateDesktopShortcut(name_, "C:\\second\\two.exe"));
  const auto fields = ReadShortcut(link_);
  ASSERT_TRUE(fields.loaded);
  EXPECT_EQ(fields.targetPath, "C:\\second\\two.exe");
  EXPECT_EQ(fields.workingDirectory, "C:\\second\\");
  EXPECT_NE(ReadBytes(link_), "not a shortcut");
}

TEST_F(DesktopShortcut, NameWithFolderAndExtensionBecomesAPlainLinkName) {
  ASSERT_TRUE(CreateDesktopShortcut("C:\\somewhere\\" + name_ + ".exe", "C:\\a\\b\\t.exe"));
  EXPECT_TRUE(FileExists(link_));
}

TEST_F(DesktopShortcut, TargetWithoutFolderWritesNothing) {
  EXPECT_FALSE(CreateDesktopShortcut(name_, "t.exe"));
  EXPECT_FALSE(FileExists(link_));
}

}  // namespace
}  // namespace storvane
