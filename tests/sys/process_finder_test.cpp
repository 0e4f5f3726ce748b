#include "sys/process_finder.h"

#include <gtest/gtest.h>
#include <psapi.h>
#include <sddl.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "app/test_processes.h"
#include "util/handles.h"
#include "util/text.h"
#include "util/win_text.h"

namespace storvane {
namespace {

using test_support::ChildProcess;
using test_support::CopyFileTo;
using test_support::HostToWindowsPath;
using test_support::StartChild;
using test_support::TempFolder;
using test_support::WaitUntil;

constexpr char kExe[] = "shoptool_a.exe";

bool Contains(const std::vector<DWORD>& ids, DWORD id) { return std::find(ids.begin(), ids.end(), id) != ids.end(); }

std::string UpperAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

// Two folders holding the same tool, "A" and "B", so that a tool of the same name always runs
// somewhere else too.
class ProcessFinder : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_FALSE(root_.path().empty());
    dirA_ = root_ / "A";
    dirB_ = root_ / "B";
    for (const std::string& dir : {dirA_, dirB_}) {
      ASSERT_TRUE(::CreateDirectoryW(GbkToWide(dir).c_str(), nullptr));
      ASSERT_TRUE(CopyFileTo(HostToWindowsPath(SHOPTOOL_A_EXE), dir + "\\" + kExe));
    }
  }

  // Starts the tool from `dir` and waits until its window is up.
  ChildProcess StartTool(const std::string& dir, int show = SW_SHOWNOACTIVATE) {
    ChildProcess tool = StartChild(dir + "\\" + kExe, "quorlen", show);
    EXPECT_TRUE(tool.valid());
    if (tool.valid()) {
      ::WaitForInputIdle(tool.handle(), 5000);
      EXPECT_TRUE(WaitUntil([&] { return FindTopWindowOfProcess(tool.id()) != nullptr; }, 5000));
    }
    return tool;
  }

  TempFolder root_{"finder"};
  std::string dirA_;
  std::string dirB_;
};

TEST_F(ProcessFinder, FindsProcessesByExeNameInAnyCase) {
  auto tool = StartTool(dirB_);
  EXPECT_TRUE(Contains(FindProcessIdsByExeName(kExe), tool.id()));
  EXPECT_TRUE(Contains(FindProcessIdsByExeName("SHOPTOOL_A.EXE"), tool.id()));
  EXPECT_TRUE(Contains(FindProcessIdsByExeName("ShopTool_A.Exe"), tool.id()));
  EXPECT_FALSE(Contains(FindProcessIdsByExeName("shoptool_a"), tool.id()));
  EXPECT_FALSE(Contains(FindProcessIdsByExeName("shoptool_b.exe"), tool.id()));
  EXPECT_TRUE(FindProcessIdsByExeName("").empty());
}

TEST_F(ProcessFinder, ImagePathIsTheFullExecutablePath) {
  auto tool = StartTool(dirB_);
  EXPECT_EQ(GetProcessImagePath(tool.id()), dirB_ + "\\" + kExe);

  wchar_t own[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, own, MAX_PATH);
  EXPECT_EQ(GetProcessImagePath(::GetCurrentProcessId()), WideToGbk(own));
}

// A tool running elevated lets a launcher that is not open it for the limited query alone; one
// whose process grants nothing more stands in for it.
TEST_F(ProcessFinder, AToolGrantingOnlyTheLimitedQueryIsFoundRunning) {
  PSECURITY_DESCRIPTOR limited = nullptr;
  // Everyone: limited query, synchronise, terminate.
  ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;;0x101001;;;WD)", SDDL_REVISION_1, &limited,
                                                                     nullptr));
  SECURITY_ATTRIBUTES attributes{sizeof(attributes), limited, FALSE};
  std::wstring line = L"\"" + GbkToWide(dirB_ + "\\" + kExe) + L"\" quorlen";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  const BOOL started =
      ::CreateProcessW(nullptr, line.data(), &attributes, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info);
  ::LocalFree(limited);
  ASSERT_TRUE(started);
  UniqueHandle process(info.hProcess), thread(info.hThread);
  EXPECT_FALSE(UniqueHandle(::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, info.dwProcessId)));
  EXPECT_TRUE(WaitUntil([&] { return IsToolRunning(dirB_, kExe); }, 5000)) << GetProcessImagePath(info.dwProcessId);
  EXPECT_FALSE(IsToolRunning(dirA_, kExe));
  ::TerminateProcess(process.get(), 0);
  ::WaitForSingleObject(process.get(), 5000);
}

TEST_F(ProcessFinder, ImagePathOfAnEndedProcessIsEmpty) {
  DWORD id = 0;
  {
    auto tool = StartTool(dirB_);
    id = tool.id();
    tool.Kill();
  }
  // The system may take a moment to let go of an ended process.
  EXPECT_TRUE(WaitUntil([&] { return GetProcessImagePath(id).empty(); }, 5000)) << GetProcessImagePath(id);
  EXPECT_EQ(GetProcessImagePath(0xFFFFFFF1u), "");
}

