// up.exe as the user meets it, driven from outside as another process would: started with the
// launcher's quoted command line, read through its controls and their accessible objects,
// clicked with BM_CLICK, its message boxes answered, its window saved as a picture.
#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "net/download_digest.h"
#include "support/test_server.h"
#include "updater/updater_test_support.h"
#include "updater/updater_window.h"
#include "updater/window_capture.h"
#include "util/com.h"
#include "util/crypto.h"
#include "util/handles.h"
#include "util/win_text.h"

namespace storvane::updater {
namespace {

using namespace storvane::updater::testing;
using testsupport::TestServer;

std::wstring Text(HWND window) {
  wchar_t buffer[512] = {};
  GetWindowTextW(window, buffer, 512);
  return buffer;
}

struct ProcessWindowSearch {
  DWORD processId;
  const wchar_t* className;
  const wchar_t* title;
  HWND found = nullptr;
};

BOOL CALLBACK MatchProcessWindow(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<ProcessWindowSearch*>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  wchar_t className[64] = {};
  GetClassNameW(window, className, 64);
  if (owner == search->processId && IsWindowVisible(window) && wcscmp(className, search->className) == 0 &&
      (search->title == nullptr || Text(window) == search->title)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND FindProcessWindow(DWORD processId, const wchar_t* className, const wchar_t* title = nullptr) {
  ProcessWindowSearch search{processId, className, title};
  EnumWindows(MatchProcessWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The text of a message box: its one static control with text.
std::wstring MessageBoxText(HWND box) {
  std::wstring text;
  for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t className[32] = {};
    GetClassNameW(child, className, 32);
    if (_wcsicmp(className, L"Static") == 0 && !Text(child).empty()) text = Text(child);
  }
  return text;
}

ComPtr<IAccessible> AccessibleOf(HWND control) {
  ComPtr<IAccessible> accessible;
  AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible), accessible.put_void());
  return accessible;
}

VARIANT Self() {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = CHILDID_SELF;
  return v;
}

std::wstring Take(BSTR text) {
  UniqueBstr owned(text);
  return text != nullptr ? std::wstring(text, SysStringLen(text)) : std::wstring();
}

long RoleOf(IAccessible* accessible) {
  VARIANT role;
  VariantInit(&role);
  if (FAILED(accessible->get_accRole(Self(), &role)) || role.vt != VT_I4) return -1;
  return role.lVal;
}

class UpdaterWindowTest : public ::testing::Test {
protected:
  void SetUp() override {
    auto loaded = TestServer::Load();
    ASSERT_TRUE(loaded) << "STORVANE_TEST_SERVER not set or unreadable";
    server_ = *loaded;
    ASSERT_TRUE(server_.Reset());
    const std::wstring upExe = HostPathToWindows(std::getenv("STORVANE_UP_EXE"));
    ASSERT_TRUE(FileExists(upExe)) << "STORVANE_UP_EXE";
    ASSERT_TRUE(CopyFileW(upExe.c_str(), (folder_ / L"up.exe").c_str(), FALSE));
    oldLauncher_ = StubBytes(1000);
    ASSERT_TRUE(WriteFileBytes(launcher(), oldLauncher_));
    artifacts_ = HostPathToWindows(std::getenv("STORVANE_ARTIFACTS_DIR"));
    if (!artifacts_.empty()) CreateDirectoryW(artifacts_.c_str(), nullptr);
  }

  void TearDown() override {
    if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) TerminateProcess(process_.get(), 99);
  }

  std::wstring launcher() const { return folder_ / L"Storvane.exe"; }

  // Starts up.exe the way the launcher does: every argument in quotes, the digest's when there is one.
  HWND StartUpdater(const std::wstring& url, const std::optional<ExpectedDigest>& digest = std::nullopt) {
    std::wstring commandLine = L"\"" + (folder_ / L"up.exe") + L"\" \"" + url + L"\" \"Storvane.exe\" \"2.2\" \"2.1\"";
    if (digest) commandLine += L" \"" + GbkToWide(DigestArgument(*digest)) + L"\"";
    process_.reset(Launch(commandLine));
    if (!process_) return nullptr;
    HWND window = nullptr;
    WaitUntil(
        [&] { return (window = FindProcessWindow(GetProcessId(process_.get()), kUpdaterWindowClass)) != nullptr; },
        15000);
    return window;
  }

  HANDLE Launch(std::wstring commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW((folder_ / L"up.exe").c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder_.path().c_str(), &startup, &info)) {
      return nullptr;
    }
    CloseHandle(info.hThread);
    return info.hProcess;
  }

