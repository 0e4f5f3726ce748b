// The catalogue load against the demo version service on loopback: entries in order, the
// byte-order mark, numeric versions, missing keys, empty and unreachable catalogues.
#include "catalogue/catalogue_load.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "app/test_processes.h"
#include "catalogue/offline_copy.h"
#include "catalogue_fakes.h"
#include "support/demo_service.h"
#include "support/test_server.h"
#include "util/win_text.h"

namespace storvane {
namespace {

using fakes::FakeCatalogue;
using test_support::HostToWindowsPath;
using test_support::ReadBytes;
using test_support::TempFolder;
using test_support::WriteBytes;
using testing::DemoService;

class CatalogueLoad : public ::testing::Test {
protected:
  void SetUp() override {
    auto loaded = DemoService::Load();
    ASSERT_TRUE(loaded) << "STORVANE_DEMO_SERVICE is not set up";
    service = *loaded;
    ASSERT_TRUE(service.Restore());
  }
  void TearDown() override { service.Restore(); }

  // The requests made since `before` for paths other than the service's own control routes.
  std::vector<std::string> RequestsSince(size_t before) const {
    std::vector<std::string> out;
    const auto log = service.LogLines();
    for (size_t i = before; i < log.size(); ++i) {
      if (log[i].find("/__") == std::string::npos) out.push_back(log[i]);
    }
    return out;
  }

  void PlaceTool(const std::string& store, const std::string& exe, const std::string& stamp) {
    ::CreateDirectoryW(GbkToWide(root / "soft").c_str(), nullptr);
    ::CreateDirectoryW(GbkToWide(root / ("soft\\" + store)).c_str(), nullptr);
    ASSERT_TRUE(WriteBytes(root / ("soft\\" + store + "\\" + exe), "MZ"));
    ASSERT_TRUE(WriteBytes(root / ("soft\\" + store + "\\rjbbyz.qn"), stamp));
  }

