// The install flow end to end, with the real transfer against the demo version service and real
// tool folders and processes; only the download window itself is replaced by a stand-in that
// runs its preparation and the worker's transfer.
#include "catalogue/install_flow.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "app/test_processes.h"
#include "catalogue/catalogue_item.h"
#include "catalogue/entry_rules.h"
#include "catalogue/item_actions.h"
#include "catalogue_fakes.h"
#include "reset_server.h"
#include "support/demo_service.h"
#include "sys/process_finder.h"
#include "util/crypto.h"
#include "util/win_text.h"

namespace storvane {
namespace {

using fakes::FakeCatalogue;
using fakes::FakeProgressBar;
using test_support::ChildProcess;
using test_support::CopyFileTo;
using test_support::FileExists;
using test_support::HostToWindowsPath;
using test_support::ReadBytes;
using test_support::StartChild;
using test_support::TempFolder;
using test_support::WaitUntil;
using test_support::WriteBytes;
using testing::DemoService;

constexpr int32_t kClick = 0x10000;

class InstallFlow : public ::testing::Test {
protected:
  void SetUp() override {
    auto loaded = DemoService::Load();
    ASSERT_TRUE(loaded) << "STORVANE_DEMO_SERVICE is not set up";
    service = *loaded;

    // The stand-in download window: what its creation handler and its worker do.
    ui.downloadWindow.onOpen = [this](const DownloadJob& job) {
      EXPECT_TRUE(PrepareInstallFolder(root.path(), job.storeFolder, job.executable));
      int result = -1;
      std::thread worker([this, &job, &result] {
        result = RunInstallTransfer(root.path(), job,
                                    {.progress =
                                         [this](int32_t length, int32_t total, int32_t, int32_t) {
                                           OnDownloadProgress(bar, bar.GetMaximum(), length, total);
                                           if (onProgress) onProgress(total, length);
                                         },
                                     .message = [this](const std::string& message) { messages.push_back(message); },
                                     .cancel = &cancel,
                                     .retry_waits_ms = {}});
      });
      worker.join();
      return result;
    };
    bar.maximum = 10000;
  }

  std::string ToolFile(const char* hostPath) const { return ReadBytes(HostToWindowsPath(hostPath)); }
  std::string Folder() const { return root / "soft\\dianpu"; }
  std::string Exe() const { return Folder() + "\\shoptool_a.exe"; }
  std::string Stamp() const { return Folder() + "\\rjbbyz.qn"; }

