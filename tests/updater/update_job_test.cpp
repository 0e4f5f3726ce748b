// The update sequence with real processes and the loopback server: the new launcher arrives
// beside the old one, replaces it only after the old process has ended, and is started; a
// failed download changes nothing.
#include "updater/update_job.h"

#include <gtest/gtest.h>

#include "net/download_progress.h"
#include "support/test_server.h"
#include "updater/launcher_wait.h"
#include "updater/updater_test_support.h"
#include "util/crypto.h"
#include "util/handles.h"
#include "util/image_file.h"
#include "util/win_text.h"

namespace storvane::updater {
namespace {

using namespace storvane::updater::testing;
using testsupport::TestServer;

constexpr size_t kOldPadding = 1000;  // tells the old launcher's marker lines from the new one's

std::string SizeOf(const std::vector<uint8_t>& bytes) { return std::to_string(bytes.size()); }

class UpdateJobTest : public ::testing::Test {
protected:
  void SetUp() override {
    auto loaded = TestServer::Load();
    ASSERT_TRUE(loaded) << "STORVANE_TEST_SERVER not set or unreadable";
    server_ = *loaded;
    ASSERT_TRUE(server_.Reset());
    ASSERT_TRUE(FileExists(StubPath()));
    oldLauncher_ = StubBytes(kOldPadding);
    newLauncher_ = StubBytes();
    ASSERT_TRUE(WriteFileBytes(launcher(), oldLauncher_));
  }

  std::wstring launcher() const { return folder_ / L"Storvane.exe"; }
  // What up.exe leaves beside the launcher: the launcher started again has written its marker.
  std::set<std::wstring> NamesOnceTheOldLauncherRuns() {
    WaitUntil([&] { return !MarkerLines(folder_.path()).empty(); }, 10000);
    return folder_.Names();
  }

  UpdateOutcome Run(const std::string& url, DWORD waitMs = 15000) {
    UpdatePlan plan{GbkToWide(url), launcher(), L"2.2", waitMs};
    plan.trialMs = 1000;
    plan.retryWaitsMs = {50, 50, 50};
    return RunUpdate(
        plan,
        [this](int32_t length, int32_t total, int32_t, int32_t) {
          positions_.push_back(DownloadProgressPosition(length, total));
        },
        [this](const std::string& text) { messages_.push_back(text); });
  }

