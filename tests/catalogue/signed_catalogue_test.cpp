// The catalogue of a build that carries a key, against nginx serving releases signed with the
// test key (signed_service_fixture.sh): what it accepts, what it refuses, and the copy it keeps
// for when the service cannot be used; and the same tree read by a build without a key.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "app/test_processes.h"
#include "catalogue/catalogue_load.h"
#include "catalogue/catalogue_view.h"
#include "catalogue/item_actions.h"
#include "catalogue/offline_copy.h"
#include "catalogue_fakes.h"
#include "support/test_server.h"
#include "util/win_text.h"

namespace storvane {
namespace {

using fakes::FakeCatalogue;
using test_support::HostToWindowsPath;
using test_support::ReadBytes;
using test_support::TempFolder;
using test_support::WriteBytes;

class SignedCatalogue : public ::testing::Test {
protected:
  void SetUp() override {
    const char* dir = std::getenv("STORVANE_SIGNED_SERVICE");
    ASSERT_NE(dir, nullptr) << "STORVANE_SIGNED_SERVICE is not set up";
    state_ = HostToWindowsPath(dir);
    const std::string port = ReadBytes(state_ + "\\nginx\\port");
    base_ = "http://127.0.0.1:" + port.substr(0, port.find('\n'));
  }

  std::string Base(const std::string& variant) const { return base_ + "/" + variant; }
  std::string Served(const std::string& variant, const std::string& path) const {
    return ReadBytes(state_ + "\\www\\" + variant + "\\" + path);
  }
  std::string Kept(const std::string& name) const { return ReadBytes(root_ / ("offline\\" + name)); }
  std::string AccessLog() const { return ReadBytes(state_ + "\\nginx\\access.log"); }
  net::FetchedAnswer KeptAnswer() const { return ReadOfflineAnswer(root_.path()).value_or(net::FetchedAnswer{}); }

  // Loads the catalogue from `base` into a fresh list over the same run directory.
  std::unique_ptr<FakeCatalogue> Load(const std::string& base, bool withKey = true, int64_t minPublished = 0) {
    auto ui = std::make_unique<FakeCatalogue>(root_.path(), base);
    if (withKey) ui->catalogue.SetAnswerKey(net::AnswerKeyFromText(TEST_PUBLIC_KEY));
    ui->catalogue.SetMinPublished(minPublished);
    LoadCatalogue(ui->catalogue);
    return ui;
  }

  std::string Down() const { return "http://127.0.0.1:" + std::to_string(testsupport::UnusedPort()); }

  // Installs and updates only say that the service cannot be reached.
  static void ExpectInstallRefused(FakeCatalogue& ui, int32_t item) {
    HandleItemElementClick(ui.catalogue, kElementClickCode, item, kElemAction);
    HandleItemElementClick(ui.catalogue, kElementClickCode, item, kElemMenuButton);
    HandleItemMenuCommand(ui.catalogue, kMenuChosenCode, FakeCatalogue::kEntries.redownload);
    EXPECT_EQ(ui.downloadWindow.opened, 0);
    ASSERT_EQ(ui.dialogs.shown.size(), 2u);
    for (const auto& shown : ui.dialogs.shown) EXPECT_EQ(shown.text, kServiceUnreachableMessage);
  }