  std::vector<std::string> FolderContent() const {
    std::vector<std::string> names;
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW(GbkToWide(Folder() + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
      const std::wstring n = data.cFileName;
      if (n != L"." && n != L"..") names.push_back(WideToGbk(n));
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
  }

  // An installed earlier version: another real program under the tool's name, and its stamp.
  void InstallEarlier(const std::string& stamp) {
    ::CreateDirectoryW(GbkToWide(root / "soft").c_str(), nullptr);
    ::CreateDirectoryW(GbkToWide(Folder()).c_str(), nullptr);
    ASSERT_TRUE(CopyFileTo(HostToWindowsPath(SHOPTOOL_B_EXE), Exe()));
    ASSERT_TRUE(WriteBytes(Stamp(), stamp));
  }

  int32_t SeedItem(ItemState state, const std::string& downloadPath, const std::string& version = "1.0.3") {
    return ui.Seed("店铺助手", version, "dianpu", "shoptool_a.exe", service.Url(downloadPath),
                   service.Url("/edu/dianpu.html"), state);
  }

  // A transfer whose connection is reset halfway through a body of unknown length.
  std::string CutOffUrl() {
    if (!resetting) resetting = std::make_unique<fakes::ResettingServer>(ToolFile(SHOPTOOL_A_EXE), 20000);
    return resetting->Url("/shoptool_a.exe");
  }
  std::unique_ptr<fakes::ResettingServer> resetting;

  DemoService service;
  TempFolder root{"inst"};
  FakeCatalogue ui{root.path()};
  FakeProgressBar bar;
  std::vector<std::string> messages;
  std::atomic<bool> cancel{false};                                // the window's cancel
  std::function<void(int32_t total, int32_t length)> onProgress;  // on the worker, after each chunk
};

TEST_F(InstallFlow, AFirstInstallPutsTheExecutableAndStampInPlace) {
  SeedItem(ItemState::Download, "/download/shoptool_a.exe");
  HandleItemElementClick(ui.catalogue, kClick, 0, 4);
  EXPECT_EQ(ui.downloadWindow.opened, 1);
  EXPECT_TRUE(messages.empty());
  EXPECT_TRUE(ReadBytes(Exe()) == ToolFile(SHOPTOOL_A_EXE));
  EXPECT_EQ(ReadBytes(Stamp()), "1.0.3");
  EXPECT_EQ(FolderContent(), (std::vector<std::string>{"rjbbyz.qn", "shoptool_a.exe"}));
  EXPECT_EQ(ui.list.Caption(0), "打开软件");
  EXPECT_EQ(ui.list.State(0), ItemState::Open);
  ASSERT_FALSE(bar.positions.empty());
  EXPECT_EQ(bar.positions.back(), 10000);
  EXPECT_TRUE(ui.dialogs.shown.empty()) << "nothing runs, so nothing is asked";
}

TEST_F(InstallFlow, FailedFirstInstallsLeaveNoExecutableAndOfferToDownloadAgain) {
  for (const std::string& route :
       {service.Url("/fail/404/shoptool_a.exe"), service.Url("/fail/truncate/shoptool_a.exe"), CutOffUrl()}) {
    FakeCatalogue fresh(root.path());
    fresh.downloadWindow.onOpen = ui.downloadWindow.onOpen;
    messages.clear();
    fresh.Seed("店铺助手", "1.0.3", "dianpu", "shoptool_a.exe", route, "", ItemState::Download);
    HandleItemElementClick(fresh.catalogue, kClick, 0, 4);
    EXPECT_EQ(fresh.list.Caption(0), "重新下载") << route;
    EXPECT_FALSE(FileExists(Exe())) << route;
    EXPECT_FALSE(FileExists(Stamp())) << route;
    EXPECT_TRUE(FolderContent().empty()) << route << ": no partial or temporary file is left";
    EXPECT_EQ(messages.size(), 1u) << route;
  }
}

TEST_F(InstallFlow, AnAddressThatCannotBeOpenedIsReportedAsSuch) {
  SeedItem(ItemState::Download, "/fail/404/shoptool_a.exe");
  HandleItemElementClick(ui.catalogue, kClick, 0, 4);
  EXPECT_EQ(messages, (std::vector<std::string>{"不能打开该URL!"}));
  EXPECT_EQ(ui.list.Caption(0), "重新下载");
}

TEST_F(InstallFlow, AFailedUpdateKeepsThePreviousExecutableAndStamp) {
  InstallEarlier("1.0.2");
  const std::string previous = ReadBytes(Exe());
  for (const std::string& route :
       {service.Url("/fail/truncate/shoptool_a.exe"), CutOffUrl(), service.Url("/fail/404/shoptool_a.exe")}) {
    FakeCatalogue fresh(root.path());
    fresh.downloadWindow.onOpen = ui.downloadWindow.onOpen;
    fresh.Seed("店铺助手", "1.0.3", "dianpu", "shoptool_a.exe", route, "", ItemState::Update);
    HandleItemElementClick(fresh.catalogue, kClick, 0, 4);
    EXPECT_EQ(fresh.list.Caption(0), "更新软件") << route;
    EXPECT_TRUE(ReadBytes(Exe()) == previous) << route;
    EXPECT_EQ(ReadBytes(Stamp()), "1.0.2") << route;
    EXPECT_EQ(FolderContent(), (std::vector<std::string>{"rjbbyz.qn", "shoptool_a.exe"})) << route;
  }
}

// Answered with success, but not a program: an empty body, a portal's page, a body cut off
// without a length, or one whose encoding cannot be undone. Without a named digest as well.
TEST_F(InstallFlow, OnlyACompleteProgramReplacesATool) {
  InstallEarlier("1.0.2");
  const std::string previous = ReadBytes(Exe());
  for (const char* kind : {"empty", "html", "cut", "encoded"}) {
    FakeCatalogue fresh(root.path());
    fresh.downloadWindow.onOpen = ui.downloadWindow.onOpen;
    messages.clear();
    const std::string route = service.Url(std::string("/fail/") + kind + "/shoptool_a.exe");
    fresh.Seed("店铺助手", "1.0.3", "dianpu", "shoptool_a.exe", route, "", ItemState::Update);
    HandleItemElementClick(fresh.catalogue, kClick, 0, 4);
    EXPECT_EQ(fresh.list.Caption(0), "更新软件") << kind;
    EXPECT_TRUE(ReadBytes(Exe()) == previous) << kind;
    EXPECT_EQ(ReadBytes(Stamp()), "1.0.2") << kind;
    EXPECT_EQ(messages.size(), 1u) << kind;
  }
  // A compressed body is taken as the program it stands for, never as the compressed bytes.
  ui.Seed("店铺助手", "1.0.3", "dianpu", "shoptool_a.exe", service.Url("/fail/gzip/shoptool_a.exe"), "",
          ItemState::Update);
  HandleItemElementClick(ui.catalogue, kClick, 0, 4);
  EXPECT_TRUE(ReadBytes(Exe()) == ToolFile(SHOPTOOL_A_EXE));
  EXPECT_EQ(ReadBytes(Stamp()), "1.0.3");
}

TEST_F(InstallFlow, AnUpdateOnlyTakesTheFileTheCatalogueNamed) {
  InstallEarlier("1.0.2");
  const std::string previous = ReadBytes(Exe());
  const std::string offered = ToolFile(SHOPTOOL_A_EXE);
  const auto digestOf = [](const std::string& bytes) {
    return ToHex(Sha256Of({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}).value());
  };
  const std::string sha256 = digestOf(offered), size = std::to_string(offered.size());
  const std::string url = service.Url("/download/shoptool_a.exe");
  for (const auto& [namedSha256, namedSize] : std::vector<std::pair<std::string, std::string>>{
           {sha256, std::to_string(offered.size() + 1)}, {digestOf(previous), size}, {sha256, ""}, {"", size}}) {
    FakeCatalogue fresh(root.path());
    fresh.downloadWindow.onOpen = ui.downloadWindow.onOpen;
    messages.clear();
    fresh.Seed("店铺助手", "1.0.3", "dianpu", "shoptool_a.exe", url, "", ItemState::Update, namedSha256, namedSize);
    HandleItemElementClick(fresh.catalogue, kClick, 0, 4);
    EXPECT_EQ(messages, (std::vector<std::string>{"下载的文件未通过校验，已保留原来的版本。"}))
        << namedSha256 << namedSize;
    EXPECT_EQ(fresh.list.Caption(0), "更新软件");
    EXPECT_TRUE(ReadBytes(Exe()) == previous);
    EXPECT_EQ(ReadBytes(Stamp()), "1.0.2");
    EXPECT_EQ(FolderContent(), (std::vector<std::string>{"rjbbyz.qn", "shoptool_a.exe"}));
  }
  messages.clear();
  ui.Seed("店铺助手", "1.0.3", "dianpu", "shoptool_a.exe", url, "", ItemState::Update, sha256, size);
  HandleItemElementClick(ui.catalogue, kClick, 0, 4);
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(ui.list.Caption(0), "打开软件");
  EXPECT_TRUE(ReadBytes(Exe()) == offered);
  EXPECT_EQ(ReadBytes(Stamp()), "1.0.3");
}

TEST_F(InstallFlow, AFailedDownloadAgainOfAnUpToDateToolKeepsItOpen) {
  InstallEarlier("1.0.3");
  SeedItem(ItemState::Open, "/fail/truncate/shoptool_a.exe");
  HandleItemElementClick(ui.catalogue, kClick, 0, 5);
  HandleItemMenuCommand(ui.catalogue, 650, FakeCatalogue::kEntries.redownload);
  EXPECT_EQ(ui.downloadWindow.opened, 1);
  EXPECT_EQ(ui.list.Caption(0), "打开软件");
  EXPECT_TRUE(ReadBytes(Exe()) == ToolFile(SHOPTOOL_B_EXE));
}

TEST_F(InstallFlow, ASuccessfulUpdateStampsExactlyTheVersionOfTheTitle) {
  InstallEarlier("1.0.2");
  SeedItem(ItemState::Update, "/download/shoptool_a.exe", "1.0.3 beta");
  HandleItemElementClick(ui.catalogue, kClick, 0, 4);
  EXPECT_EQ(ui.list.Caption(0), "打开软件");
  EXPECT_TRUE(ReadBytes(Exe()) == ToolFile(SHOPTOOL_A_EXE));
  EXPECT_EQ(ReadBytes(Stamp()), VersionFromTitle(ui.list.items[0].Title()));
  EXPECT_EQ(ReadBytes(Stamp()), "1.0.3 beta");
}

class InstallOverRunningTool : public InstallFlow {
protected:
  void SetUp() override {
    InstallFlow::SetUp();
    InstallEarlier("1.0.2");
    tool = StartChild(Exe(), "quorlen", SW_SHOWNOACTIVATE);
    ASSERT_TRUE(tool.valid());
    ASSERT_TRUE(WaitUntil([&] { return IsToolRunning(ToolFolder(root.path(), "dianpu"), "shoptool_a.exe"); }, 5000));
    SeedItem(ItemState::Update, "/download/shoptool_a.exe");
  }
  ChildProcess tool;
};

TEST_F(InstallOverRunningTool, AnsweringNoChangesNothing) {
  ui.dialogs.answerYes = false;
  HandleItemElementClick(ui.catalogue, kClick, 0, 4);
  ASSERT_EQ(ui.dialogs.shown.size(), 1u);
  EXPECT_EQ(ui.dialogs.shown[0].text, "程序运行中，是否关闭程序并继续下载/更新？");
  EXPECT_EQ(ui.dialogs.shown[0].caption, "提示：");
  EXPECT_TRUE(ui.dialogs.shown[0].question);
  EXPECT_EQ(ui.downloadWindow.opened, 0);
  EXPECT_EQ(ui.list.Caption(0), "更新软件");
  EXPECT_TRUE(ReadBytes(Exe()) == ToolFile(SHOPTOOL_B_EXE));
  EXPECT_EQ(ReadBytes(Stamp()), "1.0.2");
  EXPECT_FALSE(tool.WaitForExit(200));
}

TEST_F(InstallOverRunningTool, AnsweringYesEndsTheToolAndReplacesIt) {
  bool ranDuringTransfer = false;
  onProgress = [&](int32_t total, int32_t) {
    if (total <= 10240) ranDuringTransfer = !tool.WaitForExit(0);
  };
  HandleItemElementClick(ui.catalogue, kClick, 0, 4);
  EXPECT_EQ(ui.downloadWindow.opened, 1);
  EXPECT_TRUE(ranDuringTransfer) << "the tool runs until the new executable is there";
  EXPECT_TRUE(tool.WaitForExit(0)) << "the running copy is ended before the replace";
  EXPECT_TRUE(messages.empty());
  EXPECT_TRUE(ReadBytes(Exe()) == ToolFile(SHOPTOOL_A_EXE));
  EXPECT_EQ(ReadBytes(Stamp()), "1.0.3");
  EXPECT_EQ(ui.list.Caption(0), "打开软件");
}

// A cancel halfway through a slow update ends the transfer at once and leaves the running tool,
// the old executable and stamp, and the part received; the next update of that version
// continues from there and only then ends the tool.
TEST_F(InstallOverRunningTool, ACancelledUpdateKeepsTheToolAndTheNextOneContinues) {
  FakeCatalogue fresh(root.path());
  fresh.downloadWindow.onOpen = ui.downloadWindow.onOpen;
  fresh.Seed("店铺助手", "1.0.3", "dianpu", "shoptool_a.exe", service.Url("/slow/shoptool_a.exe"), "",
             ItemState::Update);
  std::atomic<ULONGLONG> cancelledAt{0};
  onProgress = [&](int32_t total, int32_t length) {
    if (total * 2 >= length && !cancel.exchange(true)) cancelledAt = GetTickCount64();
  };
  HandleItemElementClick(fresh.catalogue, kClick, 0, 4);
  EXPECT_LT(GetTickCount64() - cancelledAt, 1000u);
  EXPECT_TRUE(messages.empty());
  EXPECT_FALSE(tool.WaitForExit(200)) << "a cancelled update leaves the tool running";
  EXPECT_EQ(fresh.list.Caption(0), "更新软件");
  EXPECT_TRUE(ReadBytes(Exe()) == ToolFile(SHOPTOOL_B_EXE));
  EXPECT_EQ(ReadBytes(Stamp()), "1.0.2");
  EXPECT_EQ(FolderContent(), (std::vector<std::string>{"rjbbyz.qn", "shoptool_a.exe", "shoptool_a.exe.download",
                                                       "shoptool_a.exe.download.resume"}));

  cancel = false;
  int32_t firstTotal = -1, length = 0;
  onProgress = [&](int32_t total, int32_t whole) {
    if (firstTotal >= 0) return;
    firstTotal = total;
    length = whole;
  };
  HandleItemElementClick(fresh.catalogue, kClick, 0, 4);
  EXPECT_GT(firstTotal * 2, length) << "continued where the cancel left it";
  EXPECT_TRUE(tool.WaitForExit(0));
  EXPECT_TRUE(ReadBytes(Exe()) == ToolFile(SHOPTOOL_A_EXE));
  EXPECT_EQ(ReadBytes(Stamp()), "1.0.3");
  EXPECT_EQ(FolderContent(), (std::vector<std::string>{"rjbbyz.qn", "shoptool_a.exe"}));
}

TEST_F(InstallOverRunningTool, AClickOnAnotherItemWhileTheQuestionIsOpenDoesNotTakeOverTheJob) {
  ui.Seed("商品采集", "2.0", "caiji", "shoptool_b.exe", service.Url("/download/shoptool_b.exe"), "",
          ItemState::Download);
  ui.dialogs.whileAsking = [this] {
    HandleItemElementClick(ui.catalogue, kClick, 1, 4);
    HandleItemElementClick(ui.catalogue, kClick, 1, 5);
  };
  HandleItemElementClick(ui.catalogue, kClick, 0, 4);
  EXPECT_EQ(ui.downloadWindow.opened, 1);
  ASSERT_EQ(ui.downloadWindow.jobs.size(), 1u);
  EXPECT_EQ(ui.downloadWindow.jobs[0].executable, "shoptool_a.exe");
  EXPECT_EQ(ui.menu.popUps, 0);
  EXPECT_TRUE(ReadBytes(Exe()) == ToolFile(SHOPTOOL_A_EXE)) << "the stamp must not outrun the executable";
  EXPECT_EQ(ReadBytes(Stamp()), "1.0.3");
  EXPECT_EQ(ui.list.Caption(1), "下载软件");
  EXPECT_FALSE(FileExists(root / "soft\\caiji"));
}

TEST_F(InstallFlow, AHostileJobTouchesNothingAndSendsNoRequest) {
  const size_t before = service.LogLines().size();
  for (const auto& [store, exe] : std::vector<std::pair<std::string, std::string>>{
           {"..", "evil.exe"}, {"dianpu", "..\\evil.exe"}, {"C:\\temp", "x.exe"}, {"", "x.exe"}}) {
    const DownloadJob job{service.Url("/download/shoptool_a.exe"), store, exe};
    EXPECT_FALSE(PrepareInstallFolder(root.path(), store, exe));
    EXPECT_EQ(RunInstallTransfer(root.path(), job, {.message = [&](const std::string& m) { messages.push_back(m); }}),
              -1);
    FakeCatalogue fresh(root.path());
    EXPECT_FALSE(RunInstallDialog(fresh.env, job).has_value());
    EXPECT_EQ(fresh.downloadWindow.opened, 0);
  }
  EXPECT_FALSE(FileExists(root / "soft")) << "not even the soft folder is created";
  EXPECT_FALSE(FileExists(root / "evil.exe"));
  EXPECT_EQ(service.LogLines().size(), before + 1) << "only this test's own log request";
}

TEST(DownloadProgressBar, FollowsTheReceivedShareOfTheContentLength) {
  FakeProgressBar bar;
  OnDownloadProgress(bar, 10000, 1000000, 10240);
  OnDownloadProgress(bar, 10000, 1000000, 1000000);
  OnDownloadProgress(bar, 10000, 0, 10240);  // no length: straight to the end
  EXPECT_EQ(bar.positions, (std::vector<int32_t>{102, 10000, 10000}));
}

TEST(DownloadWindowPlace, IsCentredOverTheMainWindowAndTruncated) {
  const WindowPlace p = CentredPlace(100, 50, 900, 600, 360, 140);
  EXPECT_EQ(p.left, 370);
  EXPECT_EQ(p.top, 280);
  const WindowPlace q = CentredPlace(0, 0, 901, 601, 360, 140);
  EXPECT_EQ(q.left, 270);  // 270.5
  EXPECT_EQ(q.top, 230);   // 230.5
  const WindowPlace r = CentredPlace(-5, 0, 100, 100, 301, 100);
  EXPECT_EQ(r.left, -105);  // -5 - 100.5, toward zero
}

}  // namespace
}  // namespace storvane