TEST_F(ProcessFinder, SameNameInAnotherFolderIsNeitherReportedNorKilledNorShown) {
  auto tool = StartTool(dirB_, SW_SHOWMINNOACTIVE);
  const HWND window = FindTopWindowOfProcess(tool.id());
  ASSERT_TRUE(WaitUntil([&] { return ::IsIconic(window) != FALSE; }, 5000));

  EXPECT_FALSE(IsToolRunning(dirA_, kExe));
  TerminateToolProcesses(dirA_, kExe);
  ShowToolWindow(dirA_, kExe);
  EXPECT_FALSE(tool.WaitForExit(300)) << "a tool of the same name in another folder was killed";
  EXPECT_TRUE(::IsIconic(window)) << "a tool of the same name in another folder was shown";

  EXPECT_TRUE(IsToolRunning(dirB_, kExe));
}

TEST_F(ProcessFinder, AToolOpenedThroughAPathInOtherLetterCaseIsFoundAndEnded) {
  // As Explorer may open it: the same file, its path written in other letters.
  ChildProcess tool = StartChild(UpperAscii(dirB_) + "\\" + UpperAscii(kExe), "quorlen", SW_SHOWNOACTIVATE);
  ASSERT_TRUE(tool.valid());
  ASSERT_TRUE(WaitUntil([&] { return IsToolRunning(dirB_, kExe); }, 5000)) << GetProcessImagePath(tool.id());
  EXPECT_TRUE(Contains(FindProcessIdsByExeName(kExe), tool.id()));
  EXPECT_TRUE(IsToolRunning(UpperAscii(dirB_), kExe));
  EXPECT_FALSE(IsToolRunning(dirA_, kExe));

  EXPECT_TRUE(TerminateToolProcesses(dirB_, kExe));
  EXPECT_TRUE(tool.WaitForExit(0)) << "the ended tool is gone once the call returns";
}

TEST_F(ProcessFinder, FoldersWrittenWithForwardSlashesMatch) {
  auto tool = StartTool(dirB_);
  EXPECT_TRUE(IsToolRunning(ReplaceText(dirB_, "\\", "/"), kExe));
  EXPECT_TRUE(IsToolRunning(root_.path() + "/B", kExe));
  EXPECT_FALSE(IsToolRunning(root_.path() + "/A", kExe));
}

TEST_F(ProcessFinder, TerminateEndsEveryCopyOfTheToolAndNothingElse) {
  auto first = StartTool(dirB_);
  auto second = StartTool(dirB_);
  auto elsewhere = StartTool(dirA_);

  TerminateToolProcesses(dirB_, kExe);
  ASSERT_TRUE(first.WaitForExit(5000));
  ASSERT_TRUE(second.WaitForExit(5000));
  EXPECT_EQ(first.ExitCode(), 0u);
  EXPECT_EQ(second.ExitCode(), 0u);
  EXPECT_FALSE(IsToolRunning(dirB_, kExe));

  EXPECT_FALSE(elsewhere.WaitForExit(0));
  EXPECT_TRUE(IsToolRunning(dirA_, kExe));
}

TEST_F(ProcessFinder, ShowToolWindowBringsAMinimisedToolBack) {
  auto tool = StartTool(dirB_, SW_SHOWMINNOACTIVE);
  const HWND window = FindTopWindowOfProcess(tool.id());
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return ::IsIconic(window) != FALSE; }, 5000));

  ShowToolWindow(dirB_, kExe);
  EXPECT_TRUE(WaitUntil([&] { return !::IsIconic(window) && ::IsWindowVisible(window); }, 5000));
}

TEST_F(ProcessFinder, FindTopWindowOfProcessGivesTheToolsWindowOnly) {
  auto tool = StartTool(dirB_);
  const HWND window = FindTopWindowOfProcess(tool.id());
  ASSERT_NE(window, nullptr);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  EXPECT_EQ(owner, tool.id());
  wchar_t className[64] = {};
  ::GetClassNameW(window, className, 64);
  EXPECT_NE(std::wstring(className).find(L"WTWindow"), std::wstring::npos);

  // This test program has no tool window.
  EXPECT_EQ(FindTopWindowOfProcess(::GetCurrentProcessId()), nullptr);
}

TEST_F(ProcessFinder, ActivateWindowAcrossThreadsMakesTheWindowActiveInItsThread) {
  auto tool = StartTool(dirB_);
  const HWND window = FindTopWindowOfProcess(tool.id());
  ASSERT_NE(window, nullptr);
  ActivateWindowAcrossThreads(window);

  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  ASSERT_TRUE(::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info));
  EXPECT_EQ(info.hwndActive, window);
}