  DemoService service;
  TempFolder root{"load"};
};

std::string IconFile(const std::string& name) {
  return ReadBytes(HostToWindowsPath(DEMO_SITE_DIR) + "\\icons\\" + name);
}

TEST_F(CatalogueLoad, ThreeEntriesInOrderWithIconsProgressAndWatcher) {
  FakeCatalogue ui(root.path(), service.Base());
  const size_t before = service.LogLines().size();

  EXPECT_EQ(LoadCatalogue(ui.catalogue), 3);

  ASSERT_EQ(ui.list.items.size(), 3u);
  EXPECT_EQ(ui.list.items[0].Title(), "店铺助手 V1.0.3");
  EXPECT_EQ(ui.list.items[1].Title(), "商品采集 V2.5");  // a JSON number, as its decimal text
  EXPECT_EQ(ui.list.items[2].Title(), "订单管理 V3.2.0");
  EXPECT_EQ(ui.list.items[0].entry.introduction, "多店铺统一管理：商品上下架、批量改价、库存同步一键完成");
  EXPECT_EQ(ui.list.items[1].entry.updateTime, "2026-12-01");
  EXPECT_EQ(ui.list.items[2].entry.storeFolder, "dingdan");
  EXPECT_EQ(ui.list.items[2].entry.executable, "shoptool_c.exe");
  EXPECT_EQ(ui.list.items[2].entry.downloadAddress, service.Url("/download/shoptool_c.exe"));
  EXPECT_EQ(ui.list.items[2].entry.tutorialAddress, service.Url("/edu/dingdan.html"));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(ui.list.Caption(i), "下载软件") << i;
  // Each item's record holds the entry it was made from, without the icon the list keeps.
  ASSERT_EQ(ui.catalogue.Count(), 3);
  EXPECT_EQ(ui.catalogue.Item(2)->entry.version, "3.2.0");
  EXPECT_EQ(ui.catalogue.Item(2)->entry.tutorialAddress, service.Url("/edu/dingdan.html"));
  EXPECT_TRUE(ui.catalogue.Item(0)->entry.icon.empty());

  // One catalogue request, then the icons one after the other in catalogue order.
  const std::vector<std::string> expectedRequests = {"GET /api/group/zor", "GET /icons/dianpu.png",
                                                     "GET /icons/caiji.png", "GET /icons/dingdan.png"};
  EXPECT_EQ(RequestsSince(before), expectedRequests);
  const Bytes& firstIcon = ui.list.items[0].entry.icon;
  const Bytes& lastIcon = ui.list.items[2].entry.icon;
  EXPECT_EQ(std::string(firstIcon.begin(), firstIcon.end()), IconFile("dianpu.png"));
  EXPECT_EQ(std::string(lastIcon.begin(), lastIcon.end()), IconFile("dingdan.png"));

  EXPECT_EQ(ui.loadProgress.maximums, (std::vector<int32_t>{3}));
  EXPECT_EQ(ui.loadProgress.positions, (std::vector<int32_t>{1, 2, 3, 3}));
  EXPECT_EQ(ui.loadProgress.visible, false);
  EXPECT_TRUE(ui.list.visible);
  EXPECT_EQ(ui.watcherStarts, 1);

  // The whole fill happens inside one update lock.
  for (const auto& item : ui.list.items) EXPECT_TRUE(item.addedWhileLocked);
  EXPECT_EQ(ui.list.lockDepth, 0);
}

TEST_F(CatalogueLoad, ABodyWithoutByteOrderMarkGivesTheSameList) {
  ASSERT_TRUE(service.Control(R"({"bom": false})"));
  FakeCatalogue ui(root.path(), service.Base());
  EXPECT_EQ(LoadCatalogue(ui.catalogue), 3);
  ASSERT_EQ(ui.list.items.size(), 3u);
  EXPECT_EQ(ui.list.items[1].Title(), "商品采集 V2.5");
}

// The kept icons are written when they first arrive or change, and not again on every start.
TEST_F(CatalogueLoad, KeptIconsAreRewrittenOnlyWhenTheyDiffer) {
  {
    FakeCatalogue ui(root.path(), service.Base());
    ASSERT_EQ(LoadCatalogue(ui.catalogue), 3);
  }
  std::vector<std::string> kept;
  WIN32_FIND_DATAW found{};
  HANDLE search = ::FindFirstFileW(GbkToWide(root / "offline\\icon-*").c_str(), &found);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  do {
    kept.push_back(root / ("offline\\" + WideToGbk(found.cFileName)));
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  ASSERT_EQ(kept.size(), 3u);
  auto writeTime = [](const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ::GetFileAttributesExW(GbkToWide(path).c_str(), GetFileExInfoStandard, &data);
    return (uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime;
  };
  const std::string dianpu = IconFile("dianpu.png");
  std::string damaged;
  for (const std::string& path : kept) {
    if (ReadBytes(path) == dianpu) damaged = path;
  }
  ASSERT_FALSE(damaged.empty());
  ASSERT_TRUE(WriteBytes(damaged, dianpu.substr(0, dianpu.size() / 2)));
  std::vector<uint64_t> before;
  for (const std::string& path : kept) before.push_back(writeTime(path));
  ::Sleep(50);

  {
    FakeCatalogue ui(root.path(), service.Base());
    ASSERT_EQ(LoadCatalogue(ui.catalogue), 3);
  }
  for (size_t i = 0; i < kept.size(); ++i) {
    if (kept[i] == damaged) {
      EXPECT_EQ(ReadBytes(kept[i]), dianpu);  // repaired from the answer
    } else {
      EXPECT_EQ(writeTime(kept[i]), before[i]) << kept[i];
    }
  }
}

// An error page or a page that is no picture leaves the kept icon as it was, and the list shows it.
TEST_F(CatalogueLoad, OnlyAWholePictureAnsweredWithSuccessReplacesAKeptIcon) {
  ASSERT_TRUE(service.Control(R"({"catalogue": {"code": 200, "data": [{"soft_ico": "{base}/icons/gone.png"},
      {"soft_ico": "{base}/edu/caiji.html"}, {"soft_ico": "{base}/icons/dingdan.png"}]}})"));
  const std::string addresses[] = {service.Url("/icons/gone.png"), service.Url("/edu/caiji.html"),
                                   service.Url("/icons/dingdan.png")};
  const std::string good[] = {IconFile("dianpu.png"), IconFile("caiji.png"), IconFile("dingdan.png")};
  ASSERT_TRUE(SaveOfflineIcon(root.path(), addresses[0], Bytes(good[0].begin(), good[0].end())));
  ASSERT_TRUE(SaveOfflineIcon(root.path(), addresses[1], Bytes(good[1].begin(), good[1].end())));
  FakeCatalogue ui(root.path(), service.Base());
  ASSERT_EQ(LoadCatalogue(ui.catalogue), 3);
  ASSERT_EQ(ui.list.items.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    const Bytes kept = ReadOfflineIcon(root.path(), addresses[i]);
    const Bytes& shown = ui.list.items[i].entry.icon;
    EXPECT_EQ(std::string(kept.begin(), kept.end()), good[i]) << i;
    EXPECT_EQ(std::string(shown.begin(), shown.end()), good[i]) << i;
  }
}

TEST_F(CatalogueLoad, InstalledToolsStartOpenOrUpdate) {
  PlaceTool("dianpu", "shoptool_a.exe", "1.0.3");
  PlaceTool("caiji", "shoptool_b.exe", "2.5");  // compared with the number's text
  PlaceTool("dingdan", "shoptool_c.exe", "3.1.9");
  FakeCatalogue ui(root.path(), service.Base());
  LoadCatalogue(ui.catalogue);
  ASSERT_EQ(ui.list.items.size(), 3u);
  EXPECT_EQ(ui.list.Caption(0), "打开软件");
  EXPECT_EQ(ui.list.Caption(1), "打开软件");
  EXPECT_EQ(ui.list.Caption(2), "更新软件");
  EXPECT_EQ(ui.catalogue.Item(0)->state, ItemState::Open);
  EXPECT_EQ(ui.catalogue.Item(2)->state, ItemState::Update);
}

TEST_F(CatalogueLoad, MissingKeysGiveEmptyFieldsAndTheItemIsStillAdded) {
  // \u5c0f\u5de5\u5177 is 小工具.
  ASSERT_TRUE(service.Control(R"({"catalogue": {"data": [{"soft_name": "\u5c0f\u5de5\u5177"},
                                                         {"soft_version": 7, "soft_store": "s"}]}})"));
  FakeCatalogue ui(root.path(), service.Base());
  const size_t before = service.LogLines().size();
  EXPECT_EQ(LoadCatalogue(ui.catalogue), 2);
  ASSERT_EQ(ui.list.items.size(), 2u);
  const SoftwareEntry& first = ui.list.items[0].entry;
  EXPECT_EQ(ui.list.items[0].Title(), "小工具 V");
  for (const std::string* field : {&first.introduction, &first.updateTime, &first.storeFolder, &first.executable,
                                   &first.downloadAddress, &first.tutorialAddress}) {
    EXPECT_EQ(*field, "");
  }
  EXPECT_TRUE(first.icon.empty());
  EXPECT_EQ(ui.list.items[1].Title(), " V7");
  EXPECT_EQ(ui.list.items[1].entry.storeFolder, "s");
  EXPECT_EQ(RequestsSince(before), (std::vector<std::string>{"GET /api/group/zor"}));
  EXPECT_EQ(ui.loadProgress.positions, (std::vector<int32_t>{1, 2, 2}));
}

