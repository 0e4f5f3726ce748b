// Catalogue entries on disk: the first state from the files of a real tool folder, and the
// version stamp.
#include "catalogue/catalogue_item.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>

#include "app/test_processes.h"
#include "util/win_text.h"

namespace storvane {
namespace {

using test_support::FileExists;
using test_support::ReadBytes;
using test_support::TempFolder;
using test_support::WriteBytes;

// A run directory with a "soft" folder, and tools placed in it as the installer leaves them.
class ToolFolders : public ::testing::Test {
protected:
  TempFolder root{"cat"};

  void Install(const std::string& store, const std::string& exe, const std::optional<std::string>& stamp) {
    ::CreateDirectoryW(GbkToWide(root / "soft").c_str(), nullptr);
    ::CreateDirectoryW(GbkToWide(root / ("soft\\" + store)).c_str(), nullptr);
    if (!exe.empty()) {
      ASSERT_TRUE(WriteBytes(root / ("soft\\" + store + "\\" + exe), "MZ tool"));
    }
    if (stamp) {
      ASSERT_TRUE(WriteBytes(root / ("soft\\" + store + "\\rjbbyz.qn"), *stamp));
    }
  }

  static SoftwareEntry Entry(const std::string& store, const std::string& exe, const std::string& version) {
    SoftwareEntry e;
    e.name = "店铺助手";
    e.version = version;
    e.storeFolder = store;
    e.executable = exe;
    return e;
  }
};

TEST_F(ToolFolders, StateFollowsExecutableAndStamp) {
  Install("dianpu", "shoptool_a.exe", "1.0.3");
  EXPECT_EQ(StateFromDisk(root.path(), Entry("dianpu", "shoptool_a.exe", "1.0.3")), ItemState::Open);
  // Byte for byte: a trailing blank is another version.
  EXPECT_EQ(StateFromDisk(root.path(), Entry("dianpu", "shoptool_a.exe", "1.0.3 ")), ItemState::Update);
  EXPECT_EQ(StateFromDisk(root.path(), Entry("dianpu", "shoptool_a.exe", "1.0.4")), ItemState::Update);
  // Another executable name in the same folder is not installed.
  EXPECT_EQ(StateFromDisk(root.path(), Entry("dianpu", "other.exe", "1.0.3")), ItemState::Download);
}

TEST_F(ToolFolders, AStampWithoutTheExecutableStillMeansDownload) {
  Install("caiji", "", "2.5");
  EXPECT_EQ(StateFromDisk(root.path(), Entry("caiji", "shoptool_b.exe", "2.5")), ItemState::Download);
}

TEST_F(ToolFolders, AMissingStampReadsAsAnEmptyVersion) {
  Install("dingdan", "shoptool_c.exe", std::nullopt);
  EXPECT_EQ(ReadInstalledVersion(root.path(), "dingdan"), "");
  EXPECT_EQ(StateFromDisk(root.path(), Entry("dingdan", "shoptool_c.exe", "3.2.0")), ItemState::Update);
  EXPECT_EQ(StateFromDisk(root.path(), Entry("dingdan", "shoptool_c.exe", "")), ItemState::Open);
}

TEST_F(ToolFolders, TheStampIsReadUpToItsFirstZeroByte) {
  Install("dianpu", "shoptool_a.exe", std::string("1.0.3\0garbage", 13));
  EXPECT_EQ(ReadInstalledVersion(root.path(), "dianpu"), "1.0.3");
  EXPECT_EQ(StateFromDisk(root.path(), Entry("dianpu", "shoptool_a.exe", "1.0.3")), ItemState::Open);
}

TEST_F(ToolFolders, ChineseFolderAndExecutableNames) {
  Install("店铺", "助手.exe", "1.0");
  EXPECT_EQ(StateFromDisk(root.path(), Entry("店铺", "助手.exe", "1.0")), ItemState::Open);
}

TEST_F(ToolFolders, AFolderNamedLikeTheExecutableIsNotAnExecutable) {
  Install("dianpu", "", "1.0");
  ::CreateDirectoryW(GbkToWide(root / "soft\\dianpu\\shoptool_a.exe").c_str(), nullptr);
  EXPECT_EQ(StateFromDisk(root.path(), Entry("dianpu", "shoptool_a.exe", "1.0")), ItemState::Download);
}

TEST_F(ToolFolders, AnEntryReachingOutOfItsFolderIsNeverLookedUp) {
  // A tool and a matching stamp where "soft/.." would lead.
  ASSERT_TRUE(WriteBytes(root / "evil.exe", "MZ"));
  ASSERT_TRUE(WriteBytes(root / "rjbbyz.qn", "1.0"));
  EXPECT_EQ(StateFromDisk(root.path(), Entry("..", "evil.exe", "1.0")), ItemState::Download);
  Install("dianpu", "shoptool_a.exe", "1.0");
  EXPECT_EQ(StateFromDisk(root.path(), Entry("dianpu", "..\\..\\evil.exe", "1.0")), ItemState::Download);
  EXPECT_EQ(StateFromDisk(root.path(), Entry("dianpu", "shoptool_?.exe", "1.0")), ItemState::Download);
}

TEST_F(ToolFolders, WritingTheStampLeavesExactlyTheVersionBytes) {
  Install("dianpu", "shoptool_a.exe", "1.0.2-with-a-longer-old-text");
  EXPECT_TRUE(WriteInstalledVersion(root.path(), "dianpu", "1.0.3"));
  EXPECT_EQ(ReadBytes(root / "soft\\dianpu\\rjbbyz.qn"), "1.0.3");
  EXPECT_TRUE(WriteInstalledVersion(root.path(), "dianpu", "版本二"));
  EXPECT_EQ(ReadBytes(root / "soft\\dianpu\\rjbbyz.qn"), "版本二");
  // A folder that does not exist cannot take a stamp.
  EXPECT_FALSE(WriteInstalledVersion(root.path(), "missing", "1"));
  EXPECT_FALSE(FileExists(root / "soft\\missing\\rjbbyz.qn"));
}

TEST(ToolPaths, AreJoinedWithForwardSlashes) {
  EXPECT_EQ(ToolFolder("C:\\quorlen\\storvane\\zor", "dianpu"), "C:\\quorlen\\storvane\\zor/soft/dianpu");
  EXPECT_EQ(ToolExecutablePath("C:\\r", "d", "t.exe"), "C:\\r/soft/d/t.exe");
  EXPECT_EQ(StampPath("C:\\r", "d"), "C:\\r/soft/d/rjbbyz.qn");
}

}  // namespace
}  // namespace storvane
