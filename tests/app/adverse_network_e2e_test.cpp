// The launcher as a user on a bad connection meets it: a version service that accepts and never
// answers, answers its headers and stalls, drips, or sends a body that never ends. The window
// comes within its bound, keeps answering while the catalogue is fetched, the list (the kept one
// when the service fails) is shown, memory stays bounded and nothing is left in the install folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>

#include "app/demo_service_test.h"
#include "app/launcher_driver.h"
#include "support/demo_service.h"
#include "support/process_memory.h"

namespace storvane::testing {
namespace {

constexpr auto kWindowBound = 6s;
constexpr auto kListBound = 22s;
constexpr size_t kPrivateBound = 50u << 20;

std::wstring Offline() { return InstallDirectory() + L"\\offline"; }

// Names in `folder` (files and folders).
std::vector<std::wstring> NamesIn(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data{};
  UniqueFindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &data));
  if (!find) return names;
  do {
    const std::wstring name = data.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (FindNextFileW(find.get(), &data));
  std::sort(names.begin(), names.end());
  return names;
}

// What one start showed.
struct StartRun {
  std::chrono::milliseconds window{};             // process start to main window
  std::optional<std::chrono::milliseconds> list;  // process start to the list shown with its items
  std::chrono::milliseconds slowestAnswer{};      // the longest a window message waited for an answer
  bool everUnanswered = false;                    // a message not answered within 1 s
  size_t mostPrivate = 0;
};

class AdverseService : public DemoServiceTest {
protected:
  // Keeps the catalogue as an earlier run would have: the service's answer as it came.
  void KeepCatalogue() {
    const std::string answer = service_.Fetch("/api/group/zor");
    ASSERT_FALSE(answer.empty());
    ASSERT_TRUE(MakeDirectories(Offline()));
    ASSERT_TRUE(WriteFileBytes(Offline() + L"\\zor", answer));
  }

  void Misbehave(const std::string& rules) { ASSERT_TRUE(service_.Control(R"({"misbehave": )" + rules + "}")); }

  bool ListShown(size_t items) const {
    const AccElement list = launcher_.List();
    return list && (list.State() & STATE_SYSTEM_INVISIBLE) == 0 && launcher_.Items().size() == items;
  }

  // Starts the launcher and watches it until its list shows `items` items (or the list bound has
  // passed), sending a window message every 100 ms and reading its private bytes.
  StartRun StartAndWatch(size_t items) {
    StartRun run;
    const auto start = std::chrono::steady_clock::now();
    auto since = [&] {
      return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    };
    EXPECT_TRUE(launcher_.Start(launcherPath_, 30s)) << "no window";
    run.window = since();
    if (!launcher_.window()) return run;
    WaitUntil(
        [&] {
          const auto asked = std::chrono::steady_clock::now();
          DWORD_PTR result = 0;
          if (!SendMessageTimeoutW(launcher_.window(), WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result)) {
            run.everUnanswered = true;
          }
          run.slowestAnswer =
              std::max(run.slowestAnswer,
                       std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - asked));
          run.mostPrivate = std::max(run.mostPrivate, PrivateBytes(launcher_.process().handle()));
          if (ListShown(items)) run.list = since();
          return run.list.has_value();
        },
        kListBound + 10s, 100ms);
    return run;
  }

  // The bounds every adverse start keeps.
  void ExpectBounded(const StartRun& run) {
    EXPECT_LE(run.window, kWindowBound);
    ASSERT_TRUE(run.list.has_value()) << "the list was not shown";
    EXPECT_LE(*run.list, kListBound);
    EXPECT_FALSE(run.everUnanswered) << "slowest answer " << run.slowestAnswer.count() << " ms";
    EXPECT_GT(run.mostPrivate, 0u) << "memory not read";
    EXPECT_LE(run.mostPrivate, kPrivateBound);
    EXPECT_TRUE(launcher_.process().Running());
    std::printf("window %lld ms, list %lld ms, slowest answer %lld ms, private %.1f MB\n",
                static_cast<long long>(run.window.count()), static_cast<long long>(run.list->count()),
                static_cast<long long>(run.slowestAnswer.count()), run.mostPrivate / 1048576.0);
  }

  LauncherDriver launcher_;
};

TEST_F(AdverseService, SilentServiceShowsTheWindowAndThenTheKeptList) {
  KeepCatalogue();
  const std::string kept = ReadFileBytes(Offline() + L"\\zor");
  Misbehave(R"({"/api/": "silent", "/icons/": "silent"})");
  ExpectBounded(StartAndWatch(3));
  EXPECT_EQ(NamesIn(InstallDirectory()), (std::vector<std::wstring>{L"offline", L"storvane.exe", L"up.exe"}));
  EXPECT_EQ(NamesIn(Offline()), std::vector<std::wstring>{L"zor"});
  EXPECT_EQ(ReadFileBytes(Offline() + L"\\zor"), kept);

  // The requests left behind at their deadlines do not hold the launcher at its end.
  PostMessageW(launcher_.window(), WM_CLOSE, 0, 0);
  HWND ask = WaitForDialog(L"提示：", 10s);
  ASSERT_NE(ask, nullptr);
  ClickDialogButton(ask, IDYES);
  EXPECT_EQ(launcher_.process().WaitForExit(10s), std::optional<DWORD>(0)) << "the launcher did not end";
}

TEST_F(AdverseService, DrippingCheckAndEndlessCatalogueShowTheKeptList) {
  KeepCatalogue();
  Misbehave(R"({"/api/single/": "drip", "/api/group/": "endless_unframed"})");
  ExpectBounded(StartAndWatch(3));
  EXPECT_EQ(NamesIn(Offline()), std::vector<std::wstring>{L"zor"});
}

TEST_F(AdverseService, StalledCheckAndEndlessCatalogueWithoutACopyShowAnEmptyList) {
  Misbehave(R"({"/api/single/": "stall", "/api/group/": "endless"})");
  ExpectBounded(StartAndWatch(0));
  EXPECT_EQ(NamesIn(InstallDirectory()), (std::vector<std::wstring>{L"storvane.exe", L"up.exe"}));
}

// Icons that never end cost each item its image and at most its deadline; a download that runs
// past the size the service named stops there, and the tool folder is left empty.
TEST_F(AdverseService, EndlessIconsAndAnEndlessDownloadStayBounded) {
  ASSERT_TRUE(service_.Control(R"({"digests": true})"));
  Misbehave(R"({"/icons/": "endless_unframed", "/download/shoptool_a.exe": "endless_unframed"})");
  ExpectBounded(StartAndWatch(3));
  ASSERT_TRUE(launcher_.PressAction(0));
  HWND box = WaitForDialog(L"信息：", 30s);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(DialogMessage(box), L"下载的文件未通过校验，已保留原来的版本。");
  ClickDialogButton(box, IDOK);
  EXPECT_TRUE(WaitUntil([&] { return launcher_.DownloadWindow() == nullptr; }, 10s));
  EXPECT_TRUE(NamesIn(InstallDirectory() + L"\\soft\\dianpu").empty());
  EXPECT_LE(PrivateBytes(launcher_.process().handle()), kPrivateBound);
  EXPECT_TRUE(launcher_.process().Running());
}

}  // namespace
}  // namespace storvane::testing