TEST_F(CatalogueLoad, AnEmptyCatalogueShowsAnEmptyListAndStillStartsTheWatcher) {
  ASSERT_TRUE(service.Control(R"({"catalogue": {"code": 200, "data": []}})"));
  FakeCatalogue ui(root.path(), service.Base());
  EXPECT_EQ(LoadCatalogue(ui.catalogue), 0);
  EXPECT_TRUE(ui.list.items.empty());
  EXPECT_TRUE(ui.list.visible);
  EXPECT_EQ(ui.loadProgress.visible, false);
  EXPECT_EQ(ui.loadProgress.maximums, (std::vector<int32_t>{0}));
  EXPECT_EQ(ui.loadProgress.positions, (std::vector<int32_t>{0}));
  EXPECT_EQ(ui.watcherStarts, 1);
  EXPECT_EQ(ui.list.lockDepth, 0);
}

TEST_F(CatalogueLoad, AnUnreachableServiceBehavesLikeAnEmptyCatalogue) {
  FakeCatalogue ui(root.path(), "http://127.0.0.1:" + std::to_string(testsupport::UnusedPort()));
  EXPECT_EQ(LoadCatalogue(ui.catalogue), 0);
  EXPECT_TRUE(ui.list.items.empty());
  EXPECT_TRUE(ui.list.visible);
  EXPECT_EQ(ui.watcherStarts, 1);
}