  // A launcher up.exe starts keeps running for a while (or its trial would fail).
  void KeepNewLaunchersRunning() { ASSERT_TRUE(WriteFileBytes(folder_ / L"launcher_hold.txt", {'8', '0', '0', '0'})); }

  // The old launcher has started once again, and only once.
  bool OldLauncherRunsAgain() {
    const std::vector<std::string> once{"start " + std::to_string(oldLauncher_.size())};
    WaitUntil([&] { return !MarkerLines(folder_.path()).empty(); }, 10000);
    Sleep(300);
    return MarkerLines(folder_.path()) == once;
  }

  DWORD ExitCodeWithin(DWORD timeoutMs) {
    if (WaitForSingleObject(process_.get(), timeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = 0;
    GetExitCodeProcess(process_.get(), &code);
    return code;
  }

  HWND WaitForMessageBox() {
    HWND box = nullptr;
    WaitUntil([&] { return (box = FindProcessWindow(GetProcessId(process_.get()), L"#32770", L"信息：")) != nullptr; },
              20000);
    return box;
  }

  static void Answer(HWND box) {
    HWND ok = GetDlgItem(box, IDOK);
    if (ok == nullptr) ok = FindWindowExW(box, nullptr, L"Button", nullptr);
    PostMessageW(ok, BM_CLICK, 0, 0);
  }

  void Capture(HWND window, const wchar_t* name) {
    if (artifacts_.empty()) return;
    Sleep(400);  // let the last paint reach the screen
    EXPECT_TRUE(SaveWindowPng(window, artifacts_ + L"\\" + name)) << "screenshot " << WideToGbk(name);
  }

  ComInit com_;
  TestServer server_;
  ScratchFolder folder_{L"svuw"};
  std::vector<uint8_t> oldLauncher_;
  std::wstring artifacts_;
  UniqueHandle process_;
};

TEST_F(UpdaterWindowTest, ShowsBothVersionsAndItsControlsToReadersAndTools) {
  const std::wstring url = GbkToWide(server_.HttpUrl("/dl/new launcher.exe"));
  HWND window = StartUpdater(url);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(Text(window), L"Storvane");
  EXPECT_EQ(Text(GetDlgItem(window, kHeadingId)), L"发现新版本：V2.2");
  EXPECT_EQ(Text(GetDlgItem(window, kCurrentVersionId)), L"当前版本：V2.1");
  EXPECT_EQ(Text(GetDlgItem(window, kNoticeId)), L"升级过程中请勿操作软件，等待新版本自动运行");
  HWND start = GetDlgItem(window, kStartButtonId);
  HWND link = GetDlgItem(window, kLinkId);
  HWND progress = GetDlgItem(window, kProgressId);
  EXPECT_EQ(Text(start), L"开始更新");
  EXPECT_EQ(Text(link), L"如果更新失败，点我手动下载新版本");
  EXPECT_TRUE(IsWindowEnabled(start));
  EXPECT_EQ(SendMessageW(progress, PBM_GETPOS, 0, 0), 0);
  EXPECT_EQ(SendMessageW(progress, PBM_GETRANGE, FALSE, 0), 10000);

  auto linkObject = AccessibleOf(link);
  ASSERT_TRUE(linkObject);
  BSTR text = nullptr;
  ASSERT_EQ(linkObject->get_accName(Self(), &text), S_OK);
  EXPECT_EQ(Take(text), L"如果更新失败，点我手动下载新版本");
  // The address arrived as one argument, its space included.
  ASSERT_EQ(linkObject->get_accValue(Self(), &text), S_OK);
  EXPECT_EQ(Take(text), url);
  EXPECT_EQ(RoleOf(linkObject.get()), ROLE_SYSTEM_LINK);

  auto startObject = AccessibleOf(start);
  ASSERT_TRUE(startObject);
  ASSERT_EQ(startObject->get_accName(Self(), &text), S_OK);
  EXPECT_EQ(Take(text), L"开始更新");
  EXPECT_EQ(RoleOf(startObject.get()), ROLE_SYSTEM_PUSHBUTTON);
  ASSERT_EQ(startObject->get_accDefaultAction(Self(), &text), S_OK);
  EXPECT_FALSE(Take(text).empty());

  auto progressObject = AccessibleOf(progress);
  ASSERT_TRUE(progressObject);
  EXPECT_EQ(RoleOf(progressObject.get()), ROLE_SYSTEM_PROGRESSBAR);
  ASSERT_EQ(progressObject->get_accValue(Self(), &text), S_OK);
  EXPECT_EQ(Take(text), L"0%");

  Capture(window, L"updater_window.png");

  // Closing without updating (through the close button's accessible default action, as a
  // screen reader would press it) leaves the launcher as it was and brings it back.
  auto closeObject = AccessibleOf(GetDlgItem(window, kCloseButtonId));
  ASSERT_TRUE(closeObject);
  EXPECT_EQ(closeObject->accDoDefaultAction(Self()), S_OK);
  EXPECT_EQ(ExitCodeWithin(10000), 1u);
  EXPECT_EQ(ReadFileBytes(launcher()), oldLauncher_);
  EXPECT_TRUE(server_.Requests().empty());
  EXPECT_TRUE(OldLauncherRunsAgain());
  EXPECT_TRUE(FileExists(folder_ / L"up.fail"));
}

TEST_F(UpdaterWindowTest, StartUpdatingReplacesTheEndedLauncherAndStartsTheNewOne) {
  const std::vector<uint8_t> newLauncher = StubBytes();
  ASSERT_TRUE(server_.Script("/dl/new%20launcher.exe", ServeBytesScript(newLauncher)));
  // The old launcher is still on its way out when the updater comes up.
  UniqueHandle old(StartHeld(launcher(), 2500));
  ASSERT_TRUE(old);
  HWND window = StartUpdater(GbkToWide(server_.HttpUrl("/dl/new launcher.exe")));
  ASSERT_NE(window, nullptr);
  KeepNewLaunchersRunning();

  PostMessageW(GetDlgItem(window, kStartButtonId), BM_CLICK, 0, 0);
  EXPECT_EQ(ExitCodeWithin(40000), 0u);
  ASSERT_TRUE(WaitUntil([&] { return MarkerLines(folder_.path()).size() >= 3; }, 15000));
  const std::string oldSize = std::to_string(oldLauncher_.size()), newSize = std::to_string(newLauncher.size());
  const std::vector<std::string> markers = MarkerLines(folder_.path());
  EXPECT_EQ(std::vector<std::string>(markers.begin(), markers.begin() + 3),
            (std::vector<std::string>{"start " + oldSize, "end " + oldSize, "start " + newSize}));
  EXPECT_EQ(ReadFileBytes(launcher()), newLauncher);
  EXPECT_FALSE(FileExists(launcher() + L".new"));
}

TEST_F(UpdaterWindowTest, FailedDownloadIsReportedAndTheOldLauncherStays) {
  HWND window = StartUpdater(GbkToWide(server_.HttpUrl("/status/404")));
  ASSERT_NE(window, nullptr);
  HWND start = GetDlgItem(window, kStartButtonId);
  PostMessageW(start, BM_CLICK, 0, 0);

  HWND box = WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(MessageBoxText(box), L"不能打开该URL!");
  Sleep(300);
  EXPECT_TRUE(MarkerLines(folder_.path()).empty()) << "the launcher comes back only after the message";
  Answer(box);
  EXPECT_EQ(ExitCodeWithin(10000), 1u);
  EXPECT_EQ(ReadFileBytes(launcher()), oldLauncher_);
  EXPECT_FALSE(FileExists(launcher() + L".new"));
  EXPECT_TRUE(OldLauncherRunsAgain());
}

TEST_F(UpdaterWindowTest, WithADigestOnlyTheNamedLauncherTakesTheOldOnesPlace) {
  const std::vector<uint8_t> newLauncher = StubBytes();
  ASSERT_TRUE(server_.Script("/dl/new.exe", ServeBytesScript(newLauncher)));
  const std::wstring url = GbkToWide(server_.HttpUrl("/dl/new.exe"));
  const std::string size = std::to_string(newLauncher.size());

  HWND window = StartUpdater(url, ExpectedDigest{ToHex(Sha256Of(oldLauncher_).value()), size});
  ASSERT_NE(window, nullptr);
  PostMessageW(GetDlgItem(window, kStartButtonId), BM_CLICK, 0, 0);
  HWND box = WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(MessageBoxText(box), L"下载的文件未通过校验，已保留原来的版本。");
  Answer(box);
  EXPECT_EQ(ExitCodeWithin(10000), 1u);
  EXPECT_EQ(ReadFileBytes(launcher()), oldLauncher_);
  EXPECT_FALSE(FileExists(launcher() + L".new"));
  EXPECT_TRUE(OldLauncherRunsAgain());

  KeepNewLaunchersRunning();
  window = StartUpdater(url, ExpectedDigest{ToHex(Sha256Of(newLauncher).value()), size});
  ASSERT_NE(window, nullptr);
  PostMessageW(GetDlgItem(window, kStartButtonId), BM_CLICK, 0, 0);
  EXPECT_EQ(ExitCodeWithin(40000), 0u);
  EXPECT_EQ(ReadFileBytes(launcher()), newLauncher);
  EXPECT_EQ(MarkerLines(folder_.path()).at(1), "start " + size);
}

TEST_F(UpdaterWindowTest, ProgressFollowsTheBodyAsItArrives) {
  // Half the body, a pause, then the rest. A read waits for a full 10240-byte chunk, so during
  // the pause the bar shows the first chunk of the 24000 bytes: 10240 × 10000 / 24000.
  const std::string body(24000, 'a');
  HWND window = StartUpdater(GbkToWide(server_.HttpUrl("/slow?delay=4&stage=body&body=" + body)));
  ASSERT_NE(window, nullptr);
  HWND progress = GetDlgItem(window, kProgressId);
  PostMessageW(GetDlgItem(window, kStartButtonId), BM_CLICK, 0, 0);

  ASSERT_TRUE(WaitUntil([&] { return SendMessageW(progress, PBM_GETPOS, 0, 0) > 0; }, 10000));
  EXPECT_EQ(SendMessageW(progress, PBM_GETPOS, 0, 0), 4266);
  EXPECT_EQ(Text(GetDlgItem(window, kPercentId)), L"42%");
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, kStartButtonId)));
  Capture(window, L"updater_progress.png");

