// The running watcher with a real demo tool: "打开软件" and "正在运行" follow the tool's process,
// other states stay, and an empty list never makes the watcher spin.
#include "catalogue/running_watch.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "app/test_processes.h"
#include "catalogue/catalogue_item.h"
#include "catalogue/item_actions.h"
#include "catalogue_fakes.h"
#include "sys/process_finder.h"
#include "util/win_text.h"

namespace storvane {
namespace {

using fakes::FakeCatalogue;
using test_support::ChildProcess;
using test_support::CopyFileTo;
using test_support::HostToWindowsPath;
using test_support::StartChild;
using test_support::TempFolder;
using test_support::WaitUntil;

class RunningWatch : public ::testing::Test {
protected:
  void SetUp() override {
    ::CreateDirectoryW(GbkToWide(root / "soft").c_str(), nullptr);
    for (const char* store : {"dianpu", "caiji"}) {
      ::CreateDirectoryW(GbkToWide(root / (std::string("soft\\") + store)).c_str(), nullptr);
      ASSERT_TRUE(
          CopyFileTo(HostToWindowsPath(SHOPTOOL_A_EXE), root / (std::string("soft\\") + store + "\\shoptool_a.exe")));
    }
  }

  bool Running(const std::string& store) { return IsToolRunning(ToolFolder(root.path(), store), "shoptool_a.exe"); }

  TempFolder root{"watch"};
  FakeCatalogue ui{root.path()};
};

TEST_F(RunningWatch, OpenBecomesRunningAndBackAsTheToolStartsAndEnds) {
  ui.Seed("店铺助手", "1", "dianpu", "shoptool_a.exe", "", "", ItemState::Open);
  EXPECT_EQ(RefreshRunningStates(ui.catalogue), 1);
  EXPECT_EQ(ui.list.Caption(0), "打开软件");

  // Started the way the action button starts it: forward slashes, quoted, with its argument.
  ASSERT_TRUE(StartProcessFromCommandLine(ToolCommandLine(root.path(), "dianpu", "shoptool_a.exe")));
  ASSERT_TRUE(WaitUntil([&] { return Running("dianpu"); }, 5000));
  RefreshRunningStates(ui.catalogue);
  EXPECT_EQ(ui.list.Caption(0), "正在运行");

  // Still running: nothing is set again.
  const int shownBefore = ui.list.stateShows;
  RefreshRunningStates(ui.catalogue);
  EXPECT_EQ(ui.list.stateShows, shownBefore);

  TerminateToolProcesses(ToolFolder(root.path(), "dianpu"), "shoptool_a.exe");
  ASSERT_TRUE(WaitUntil([&] { return !Running("dianpu"); }, 5000));
  RefreshRunningStates(ui.catalogue);
  EXPECT_EQ(ui.list.Caption(0), "打开软件");
}

TEST_F(RunningWatch, OnlyTheItemWhoseToolRunsMovesAndOtherStatesStay) {
  ui.Seed("A", "1", "dianpu", "shoptool_a.exe", "", "", ItemState::Open);
  ui.Seed("B", "1", "caiji", "shoptool_a.exe", "", "", ItemState::Open);     // same name, other folder
  ui.Seed("C", "2", "dianpu", "shoptool_a.exe", "", "", ItemState::Update);  // the old version runs
  ui.Seed("D", "1", "dianpu", "shoptool_a.exe", "", "", ItemState::Download);
  ui.Seed("E", "1", "..", "shoptool_a.exe", "", "", ItemState::Open);  // hostile: never looked at
  ChildProcess tool = StartChild(root / "soft\\dianpu\\shoptool_a.exe", "quorlen", SW_SHOWNOACTIVATE);
  ASSERT_TRUE(tool.valid());
  ASSERT_TRUE(WaitUntil([&] { return Running("dianpu"); }, 5000));

  EXPECT_EQ(RefreshRunningStates(ui.catalogue), 5);
  EXPECT_EQ(ui.list.Caption(0), "正在运行");
  EXPECT_EQ(ui.list.Caption(1), "打开软件");
  EXPECT_EQ(ui.list.Caption(2), "更新软件");
  EXPECT_EQ(ui.list.Caption(3), "下载软件");
  EXPECT_EQ(ui.list.Caption(4), "打开软件");
}

TEST_F(RunningWatch, AWhileRunningItemOffersShowAndForceCloseButNotDownloadAgain) {
  ui.Seed("店铺助手", "1", "dianpu", "shoptool_a.exe", "", "", ItemState::Open);
  ChildProcess tool = StartChild(root / "soft\\dianpu\\shoptool_a.exe", "quorlen", SW_SHOWNOACTIVATE);
  ASSERT_TRUE(WaitUntil([&] { return Running("dianpu"); }, 5000));
  RefreshRunningStates(ui.catalogue);
  HandleItemElementClick(ui.catalogue, 0x10000, 0, 5);
  EXPECT_FALSE(ui.menu.disabled.at(FakeCatalogue::kEntries.showSoftware));
  EXPECT_FALSE(ui.menu.disabled.at(FakeCatalogue::kEntries.forceClose));
  EXPECT_TRUE(ui.menu.disabled.at(FakeCatalogue::kEntries.redownload));
  HandleItemElementClick(ui.catalogue, 0x10000, 0, 4);
  EXPECT_TRUE(ui.starter.commandLines.empty());
}

TEST(RunningWatchLoop, AnEmptyPassIsFollowedByAPauseAFullOneIsNot) {
  std::vector<int> pauses;
  int passes = 0;
  const int results[] = {0, 0, 3, 0, 2};
  RunningWatchLoop([&] { return results[passes++]; }, [&](int ms) { pauses.push_back(ms); },
                   [&] { return passes < 5; });
  EXPECT_EQ(passes, 5);
  // After the passes that found nothing (1st, 2nd, 4th), never after the others.
  EXPECT_EQ(pauses, (std::vector<int>{500, 500, 500}));
}

TEST(RunningWatchLoop, AnEmptyListDoesNotSpin) {
  FakeCatalogue ui;
  EXPECT_EQ(RefreshRunningStates(ui.catalogue), 0);
  // The real loop with real sleeping, for about a second: a spinning loop would make
  // thousands of passes, a pausing one two or three.
  std::atomic<int> passes{0};
  std::atomic<bool> stop{false};
  std::thread watcher([&] {
    RunningWatchLoop(
        [&] {
          ++passes;
          return RefreshRunningStates(ui.catalogue);
        },
        [](int ms) { ::Sleep(static_cast<DWORD>(ms)); }, [&] { return !stop.load(); });
  });
  ::Sleep(1200);
  stop = true;
  watcher.join();
  EXPECT_GE(passes.load(), 2);
  EXPECT_LE(passes.load(), 5);
}

}  // namespace
}  // namespace storvane