TEST(EnumChildWindowsByText, FiltersByClassAndTitleIgnoringCase) {
  auto toolA = StartChild(HostToWindowsPath(SHOPTOOL_A_EXE), "quorlen", SW_SHOWNOACTIVATE);
  auto toolB = StartChild(HostToWindowsPath(SHOPTOOL_B_EXE), "quorlen", SW_SHOWNOACTIVATE);
  HWND windowA = nullptr;
  HWND windowB = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (windowA = FindTopWindowOfProcess(toolA.id())) != nullptr; }, 5000));
  ASSERT_TRUE(WaitUntil([&] { return (windowB = FindTopWindowOfProcess(toolB.id())) != nullptr; }, 5000));

  std::vector<HWND> found{reinterpret_cast<HWND>(1)};  // emptied by every call
  EnumChildWindowsByText(std::nullopt, "wtwindow", "", found, true);
  EXPECT_NE(std::find(found.begin(), found.end(), windowA), found.end());
  EXPECT_NE(std::find(found.begin(), found.end(), windowB), found.end());

  const HWND byTitle = EnumChildWindowsByText(::GetDesktopWindow(), "WTWINDOW", "商品采集", found, true);
  EXPECT_EQ(byTitle, found.empty() ? nullptr : found.front());
  EXPECT_NE(std::find(found.begin(), found.end(), windowB), found.end());
  EXPECT_EQ(std::find(found.begin(), found.end(), windowA), found.end());

  // Without collecting, the first match is returned and the list stays empty.
  const HWND first = EnumChildWindowsByText(std::nullopt, "WTWindow", "店铺助手", found, false);
  EXPECT_EQ(first, windowA);
  EXPECT_TRUE(found.empty());

  EXPECT_EQ(EnumChildWindowsByText(std::nullopt, "NoSuchClassAnywhere", "", found, true), nullptr);
  EXPECT_TRUE(found.empty());
}

TEST(NormalizeModulePath, DropsTheObjectManagerPrefix) {
  EXPECT_EQ(NormalizeModulePath("\\??\\C:\\x\\t.exe", "C:\\Windows"), "C:\\x\\t.exe");
  // So such a path compares equal to the tool path of folder C:/x.
  EXPECT_EQ(NormalizeModulePath("\\??\\C:\\x\\t.exe", "C:\\Windows"), MakeToolPath("C:/x", "t.exe"));
}

TEST(NormalizeModulePath, RootsSystemRootPathsAtTheWindowsDirectory) {
  EXPECT_EQ(NormalizeModulePath("\\SystemRoot\\System32\\smss.exe", "D:\\Windows"), "D:\\Windows\\System32\\smss.exe");
}

TEST(NormalizeModulePath, LeavesOrdinaryPathsAlone) {
  EXPECT_EQ(NormalizeModulePath("C:\\x\\t.exe", "C:\\Windows"), "C:\\x\\t.exe");
  EXPECT_EQ(NormalizeModulePath("\\\\?\\C:\\x\\t.exe", "C:\\Windows"), "\\\\?\\C:\\x\\t.exe");
  EXPECT_EQ(NormalizeModulePath("C:\\a\\??\\b.exe", "C:\\Windows"), "C:\\a\\??\\b.exe");
}

TEST(MapDevicePathToDrive, ReplacesTheDeviceByItsDrive) {
  const std::map<std::string, std::string> devices = {
      {"C:", "\\Device\\HarddiskVolume1"}, {"D:", "\\Device\\HarddiskVolume10"}, {"E:", ""}};
  auto deviceOf = [&](std::string_view drive) {
    auto it = devices.find(std::string(drive));
    return it == devices.end() ? std::string() : it->second;
  };
  EXPECT_EQ(MapDevicePathToDrive("\\Device\\HarddiskVolume1\\x\\t.exe", deviceOf), "C:\\x\\t.exe");
  // Volume 1's name is a prefix of volume 10's, but not of its paths.
  EXPECT_EQ(MapDevicePathToDrive("\\Device\\HarddiskVolume10\\x\\t.exe", deviceOf), "D:\\x\\t.exe");
  EXPECT_EQ(MapDevicePathToDrive("\\Device\\CdRom0\\t.exe", deviceOf), "");
}

TEST(MapDevicePathToDrive, AgreesWithTheSystemForThisProgram) {
  wchar_t image[MAX_PATH] = {};
  ASSERT_GT(::GetProcessImageFileNameW(::GetCurrentProcess(), image, MAX_PATH), 0u);
  auto deviceOf = [](std::string_view drive) {
    wchar_t device[MAX_PATH] = {};
    if (::QueryDosDeviceW(GbkToWide(drive).c_str(), device, MAX_PATH) == 0) return std::string();
    return WideToGbk(device);
  };
  wchar_t own[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, own, MAX_PATH);
  EXPECT_EQ(CompareTextCase(MapDevicePathToDrive(WideToGbk(image), deviceOf), WideToGbk(own), false), 0)
      << WideToGbk(image);
}

}  // namespace
}  // namespace storvane