  // What finally arrives is text, not a program: refused, and the old launcher stays.
  HWND box = WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(MessageBoxText(box), L"下载的文件不是完整的程序，已保留原来的版本。");
  Answer(box);
  EXPECT_EQ(ExitCodeWithin(10000), 1u);
  EXPECT_EQ(ReadFileBytes(launcher()), oldLauncher_);
}

// A command line up.exe cannot act on is reported, and the launcher comes back when it can be
// named; a name with a path is not started.
TEST_F(UpdaterWindowTest, AMalformedCommandLineIsReportedAndTheLauncherComesBack) {
  const std::wstring up = L"\"" + (folder_ / L"up.exe") + L"\" \"http://127.0.0.1/x.exe\" ";
  for (const std::wstring& rest :
       {std::wstring(L"\"Storvane.exe\" \"2.2\""), std::wstring(L"\"..\\Storvane.exe\" \"2.2\" \"2.1\"")}) {
    process_.reset(Launch(up + rest));
    ASSERT_TRUE(process_);
    HWND box = WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), L"不能打开该URL!");
    EXPECT_EQ(FindProcessWindow(GetProcessId(process_.get()), kUpdaterWindowClass), nullptr);
    Answer(box);
    EXPECT_EQ(ExitCodeWithin(10000), 2u);
  }
  EXPECT_TRUE(OldLauncherRunsAgain());  // once: for the first line alone
}

}  // namespace
}  // namespace storvane::updater
