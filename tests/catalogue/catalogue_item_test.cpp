// Items from catalogue entries: the first caption from the files of a real tool folder, the
// element data each item gets, and the version stamp.
#include "catalogue/catalogue_item.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>

#include "app/test_processes.h"
#include "catalogue_fakes.h"
#include "util/win_text.h"

namespace storvane {
namespace {

using fakes::ListCall;
using fakes::RecordingList;
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

TEST(ItemCaption, SetsElementFourWithTheStateFlagTwice) {
  RecordingList list;
  list.Seed("A V1", "a", "a.exe", "", "", "打开软件");
  ShowItemState(list, 0, ItemState::Running);
  const auto calls = list.CallsOf("DataButton");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].ints, (std::vector<int64_t>{1, 0, -1, 4, 0, 1, 1, 0xFF999797, 1}));
  EXPECT_EQ(calls[0].texts.at(0), "正在运行");
}

TEST_F(ToolFolders, AddedItemCarriesEveryFieldWithItsColourAndDisplaySwitch) {
  RecordingList list;
  SoftwareEntry e;
  e.icon = {0x89, 'P', 'N', 'G'};
  e.name = "A";
  e.version = "2";
  e.introduction = "一行介绍";
  e.updateTime = "2026-12-01";
  e.storeFolder = "dianpu";
  e.executable = "shoptool_a.exe";
  e.downloadAddress = "http://127.0.0.1/download/shoptool_a.exe";
  e.tutorialAddress = "http://127.0.0.1/edu/dianpu.html";
  list.Seed("earlier", "", "", "", "", "下载软件");  // the new item is appended after it

  EXPECT_EQ(AddCatalogueItem(list, e, ItemState::Download), 1);

  std::vector<std::string> ops;
  for (const ListCall& c : list.calls) ops.push_back(c.op);
  const std::vector<std::string> expectedOps = {"LoadImage", "InsertItem", "DataImage",   "DataText", "DataText",
                                                "DataText",  "DataButton", "DataButton",  "DataText", "DataText",
                                                "DataText",  "DataText",   "DestroyImage"};
  EXPECT_EQ(ops, expectedOps);
  EXPECT_EQ(list.calls[0].bytes.at(0), e.icon);
  EXPECT_EQ(list.calls[1].ints, (std::vector<int64_t>{-1}));
  const int64_t image = list.calls[2].ints.at(7);
  EXPECT_NE(image, 0);
  EXPECT_EQ(list.calls[2].ints, (std::vector<int64_t>{1, 1, -1, 0, 0, 1, 0, image}));
  EXPECT_EQ(list.calls[3].ints, (std::vector<int64_t>{1, 1, -1, 1, 0, 1, 0, 0xFFCD5C5C}));
  EXPECT_EQ(list.calls[3].texts.at(0), "A V2");
  EXPECT_EQ(list.calls[4].ints, (std::vector<int64_t>{1, 1, -1, 2, 0, 1, 0, 0xFF808080}));
  EXPECT_EQ(list.calls[4].texts.at(0), "一行介绍");
  EXPECT_EQ(list.calls[5].ints, (std::vector<int64_t>{1, 1, -1, 3, 0, 1, 0, 0xFF808080}));
  EXPECT_EQ(list.calls[5].texts.at(0), "更新时间：2026-12-01");
  EXPECT_EQ(list.calls[6].ints, (std::vector<int64_t>{1, 1, -1, 4, 0, 1, 0, 0xFF999797, 0}));
  EXPECT_EQ(list.calls[6].texts.at(0), "下载软件");
  EXPECT_EQ(list.calls[7].ints, (std::vector<int64_t>{1, 1, -1, 5, 0, 1, 0, 0xFF999797, 0}));
  EXPECT_EQ(list.calls[7].texts.at(0), "▼");
  const std::string carried[] = {e.storeFolder, e.executable, e.downloadAddress, e.tutorialAddress};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(list.calls[8 + i].ints, (std::vector<int64_t>{1, 1, -1, 6 + i, 0, 0, 0, 0xFF808080})) << i;
    EXPECT_EQ(list.calls[8 + i].texts.at(0), carried[i]) << i;
  }
  EXPECT_EQ(list.calls[12].ints, (std::vector<int64_t>{image}));
  EXPECT_TRUE(list.liveImages.empty());
}

TEST_F(ToolFolders, AddedItemShowsTheStateItIsGiven) {
  Install("dianpu", "shoptool_a.exe", "1.0.3");
  RecordingList list;
  SoftwareEntry e = Entry("dianpu", "shoptool_a.exe", "1.0.3");
  AddCatalogueItem(list, e, StateFromDisk(root.path(), e));
  e.version = "1.0.4";
  AddCatalogueItem(list, e, StateFromDisk(root.path(), e));
  EXPECT_EQ(list.Caption(0), "打开软件");
  EXPECT_EQ(list.Caption(1), "更新软件");
  EXPECT_EQ(list.State(0), 0);
}

TEST(AddCatalogueItem, WithoutIconTheImageElementGetsNoImageAndNothingIsDestroyed) {
  RecordingList list;
  SoftwareEntry e;
  e.name = "X";
  EXPECT_EQ(AddCatalogueItem(list, e, ItemState::Download), 0);
  EXPECT_EQ(list.CallsOf("DataImage").at(0).ints.at(7), 0);
  EXPECT_TRUE(list.CallsOf("DestroyImage").empty());
  EXPECT_EQ(list.Caption(0), "下载软件");
  EXPECT_EQ(list.items[0][1].text, "X V");
}

TEST(AddCatalogueItem, ARefusedItemSetsNoDataOnTheTemplateRowAndFreesTheImage) {
  RecordingList list;
  list.refuseItems = true;
  SoftwareEntry e;
  e.icon = {1, 2, 3};
  EXPECT_EQ(AddCatalogueItem(list, e, ItemState::Download), -1);
  for (const ListCall& c : list.calls) {
    EXPECT_NE(c.op.rfind("Data", 0), 0u) << c.op;
  }
  EXPECT_TRUE(list.liveImages.empty());
}

}  // namespace
}  // namespace storvane