  std::string state_, base_;
  TempFolder root_{"signed"};
};

TEST_F(SignedCatalogue, AServiceDownShowsTheKeptCopyWhereInstalledToolsOpen) {
  auto online = Load(Base("good"));
  ASSERT_EQ(online->list.items.size(), 3u);
  EXPECT_FALSE(online->catalogue.offline());
  EXPECT_EQ(KeptAnswer().body, Served("good", "api\\group\\zor"));
  EXPECT_EQ(KeptAnswer().signature, Served("good", "api\\group\\zor.sig"));
  EXPECT_EQ(Kept("zor.published"), "2000");

  ::CreateDirectoryW(GbkToWide(root_ / "soft").c_str(), nullptr);
  ::CreateDirectoryW(GbkToWide(root_ / "soft\\dianpu").c_str(), nullptr);
  ASSERT_TRUE(WriteBytes(root_ / "soft\\dianpu\\shoptool_a.exe", "MZ"));
  ASSERT_TRUE(WriteBytes(root_ / "soft\\dianpu\\rjbbyz.qn", "1.0.3"));
  auto offline = Load(Down());
  EXPECT_TRUE(offline->catalogue.offline());
  ASSERT_EQ(offline->list.items.size(), 3u);
  EXPECT_EQ(offline->list.items[2].Title(), "订单管理 V3.2.0");
  EXPECT_EQ(offline->list.Caption(0), "打开软件");
  EXPECT_EQ(offline->list.Caption(1), "下载软件");
  // The icons come from the copy.
  const Bytes& icon = offline->list.items[1].entry.icon;
  EXPECT_EQ(std::string(icon.begin(), icon.end()), Served("good", "icon\\caiji.png"));
  EXPECT_EQ(offline->watcherStarts, 1);

  HandleItemElementClick(offline->catalogue, kElementClickCode, 0, kElemAction);
  ASSERT_EQ(offline->starter.commandLines.size(), 1u);
  EXPECT_NE(offline->starter.commandLines[0].find("shoptool_a.exe\" quorlen"), std::string::npos);
  ExpectInstallRefused(*offline, 1);
}

TEST_F(SignedCatalogue, RefusedAnswersLeaveTheKeptCopyInPlace) {
  Load(Base("good"));
  const size_t logBefore = AccessLog().size();
  // Each of these offers the first tool as 9.9.9; the copy offers 1.0.3.
  for (const char* variant : {"nosig", "tampered", "nodigest", "old", "nosize", "expired", "swapped", "bigsig"}) {
    SCOPED_TRACE(variant);
    auto ui = Load(Base(variant));
    EXPECT_TRUE(ui->catalogue.offline());
    ASSERT_EQ(ui->list.items.size(), 3u);
    EXPECT_EQ(ui->list.items[0].Title(), "店铺助手 V1.0.3");
    ExpectInstallRefused(*ui, 0);
    EXPECT_EQ(KeptAnswer().body, Served("good", "api\\group\\zor"));
    EXPECT_EQ(Kept("zor.published"), "2000");
  }
  // The 64 MB signature was not read on: nginx could not send it all.
  const std::string log = AccessLog().substr(logBefore);
  const size_t line = log.find("GET /bigsig/api/group/zor.sig ");
  ASSERT_NE(line, std::string::npos) << log;
  EXPECT_LT(std::stoll(log.substr(log.find("\" 200 ", line) + 6)), 16ll << 20) << log.substr(line, 120);

  // A newer release is taken; after it, the older one counts as a rollback.
  EXPECT_FALSE(Load(Base("newer"))->catalogue.offline());
  EXPECT_EQ(Kept("zor.published"), "3000");
  auto rolledBack = Load(Base("good"));
  EXPECT_TRUE(rolledBack->catalogue.offline());
  EXPECT_EQ(rolledBack->list.items.size(), 3u);
  EXPECT_EQ(KeptAnswer().body, Served("newer", "api\\group\\zor"));
}

TEST_F(SignedCatalogue, ADamagedRecordStillRefusesAnswersOlderThanTheBuildsMinimum) {
  Load(Base("good"));
  ASSERT_TRUE(WriteBytes(root_ / "offline\\zor.published", "2x00"));
  EXPECT_TRUE(Load(Base("good"), true, 2500)->catalogue.offline());
  EXPECT_EQ(Kept("zor.published"), "2x00");
  EXPECT_FALSE(Load(Base("newer"), true, 2500)->catalogue.offline());
  EXPECT_EQ(Kept("zor.published"), "3000");
  // Without a record, the build's minimum is where it starts.
  ::DeleteFileW(GbkToWide(root_ / "offline\\zor.published").c_str());
  EXPECT_TRUE(Load(Base("newer"), true, 3001)->catalogue.offline());
}

TEST_F(SignedCatalogue, WithoutAGoodCopyNothingIsListed) {
  auto refused = Load(Base("tampered"));
  EXPECT_TRUE(refused->catalogue.offline());
  EXPECT_TRUE(refused->list.items.empty());
  EXPECT_TRUE(refused->list.visible);
  EXPECT_EQ(refused->watcherStarts, 1);

  // A copy changed on disk is checked like an answer and refused.
  Load(Base("good"));
  net::FetchedAnswer kept = KeptAnswer();
  kept.body.replace(kept.body.find("1.0.3"), 5, "9.9.9");
  ASSERT_TRUE(SaveOfflineAnswer(root_.path(), kept));
  EXPECT_TRUE(Load(Down())->list.items.empty());
}

TEST_F(SignedCatalogue, ABuildWithoutKeyAsksForNoSignatureAndKeepsItsCopyToo) {
  const size_t logBefore = ReadBytes(state_ + "\\nginx\\access.log").size();
  auto ui = Load(Base("tampered"), false);
  EXPECT_FALSE(ui->catalogue.offline());
  ASSERT_EQ(ui->list.items.size(), 3u);
  EXPECT_EQ(ui->list.items[0].Title(), "店铺助手 V9.9.9");
  const std::string log = ReadBytes(state_ + "\\nginx\\access.log").substr(logBefore);
  EXPECT_NE(log.find("GET /tampered/api/group/zor "), std::string::npos) << log;
  EXPECT_EQ(log.find(".sig"), std::string::npos) << log;
  EXPECT_FALSE(test_support::FileExists(root_ / "offline\\zor.sig"));
  EXPECT_FALSE(test_support::FileExists(root_ / "offline\\zor.published"));

  auto offline = Load(Down(), false);
  EXPECT_TRUE(offline->catalogue.offline());
  ASSERT_EQ(offline->list.items.size(), 3u);
  EXPECT_EQ(offline->list.items[0].Title(), "店铺助手 V9.9.9");
}

}  // namespace
}  // namespace storvane