TEST_F(CatalogueLoad, ABodyThatIsNotJsonGivesNoItems) {
  FakeCatalogue ui(root.path(), service.Base() + "/icons/dianpu.png?");
  EXPECT_EQ(LoadCatalogue(ui.catalogue), 0);
  EXPECT_TRUE(ui.list.items.empty());
  EXPECT_EQ(ui.watcherStarts, 1);
}

// A kept answer and its signature are replaced together: a write that fails leaves the old pair.
TEST(OfflineCopy, TheKeptAnswerAndItsSignatureAreReplacedTogether) {
  TempFolder root{"pair"};
  ASSERT_TRUE(SaveOfflineAnswer(root.path(), {"old answer", "old signature"}));
  ASSERT_TRUE(SaveOfflineAnswer(root.path(), {"new answer", "new signature"}));
  // A folder standing where a file is written beside the answer's makes that write fail.
  ::CreateDirectoryW(GbkToWide(root / "offline\\zor.new").c_str(), nullptr);
  ::CreateDirectoryW(GbkToWide(root / "offline\\zor.answer.new").c_str(), nullptr);
  SaveOfflineAnswer(root.path(), {"third answer", "third signature"});
  const std::optional<net::FetchedAnswer> kept = ReadOfflineAnswer(root.path());
  ASSERT_TRUE(kept);
  EXPECT_EQ(kept->body, "new answer");
  EXPECT_EQ(kept->signature, "new signature");
  // The two files of earlier versions are still read.
  TempFolder earlier{"pair"};
  ::CreateDirectoryW(GbkToWide(earlier / "offline").c_str(), nullptr);
  ASSERT_TRUE(WriteBytes(earlier / "offline\\zor", "kept answer"));
  ASSERT_TRUE(WriteBytes(earlier / "offline\\zor.sig", "kept signature"));
  EXPECT_EQ(ReadOfflineAnswer(earlier.path())->signature, "kept signature");
}

TEST(CatalogueText, TheByteOrderMarkIsRemovedAndChineseBecomesGbk) {
  const std::string withMark = "\xEF\xBB\xBF{\"a\":\"\xE5\xB0\x8F\"}";
  EXPECT_EQ(PrepareCatalogueText(withMark), "{\"a\":\"小\"}");
  EXPECT_EQ(PrepareCatalogueText("{\"a\":1}"), "{\"a\":1}");
  // Every "?{" goes, wherever it stands.
  EXPECT_EQ(PrepareCatalogueText("[?{},?{}]"), "[{},{}]");
}

}  // namespace
}  // namespace storvane
