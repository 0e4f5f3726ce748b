// What the item buttons and the item menu do in each state, on fakes of the window's units and
// real folders and processes: menu enabling, opening a tool, refusing hostile entries, acting on
// the item whose arrow was clicked, force-closing, tutorials.
#include "catalogue/item_actions.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "app/test_processes.h"
#include "catalogue/catalogue_item.h"
#include "catalogue/install_flow.h"
#include "catalogue_fakes.h"
#include "sys/process_finder.h"
#include "util/win_text.h"

namespace storvane {
namespace {

using fakes::FakeCatalogue;
using test_support::ChildProcess;
using test_support::CopyFileTo;
using test_support::FileExists;
using test_support::HostToWindowsPath;
using test_support::ReadBytes;
using test_support::StartChild;
using test_support::TempFolder;
using test_support::WaitUntil;

constexpr int32_t kClick = 0x10000;
constexpr int32_t kChosen = 650;

class ItemActions : public ::testing::Test {
protected:
  int32_t SeedItem(ItemState state, const std::string& store = "dianpu", const std::string& exe = "shoptool_a.exe",
                   const std::string& name = "店铺助手") {
    return ui.Seed(name, "1.0.3", store, exe, "http://127.0.0.1:1/download/" + exe,
                   "http://127.0.0.1:1/edu/" + store + ".html", state);
  }