  TestServer server_;
  ScratchFolder folder_{L"svup"};
  std::vector<uint8_t> oldLauncher_, newLauncher_;
  std::vector<int> positions_;
  std::vector<std::string> messages_;
};

TEST_F(UpdateJobTest, ReplacesTheLauncherOnceItHasEndedAndStartsTheNewOne) {
  ASSERT_TRUE(server_.Script("/dl/new%20launcher.exe", ServeBytesScript(newLauncher_)));
  UniqueHandle old(StartHeld(launcher(), 1500));
  ASSERT_TRUE(old);
  ASSERT_TRUE(WaitUntil([&] { return MarkerLines(folder_.path()).size() == 1; }, 10000));
  ASSERT_TRUE(WriteFileBytes(folder_ / L"launcher_hold.txt", {'3', '0', '0', '0'}));

  EXPECT_EQ(Run(server_.HttpUrl("/dl/new launcher.exe")), UpdateOutcome::Started);
  EXPECT_TRUE(messages_.empty());
  ASSERT_TRUE(WaitUntil([&] { return MarkerLines(folder_.path()).size() >= 3; }, 15000));
  // The new copy starts only after the old one has gone.
  const std::vector<std::string> markers = MarkerLines(folder_.path());
  EXPECT_EQ(std::vector<std::string>(markers.begin(), markers.begin() + 3),
            (std::vector<std::string>{"start " + SizeOf(oldLauncher_), "end " + SizeOf(oldLauncher_),
                                      "start " + SizeOf(newLauncher_)}));
  EXPECT_EQ(ReadFileBytes(launcher()), newLauncher_);
  // Once the new launcher has kept running, the old copy is gone and the offer in place is
  // recorded, with the digest of the launcher it is for, so it is not fetched again.
  EXPECT_EQ(folder_.Names(),
            (std::set<std::wstring>{L"Storvane.exe", L"up.qn", L"launcher_marker.txt", L"launcher_hold.txt"}));
  const std::vector<uint8_t> record = ReadFileBytes(InstalledOfferPathFor(launcher()));
  EXPECT_EQ(std::string(record.begin(), record.end()), FormatInstalledOffer("2.2", Sha256Of(newLauncher_).value()));
  ASSERT_FALSE(positions_.empty());
  EXPECT_EQ(positions_.back(), kDownloadProgressMaximum);
}

TEST_F(UpdateJobTest, FailedDownloadKeepsTheOldLauncherStartsItAgainAndHoldsTheOfferBack) {
  ASSERT_TRUE(WriteFileBytes(StagingPathFor(launcher()), {1, 2, 3}));  // from an interrupted attempt
  EXPECT_EQ(Run(server_.HttpUrl("/status/404")), UpdateOutcome::DownloadFailed);
  EXPECT_EQ(messages_, std::vector<std::string>{"不能打开该URL!"});
  EXPECT_EQ(NamesOnceTheOldLauncherRuns(),
            (std::set<std::wstring>{L"Storvane.exe", L"up.fail", L"launcher_marker.txt"}));
  EXPECT_EQ(ReadFileBytes(launcher()), oldLauncher_);
  EXPECT_EQ(MarkerLines(folder_.path()), std::vector<std::string>{"start " + SizeOf(oldLauncher_)});
  const std::vector<uint8_t> record = ReadFileBytes(FailedOfferPathFor(launcher()));
  EXPECT_TRUE(FailedOfferHolds(std::string(record.begin(), record.end()), {"2.2", server_.HttpUrl("/status/404"), ""},
                               UnixTimeNow()));
}

TEST_F(UpdateJobTest, ANewLauncherThatDoesNotKeepRunningIsReplacedByTheOldOneAgain) {
  ASSERT_TRUE(server_.Script("/dl/new.exe", ServeBytesScript(newLauncher_)));  // it ends at once
  EXPECT_EQ(Run(server_.HttpUrl("/dl/new.exe")), UpdateOutcome::StartFailed);
  ASSERT_TRUE(WaitUntil([&] { return MarkerLines(folder_.path()).size() == 2; }, 10000));
  EXPECT_EQ(MarkerLines(folder_.path()),
            (std::vector<std::string>{"start " + SizeOf(newLauncher_), "start " + SizeOf(oldLauncher_)}));
  EXPECT_EQ(ReadFileBytes(launcher()), oldLauncher_);
  EXPECT_EQ(folder_.Names(), (std::set<std::wstring>{L"Storvane.exe", L"up.fail", L"launcher_marker.txt"}));
}

TEST_F(UpdateJobTest, TruncatedDownloadKeepsTheOldLauncher) {
  // Left by updates that were killed mid-transfer; gone with this one.
  ASSERT_TRUE(WriteFileBytes(GbkToWide(DownloadTemporaryPath(WideToGbk(StagingPathFor(launcher())))), {1, 2}));
  ASSERT_TRUE(WriteFileBytes(folder_ / L"svd12AB.tmp", {3, 4}));
  EXPECT_EQ(Run(server_.HttpUrl("/truncate?len=50000&send=20000")), UpdateOutcome::DownloadFailed);
  EXPECT_EQ(messages_, std::vector<std::string>{"读文件出错!"});
  EXPECT_EQ(ReadFileBytes(launcher()), oldLauncher_);
  EXPECT_EQ(NamesOnceTheOldLauncherRuns(),
            (std::set<std::wstring>{L"Storvane.exe", L"up.fail", L"launcher_marker.txt"}));
}

// A download cut halfway is tried again for the rest only, and the launcher it brings is whole.
TEST_F(UpdateJobTest, ADownloadCutShortContinuesWhereItStopped) {
  ASSERT_TRUE(
      server_.Exchange("POST", "/__large?key=up&cuts=0.5", std::string(newLauncher_.begin(), newLauncher_.end())));
  ASSERT_TRUE(WriteFileBytes(folder_ / L"launcher_hold.txt", {'3', '0', '0', '0'}));
  EXPECT_EQ(Run(server_.HttpUrl("/large/up")), UpdateOutcome::Started);
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(ReadFileBytes(launcher()), newLauncher_);
  const auto log = server_.Requests();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[1].Header("Range"), "bytes=" + std::to_string(newLauncher_.size() / 2) + "-");
}

TEST_F(UpdateJobTest, OnlyWebAddressesAreFetched) {
  for (const char* address : {"", "file:///C:/windows/notepad.exe", "C:\\windows\\notepad.exe", "http://"}) {
    messages_.clear();
    EXPECT_EQ(Run(address), UpdateOutcome::DownloadFailed) << address;
    EXPECT_EQ(messages_, std::vector<std::string>{"不能打开该URL!"}) << address;
  }
  EXPECT_TRUE(server_.Requests().empty());
  EXPECT_EQ(ReadFileBytes(launcher()), oldLauncher_);
}

TEST_F(UpdateJobTest, OnlyAWholeProgramForThisMachineReplacesTheLauncher) {
  const std::string page = "<html><body>Please sign in to the network</body></html>";
  std::vector<uint8_t> cut(newLauncher_.begin(), newLauncher_.begin() + newLauncher_.size() / 2);
  std::vector<uint8_t> foreign = newLauncher_;  // the other architecture's build: its machine field
  const size_t peAt = foreign[60] | (foreign[61] << 8);
  const uint16_t other = kBuildMachine == pe::kMachineI386 ? pe::kMachineAmd64 : pe::kMachineI386;
  foreign[peAt + 4] = static_cast<uint8_t>(other);
  foreign[peAt + 5] = static_cast<uint8_t>(other >> 8);
  for (const auto& body : {std::vector<uint8_t>(page.begin(), page.end()), cut, std::vector<uint8_t>(), foreign}) {
    messages_.clear();
    ASSERT_TRUE(server_.Script("/dl/bad.exe", ServeBytesScript(body)));
    EXPECT_EQ(Run(server_.HttpUrl("/dl/bad.exe")), UpdateOutcome::DownloadFailed) << body.size();
    EXPECT_EQ(messages_, std::vector<std::string>{"下载的文件不是完整的程序，已保留原来的版本。"}) << body.size();
    EXPECT_EQ(ReadFileBytes(launcher()), oldLauncher_);
    EXPECT_EQ(NamesOnceTheOldLauncherRuns(),
              (std::set<std::wstring>{L"Storvane.exe", L"up.fail", L"launcher_marker.txt"}));
  }
}

class LauncherWaitTest : public ::testing::Test {
protected:
  ScratchFolder here_{L"svwa"};
  ScratchFolder elsewhere_{L"svwb"};
};

TEST_F(LauncherWaitTest, FindsOnlyTheProcessOfThatPath) {
  const std::vector<uint8_t> stub = StubBytes();
  ASSERT_TRUE(WriteFileBytes(here_ / L"Storvane.exe", stub));
  ASSERT_TRUE(WriteFileBytes(elsewhere_ / L"Storvane.exe", stub));
  // Held well past the wait (and ended below): on a busy machine a process can take seconds to
  // start, and one that ended before it was seen proves nothing.
  UniqueHandle mine(StartHeld(here_ / L"Storvane.exe", 30000));
  UniqueHandle other(StartHeld(elsewhere_ / L"Storvane.exe", 30000));
  ASSERT_TRUE(mine && other);

  std::vector<DWORD> found;
  ASSERT_TRUE(WaitUntil([&] { return !(found = FindProcessesOfImage(here_ / L"Storvane.exe")).empty(); }, 20000));
  EXPECT_EQ(found, std::vector<DWORD>{GetProcessId(mine.get())});

  // Windows paths ignore case, and forward slashes name the same file.
  std::wstring shouted = here_ / L"STORVANE.EXE";
  EXPECT_EQ(FindProcessesOfImage(shouted), found);
  std::wstring slashed = here_ / L"Storvane.exe";
  for (wchar_t& c : slashed) {
    if (c == L'\\') c = L'/';
  }
  EXPECT_EQ(FindProcessesOfImage(slashed), found);
  TerminateProcess(mine.get(), 0);
  TerminateProcess(other.get(), 0);
}

TEST_F(LauncherWaitTest, WaitIsBoundedAndEndsWithTheProcess) {
  ASSERT_TRUE(WriteFileBytes(here_ / L"Storvane.exe", StubBytes()));
  ASSERT_TRUE(WriteFileBytes(elsewhere_ / L"Storvane.exe", StubBytes()));
  UniqueHandle mine(StartHeld(here_ / L"Storvane.exe", 2500));
  UniqueHandle other(StartHeld(elsewhere_ / L"Storvane.exe", 20000));
  ASSERT_TRUE(mine && other);
  ASSERT_TRUE(WaitUntil([&] { return !FindProcessesOfImage(here_ / L"Storvane.exe").empty(); }, 5000));

  EXPECT_FALSE(WaitForImageToEnd(here_ / L"Storvane.exe", 200));
  EXPECT_TRUE(WaitForImageToEnd(here_ / L"Storvane.exe", 15000));
  EXPECT_EQ(WaitForSingleObject(mine.get(), 0), WAIT_OBJECT_0);
  // The same name running elsewhere is nothing to wait for.
  EXPECT_TRUE(WaitForImageToEnd(here_ / L"Storvane.exe", 0));
  TerminateProcess(other.get(), 0);
}

}  // namespace
}  // namespace storvane::updater
