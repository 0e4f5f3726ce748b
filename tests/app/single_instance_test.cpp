#include "app/single_instance.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/shell_probe_codes.h"
#include "app/test_processes.h"
#include "util/win_text.h"

namespace storvane {
namespace {

using test_support::ChildProcess;
using test_support::HostToWindowsPath;
using test_support::StartChild;
using test_support::WaitUntil;

const std::string kProbe = HostToWindowsPath(SHELL_PROBE_EXE);

// A name no other test or run uses, so leftovers of one test never decide another.
std::string UniqueName(const char* what) {
  static int counter = 0;
  return std::string("StorvaneTest.") + what + "." + std::to_string(::GetCurrentProcessId()) + "." +
         std::to_string(++counter) + "." + std::to_string(::GetTickCount64());
}

ChildProcess StartInstance(const std::string& name, const std::string& stopEvent, const std::string& options = {},
                           bool suspended = false) {
  return StartChild(kProbe, "instance " + name + " " + stopEvent + (options.empty() ? "" : " " + options),
                    SW_SHOWNORMAL, suspended);
}

// Claims `name` for this test process. Checked first: were the name held elsewhere, the guard
// would end the test program with code 0 and hide every later result.
void ClaimInThisProcess(std::string& name) {
  ASSERT_TRUE(name.empty() || !UniqueHandle(::OpenEventW(EVENT_ALL_ACCESS, FALSE, GbkToWide(name).c_str())));
  if (name.empty()) {
    ASSERT_FALSE(UniqueHandle(::OpenEventW(EVENT_ALL_ACCESS, FALSE, GbkToWide(DefaultInstanceName()).c_str())));
  }
  EnsureSingleInstance(name);
}

// Tells every surviving probe waiting on `stopEvent` to end.
void SignalStop(const std::string& stopEvent) {
  UniqueHandle stop(::CreateEventW(nullptr, TRUE, FALSE, GbkToWide(stopEvent).c_str()));
  ::SetEvent(stop.get());
}

TEST(Md5Hex, MatchesKnownDigests) {
  EXPECT_EQ(Md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(Md5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(Md5Hex("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
}

TEST(DefaultInstanceName, IsTheMd5OfTheGbkSeedInLowerCaseHex) {
  // The seed's GBK bytes hashed independently of the program.
  EXPECT_EQ(DefaultInstanceName(), "917b41c1b5ace220c8b4dcacd5857727");
}

TEST(EnsureSingleInstance, EmptyNameIsReplacedByTheDefaultName) {
  std::string name;
  ClaimInThisProcess(name);
  EXPECT_EQ(name, DefaultInstanceName());
}

TEST(EnsureSingleInstance, FirstCopyReturnsAndSecondCopyEndsWithCodeZero) {
  std::string name = UniqueName("second");
  ClaimInThisProcess(name);  // this test process is now the first copy

  const std::string stop = UniqueName("stop");
  auto second = StartInstance(name, stop);
  ASSERT_TRUE(second.valid());
  ASSERT_TRUE(second.WaitForExit(10000)) << "the second copy kept running";
  EXPECT_EQ(second.ExitCode(), 0u);
}

TEST(EnsureSingleInstance, NewCopySucceedsAfterTheFirstWasTerminated) {
  const std::string name = UniqueName("after");
  const std::string stop = UniqueName("stop");
  auto first = StartInstance(name, stop);
  ASSERT_TRUE(first.valid());
  ASSERT_FALSE(first.WaitForExit(1000)) << "the first copy should hold the name";

  auto blocked = StartInstance(name, stop);
  ASSERT_TRUE(blocked.WaitForExit(10000));
  EXPECT_EQ(blocked.ExitCode(), 0u);

  first.Kill();  // ended from outside, as KillProcess does
  auto next = StartInstance(name, stop);
  ASSERT_TRUE(next.valid());
  EXPECT_FALSE(next.WaitForExit(1000)) << "the name was still held after its holder ended";
  SignalStop(stop);
  ASSERT_TRUE(next.WaitForExit(10000));
  EXPECT_EQ(next.ExitCode(), static_cast<DWORD>(probe::kSurvivorExitCode));
}

TEST(EnsureSingleInstance, CopiesStartedTogetherLeaveExactlyOneSurvivor) {
  const std::string name = UniqueName("race");
  const std::string stop = UniqueName("stop");
  std::vector<ChildProcess> copies;
  for (int i = 0; i < 20; ++i) {
    copies.push_back(StartInstance(name, stop, {}, true));
    ASSERT_TRUE(copies.back().valid());
  }
  for (auto& copy : copies) copy.Resume();

  // Every copy but the survivor ends by itself with code 0.
  auto endedCount = [&] {
    int ended = 0;
    for (auto& copy : copies) ended += copy.WaitForExit(0) ? 1 : 0;
    return ended;
  };
  ASSERT_TRUE(WaitUntil([&] { return endedCount() >= 19; }, 30000)) << "only " << endedCount() << " ended";
  ::Sleep(500);
  ASSERT_EQ(endedCount(), 19);
  for (auto& copy : copies) {
    if (copy.WaitForExit(0)) {
      EXPECT_EQ(copy.ExitCode(), 0u);
    }
  }

  SignalStop(stop);
  for (auto& copy : copies) {
    ASSERT_TRUE(copy.WaitForExit(10000));
    if (copy.ExitCode() != 0) {
      EXPECT_EQ(copy.ExitCode(), static_cast<DWORD>(probe::kSurvivorExitCode));
    }
  }
}

// A first copy running with rights this one lacks (elevated, on Windows) holds a name this one
// may neither open nor create: an event whose access list grants nothing stands in for it.
TEST(ClaimInstanceName, ANameThisCopyIsDeniedIsHeldElsewhere) {
  const std::string name = UniqueName("denied");
  SECURITY_DESCRIPTOR grantsNothing{};
  ASSERT_TRUE(::InitializeSecurityDescriptor(&grantsNothing, SECURITY_DESCRIPTOR_REVISION));
  ACL empty{};
  ASSERT_TRUE(::InitializeAcl(&empty, sizeof(empty), ACL_REVISION));
  ASSERT_TRUE(::SetSecurityDescriptorDacl(&grantsNothing, TRUE, &empty, FALSE));
  SECURITY_ATTRIBUTES attributes{sizeof(attributes), &grantsNothing, FALSE};
  UniqueHandle held(::CreateEventW(&attributes, FALSE, FALSE, GbkToWide(name).c_str()));
  ASSERT_TRUE(held);
  UniqueHandle opened(::OpenEventW(EVENT_ALL_ACCESS, FALSE, GbkToWide(name).c_str()));
  const DWORD openError = ::GetLastError();
  ASSERT_FALSE(opened);
  ASSERT_EQ(openError, static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(ClaimInstanceName(name), InstanceClaim::HeldElsewhere);
}

TEST(ClaimInstanceName, CopiesThatAllPassTheCheckBeforeAnyClaimLeaveOneSurvivor) {
  // Every copy is held between its check and its claim until all have checked, so each finds
  // the name free and only the claim itself can tell them apart.
  constexpr int kCopies = 20;
  const std::string name = UniqueName("gated");
  const std::string stop = UniqueName("stop");
  const std::string arrivedName = UniqueName("arrived");
  const std::string goName = UniqueName("go");
  UniqueHandle arrived(::CreateSemaphoreW(nullptr, 0, kCopies, GbkToWide(arrivedName).c_str()));
  UniqueHandle go(::CreateEventW(nullptr, TRUE, FALSE, GbkToWide(goName).c_str()));
  ASSERT_TRUE(arrived && go);

  std::vector<ChildProcess> copies;
  for (int i = 0; i < kCopies; ++i) {
    copies.push_back(StartChild(kProbe, "race " + name + " " + stop + " " + arrivedName + " " + goName));
    ASSERT_TRUE(copies.back().valid());
  }
  for (int i = 0; i < kCopies; ++i) {
    ASSERT_EQ(::WaitForSingleObject(arrived.get(), 30000), WAIT_OBJECT_0) << i << " copies passed the check";
  }
  ::SetEvent(go.get());

  int ended = 0;
  ASSERT_TRUE(WaitUntil(
      [&] {
        ended = 0;
        for (auto& copy : copies) ended += copy.WaitForExit(0) ? 1 : 0;
        return ended >= kCopies - 1;
      },
      30000))
      << ended << " copies ended";
  ::Sleep(500);
  int survivors = 0;
  for (auto& copy : copies) {
    if (!copy.WaitForExit(0)) {
      ++survivors;
    } else {
      EXPECT_EQ(copy.ExitCode(), 0u);
    }
  }
  EXPECT_EQ(survivors, 1);
  SignalStop(stop);
  for (auto& copy : copies) EXPECT_TRUE(copy.WaitForExit(10000));
}

// The message box of a second copy, found from this process: its caption is "友情提醒:".
HWND FindReminderBox(DWORD processId) {
  const std::wstring caption = GbkToWide("友情提醒:");
  for (HWND box = ::FindWindowW(L"#32770", caption.c_str()); box != nullptr;
       box = ::FindWindowExW(nullptr, box, L"#32770", caption.c_str())) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(box, &owner);
    if (owner == processId && ::IsWindowVisible(box)) return box;
  }
  return nullptr;
}

std::string MessageBoxText(HWND box) {
  wchar_t text[256] = {};
  ::GetDlgItemTextW(box, 0xFFFF, text, 256);  // the box's static text control
  return WideToGbk(text);
}

TEST(EnsureSingleInstance, SecondCopyCanShowTheDefaultMessageFirst) {
  std::string name = UniqueName("message");
  ClaimInThisProcess(name);

  auto second = StartInstance(name, UniqueName("stop"), "message");
  ASSERT_TRUE(second.valid());
  HWND box = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (box = FindReminderBox(second.id())) != nullptr; }, 10000));
  EXPECT_EQ(MessageBoxText(box), "对不起,该进程已打开!");
  EXPECT_FALSE(second.WaitForExit(200)) << "the copy must wait for the box to be answered";

  ::SendMessageW(::GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
  ASSERT_TRUE(second.WaitForExit(10000));
  EXPECT_EQ(second.ExitCode(), 0u);
}

// The probe's own window in the first copy.
HWND FindProbeWindow(DWORD processId) {
  for (HWND window = ::FindWindowW(L"StorvaneShellProbe", nullptr); window != nullptr;
       window = ::FindWindowExW(nullptr, window, L"StorvaneShellProbe", nullptr)) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == processId) return window;
  }
  return nullptr;
}

TEST(EnsureSingleInstance, SecondCopyCanBringTheFirstCopysWindowForward) {
  const std::string name = UniqueName("activate");
  const std::string stop = UniqueName("stop");
  auto first = StartInstance(name, stop, "window");
  ASSERT_TRUE(first.valid());
  HWND window = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (window = FindProbeWindow(first.id())) != nullptr; }, 10000));
  ASSERT_TRUE(WaitUntil([&] { return ::IsIconic(window) != FALSE; }, 5000));

  auto second = StartInstance(name, stop, "activate");
  ASSERT_TRUE(second.WaitForExit(10000));
  EXPECT_EQ(second.ExitCode(), 0u);

  EXPECT_TRUE(WaitUntil([&] { return !::IsIconic(window); }, 5000)) << "the first copy's window stayed minimised";
  EXPECT_TRUE(::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
  SignalStop(stop);
  EXPECT_TRUE(first.WaitForExit(10000));
}

}  // namespace
}  // namespace storvane