  // Names of the entries that are now in the root folder.
  std::vector<std::string> RootContent() const {
    std::vector<std::string> names;
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW(GbkToWide(root.path() + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
      const std::wstring n = data.cFileName;
      if (n != L"." && n != L"..") names.push_back(WideToGbk(n));
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
    return names;
  }

  TempFolder root{"act"};
  FakeCatalogue ui{root.path()};
};

TEST_F(ItemActions, TheArrowOffersOnlyWhatTheStateAllows) {
  struct Case {
    ItemState state;
    const char* caption;
    bool redownloadDisabled, showAndCloseDisabled;
  };
  const Case cases[] = {{ItemState::Download, "下载软件", true, true},
                        {ItemState::Update, "更新软件", true, true},
                        {ItemState::Redownload, "重新下载", true, true},
                        {ItemState::Open, "打开软件", false, true},
                        {ItemState::Running, "正在运行", true, false}};
  for (const Case& c : cases) {
    FakeCatalogue fresh(root.path());
    fresh.Seed("A", "1", "a", "a.exe", "", "", c.state);
    EXPECT_EQ(fresh.list.Caption(0), c.caption);
    HandleItemElementClick(fresh.catalogue, kClick, 0, 5);
    const auto& e = FakeCatalogue::kEntries;
    EXPECT_EQ(fresh.menu.disabled.at(e.redownload), c.redownloadDisabled) << c.caption;
    EXPECT_EQ(fresh.menu.disabled.at(e.showSoftware), c.showAndCloseDisabled) << c.caption;
    EXPECT_EQ(fresh.menu.disabled.at(e.forceClose), c.showAndCloseDisabled) << c.caption;
    EXPECT_EQ(fresh.menu.disabled.count(e.viewTutorial), 0u) << "the tutorial entry is never disabled";
    EXPECT_EQ(fresh.menu.popUps, 1) << c.caption;
    EXPECT_TRUE(fresh.starter.commandLines.empty());
    EXPECT_EQ(fresh.downloadWindow.opened, 0);
  }
}

TEST_F(ItemActions, ARunningItemsActionButtonDoesNothing) {
  SeedItem(ItemState::Running);
  HandleItemElementClick(ui.catalogue, kClick, 0, 4);
  EXPECT_TRUE(ui.starter.commandLines.empty());
  EXPECT_EQ(ui.downloadWindow.opened, 0);
  EXPECT_TRUE(ui.dialogs.shown.empty());
  EXPECT_EQ(ui.list.Caption(0), "正在运行");
}

TEST_F(ItemActions, OtherEventCodesAreIgnoredEntirely) {
  SeedItem(ItemState::Open);
  HandleItemElementClick(ui.catalogue, kClick + 1, 0, 4);
  HandleItemElementClick(ui.catalogue, 0, 0, 5);
  EXPECT_EQ(ui.catalogue.menuItem(), -1);
  EXPECT_TRUE(ui.starter.commandLines.empty());
  EXPECT_EQ(ui.menu.popUps, 0);
}

TEST(Selection, ReadsNameAndVersionBackFromTheTitleAndCopiesTheEntrysFields) {
  CatalogueItem item;
  item.entry.name = "助手 V2 Pro";
  item.entry.version = "3.1";
  item.entry.storeFolder = "s2";
  item.entry.executable = "t2.exe";
  item.entry.downloadAddress = "http://h/d2";
  item.entry.tutorialAddress = "http://h/e2";
  const SelectedEntry s = SelectionOf(item, 1);
  EXPECT_EQ(s.itemIndex, 1);
  EXPECT_EQ(s.name, "助手");    // before the title's first " V"
  EXPECT_EQ(s.version, "3.1");  // after its last " V"
  EXPECT_EQ(s.storeFolder, "s2");
  EXPECT_EQ(s.executable, "t2.exe");
  EXPECT_EQ(s.downloadAddress, "http://h/d2");
  EXPECT_EQ(s.tutorialAddress, "http://h/e2");
}

TEST_F(ItemActions, WhatAClickDoesFollowsTheItemsStateNotTheCaptionOnScreen) {
  SeedItem(ItemState::Download);
  SeedItem(ItemState::Open, "caiji", "shoptool_b.exe");
  ui.list.items[0].state = ItemState::Open;
  ui.list.items[1].state = ItemState::Download;
  HandleItemElementClick(ui.catalogue, kClick, 0, 4);
  HandleItemElementClick(ui.catalogue, kClick, 1, 4);
  ASSERT_EQ(ui.downloadWindow.jobs.size(), 1u);
  EXPECT_EQ(ui.downloadWindow.jobs[0].storeFolder, "dianpu");
  ASSERT_EQ(ui.starter.commandLines.size(), 1u);
  EXPECT_NE(ui.starter.commandLines[0].find("/soft/caiji/shoptool_b.exe"), std::string::npos);
}

TEST_F(ItemActions, OpenStartsTheToolByItsQuotedPathWithTheArgument) {
  SeedItem(ItemState::Open);
  HandleItemElementClick(ui.catalogue, kClick, 0, 4);
  ASSERT_EQ(ui.starter.commandLines.size(), 1u);
  EXPECT_EQ(ui.starter.commandLines[0], "\"" + root.path() + "/soft/dianpu/shoptool_a.exe\" quorlen");
  EXPECT_TRUE(ui.dialogs.shown.empty());
}

TEST_F(ItemActions, AToolThatCannotBeStartedGivesTheMessageAndKeepsItsCaption) {
  SeedItem(ItemState::Open);
  ui.starter.start = [](const std::string&) { return false; };
  HandleItemElementClick(ui.catalogue, kClick, 0, 4);
  ASSERT_EQ(ui.dialogs.shown.size(), 1u);
  EXPECT_EQ(ui.dialogs.shown[0].text,
            "打开失败，请关闭杀毒软件后选择重新下载！\r\n尝试后如果还出现此提示可以联系客服解决！");
  EXPECT_EQ(ui.dialogs.shown[0].caption, "提示：");
  EXPECT_FALSE(ui.dialogs.shown[0].question);
  EXPECT_EQ(ui.list.Caption(0), "打开软件");
}

TEST_F(ItemActions, HostileEntriesAreRefusedForEveryFileAndProcessAction) {
  const std::pair<std::string, std::string> hostile[] = {
      {"..", "evil.exe"}, {"dianpu", "..\\..\\evil.exe"}, {"C:\\Windows", "notepad.exe"}, {"dianpu", ""},
      {"a/b", "x.exe"},   {"dianpu", "NUL.exe"}};
  for (const auto& [store, exe] : hostile) {
    FakeCatalogue fresh(root.path());
    fresh.Seed("X", "1", store, exe, "http://127.0.0.1:1/x.exe", "http://127.0.0.1:1/x.html", ItemState::Open);
    fresh.Seed("X", "1", store, exe, "http://127.0.0.1:1/x.exe", "http://127.0.0.1:1/x.html", ItemState::Download);
    HandleItemElementClick(fresh.catalogue, kClick, 0, 4);  // open
    HandleItemElementClick(fresh.catalogue, kClick, 1, 4);  // install
    HandleItemElementClick(fresh.catalogue, kClick, 1, 5);  // the menu
    HandleItemMenuCommand(fresh.catalogue, kChosen, FakeCatalogue::kEntries.showSoftware);
    HandleItemMenuCommand(fresh.catalogue, kChosen, FakeCatalogue::kEntries.forceClose);
    HandleItemMenuCommand(fresh.catalogue, kChosen, FakeCatalogue::kEntries.redownload);
    EXPECT_TRUE(fresh.starter.commandLines.empty()) << store << " " << exe;
    EXPECT_EQ(fresh.downloadWindow.opened, 0) << store << " " << exe;
    ASSERT_EQ(fresh.dialogs.shown.size(), 5u) << store << " " << exe;
    for (const auto& m : fresh.dialogs.shown) {
      EXPECT_EQ(m.text, kUnsafeEntryMessage);
      EXPECT_EQ(m.caption, "提示：");
      EXPECT_FALSE(m.question) << "no force-close question for a hostile entry";
    }
    EXPECT_EQ(fresh.list.Caption(1), "下载软件");
  }
  EXPECT_TRUE(RootContent().empty()) << "nothing may be created for a hostile entry";
}

TEST_F(ItemActions, TheDownloadButtonInstallsTheClickedItem) {
  SeedItem(ItemState::Download);
  SeedItem(ItemState::Download, "caiji", "shoptool_b.exe", "商品采集");
  HandleItemElementClick(ui.catalogue, kClick, 1, 4);
  EXPECT_EQ(ui.downloadWindow.opened, 1);
  ASSERT_EQ(ui.downloadWindow.jobs.size(), 1u);
  EXPECT_EQ(ui.downloadWindow.jobs[0].storeFolder, "caiji");
  EXPECT_EQ(ui.downloadWindow.jobs[0].executable, "shoptool_b.exe");
  EXPECT_EQ(ui.downloadWindow.jobs[0].downloadAddress, "http://127.0.0.1:1/download/shoptool_b.exe");
  // The fake window delivered nothing: the first install failed.
  EXPECT_EQ(ui.list.Caption(1), "重新下载");
  EXPECT_EQ(ui.list.Caption(0), "下载软件");
}

TEST_F(ItemActions, TheMenuActsOnTheItemWhoseArrowWasClicked) {
  for (char i = '0'; i < '4'; ++i) SeedItem(ItemState::Open, std::string("tool") + i, std::string("t") + i + ".exe");
  HandleItemElementClick(ui.catalogue, kClick, 2, 5);
  HandleItemMenuCommand(ui.catalogue, kChosen, FakeCatalogue::kEntries.redownload);
  ASSERT_EQ(ui.downloadWindow.jobs.size(), 1u);
  EXPECT_EQ(ui.downloadWindow.jobs[0].storeFolder, "tool2");
  EXPECT_EQ(ui.list.Caption(2), "重新下载");
  for (int i : {0, 1, 3}) EXPECT_EQ(ui.list.Caption(i), "打开软件") << i;
}

TEST_F(ItemActions, OnlyTheChosenCodeActsAndUnknownEntriesDoNothing) {
  SeedItem(ItemState::Open);
  HandleItemElementClick(ui.catalogue, kClick, 0, 5);
  HandleItemMenuCommand(ui.catalogue, 651, FakeCatalogue::kEntries.redownload);
  HandleItemMenuCommand(ui.catalogue, kChosen, 0);
  HandleItemMenuCommand(ui.catalogue, kChosen, 9999);
  EXPECT_EQ(ui.downloadWindow.opened, 0);
  EXPECT_TRUE(ui.dialogs.shown.empty());
  EXPECT_TRUE(ui.openedAddresses.empty());
}

TEST_F(ItemActions, TutorialsOpenOnlyWebAddresses) {
  SeedItem(ItemState::Download);
  HandleItemElementClick(ui.catalogue, kClick, 0, 5);
  HandleItemMenuCommand(ui.catalogue, kChosen, FakeCatalogue::kEntries.viewTutorial);
  EXPECT_EQ(ui.openedAddresses, (std::vector<std::string>{"http://127.0.0.1:1/edu/dianpu.html"}));

  for (const char* address : {"C:\\Windows\\notepad.exe", "file:///C:/Windows/notepad.exe", "javascript:alert(1)",
                              "\\\\server\\share\\x.exe", ""}) {
    FakeCatalogue fresh(root.path());
    fresh.Seed("X", "1", "x", "x.exe", "", address, ItemState::Download);
    HandleItemElementClick(fresh.catalogue, kClick, 0, 5);
    HandleItemMenuCommand(fresh.catalogue, kChosen, FakeCatalogue::kEntries.viewTutorial);
    EXPECT_TRUE(fresh.openedAddresses.empty()) << address;
  }
}

TEST(OpenTutorial, HandsOverWebAddressesOnly) {
  std::vector<std::string> opened;
  auto open = [&](const std::string& a) {
    opened.push_back(a);
    return true;
  };
  EXPECT_TRUE(OpenTutorial("https://example.test/page?a=1", open));
  EXPECT_FALSE(OpenTutorial("notepad.exe", open));
  EXPECT_FALSE(OpenTutorial("http://", open));
  EXPECT_EQ(opened, (std::vector<std::string>{"https://example.test/page?a=1"}));
}

TEST(ForceClose, QuestionNamesTheTool) {
  EXPECT_EQ(ForceCloseQuestion("店铺助手"), "确认强制关闭【店铺助手】？\r\n强制关闭不会保存软件的数据！");
}

// ---- with real processes ------------------------------------------------------------------------

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (char c : text) {
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  return lines;
}

TEST(StartTool, ARunDirectoryWithABlankStillStartsTheToolWithOneArgument) {
  TempFolder base{"start"};
  const std::string runDirectory = base / "run dir";
  ASSERT_TRUE(::CreateDirectoryW(GbkToWide(runDirectory).c_str(), nullptr));
  ::CreateDirectoryW(GbkToWide(runDirectory + "\\soft").c_str(), nullptr);
  ::CreateDirectoryW(GbkToWide(runDirectory + "\\soft\\probe").c_str(), nullptr);
  ASSERT_TRUE(CopyFileTo(HostToWindowsPath(ARG_PROBE_EXE), runDirectory + "\\soft\\probe\\arg_probe.exe"));
  // A program where an unquoted command line would find one first.
  ASSERT_TRUE(CopyFileTo(HostToWindowsPath(ARG_PROBE_EXE), base / "run.exe"));

  ASSERT_TRUE(StartProcessFromCommandLine(ToolCommandLine(runDirectory, "probe", "arg_probe.exe")));
  const std::string argsFile = runDirectory + "\\soft\\probe\\args.txt";
  ASSERT_TRUE(WaitUntil([&] { return !ReadBytes(argsFile).empty(); }, 10000));
  const auto args = Lines(ReadBytes(argsFile));
  ASSERT_EQ(args.size(), 2u);
  EXPECT_EQ(args[1], "quorlen");
  EXPECT_FALSE(FileExists(base / "args.txt")) << "the wrong program was started";
}

TEST(StartTool, AMissingExecutableIsReportedAsAFailure) {
  TempFolder base{"start"};
  EXPECT_FALSE(StartProcessFromCommandLine(ToolCommandLine(base.path(), "none", "none.exe")));
}

// A tool whose manifest asks for administrator rights is refused by the direct start (740): the
// shell's "open" starts it with the consent prompt. Other failures stay failures.
TEST(StartTool, AToolAskingForAdministratorRightsGoesThroughTheShell) {
  std::wstring program, arguments;
  DWORD refusal = 740;  // the program asks for administrator rights
  const ProcessStartSteps steps{[&](const std::wstring&) { return refusal; },
                                [&](const std::wstring& p, const std::wstring& a) {
                                  program = p;
                                  arguments = a;
                                  return true;
                                }};
  EXPECT_TRUE(StartProcessFromCommandLine(ToolCommandLine("C:\\run dir", "probe", "管理.exe"), steps));
  EXPECT_EQ(program, GbkToWide(ToolExecutablePath("C:\\run dir", "probe", "管理.exe")));
  EXPECT_EQ(arguments, L"quorlen");
  program.clear();
  refusal = ERROR_ACCESS_DENIED;
  EXPECT_FALSE(StartProcessFromCommandLine(ToolCommandLine("C:\\run dir", "probe", "管理.exe"), steps));
  EXPECT_EQ(program, L"");
}

class ForceCloseTool : public ItemActions {
protected:
  void SetUp() override {
    ::CreateDirectoryW(GbkToWide(root / "soft").c_str(), nullptr);
    ::CreateDirectoryW(GbkToWide(root / "soft\\dianpu").c_str(), nullptr);
    ASSERT_TRUE(CopyFileTo(HostToWindowsPath(SHOPTOOL_A_EXE), root / "soft\\dianpu\\shoptool_a.exe"));
    tool = StartChild(root / "soft\\dianpu\\shoptool_a.exe", "quorlen", SW_SHOWNOACTIVATE);
    ASSERT_TRUE(tool.valid());
    ASSERT_TRUE(WaitUntil([&] { return IsToolRunning(ToolFolder(root.path(), "dianpu"), "shoptool_a.exe"); }, 5000));
    SeedItem(ItemState::Running);
    HandleItemElementClick(ui.catalogue, kClick, 0, 5);
  }
  ChildProcess tool;
};

TEST_F(ForceCloseTool, AnsweringNoLeavesTheToolRunning) {
  ui.dialogs.answerYes = false;
  HandleItemMenuCommand(ui.catalogue, kChosen, FakeCatalogue::kEntries.forceClose);
  ASSERT_EQ(ui.dialogs.shown.size(), 1u);
  EXPECT_TRUE(ui.dialogs.shown[0].question);
  EXPECT_EQ(ui.dialogs.shown[0].text, ForceCloseQuestion("店铺助手"));
  EXPECT_EQ(ui.dialogs.shown[0].caption, "提示：");
  EXPECT_FALSE(tool.WaitForExit(300));
}

TEST_F(ForceCloseTool, AnsweringYesEndsItAndLeavesTheCaptionToTheWatcher) {
  HandleItemMenuCommand(ui.catalogue, kChosen, FakeCatalogue::kEntries.forceClose);
  EXPECT_TRUE(tool.WaitForExit(5000));
  EXPECT_EQ(ui.list.Caption(0), "正在运行");
}

TEST_F(ForceCloseTool, AToolOfTheSameNameElsewhereIsNotTouched) {
  TempFolder elsewhere{"other"};
  ASSERT_TRUE(CopyFileTo(HostToWindowsPath(SHOPTOOL_A_EXE), elsewhere / "shoptool_a.exe"));
  ChildProcess stranger = StartChild(elsewhere / "shoptool_a.exe", "", SW_SHOWNOACTIVATE);
  ASSERT_TRUE(stranger.valid());
  HandleItemMenuCommand(ui.catalogue, kChosen, FakeCatalogue::kEntries.forceClose);
  EXPECT_TRUE(tool.WaitForExit(5000));
  EXPECT_FALSE(stranger.WaitForExit(300));
}

}  // namespace
}  // namespace storvane
