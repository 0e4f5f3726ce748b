// The real launcher at the scales users run: started under each display DPI, its list is read
// through accessibility and checked for what scaling used to break (a window that stayed small
// while its contents grew, texts cut or crowding the buttons, rows short of the list's edge, the
// title under the title bar), and a screenshot is kept per DPI.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>

#include "app/demo_service_test.h"
#include "app/launcher_driver.h"
#include "support/demo_service.h"

namespace storvane::testing {
namespace {

// The display DPI new processes of the prefix start with; the previous value (or its absence)
// comes back when the scope ends.
class LogPixelsScope {
public:
  explicit LogPixelsScope(DWORD dpi) {
    DWORD size = sizeof old_;
    had_ = ::RegGetValueW(HKEY_CURRENT_USER, kKey, kValue, RRF_RT_REG_DWORD, nullptr, &old_, &size) == ERROR_SUCCESS;
    set_ = ::RegSetKeyValueW(HKEY_CURRENT_USER, kKey, kValue, REG_DWORD, &dpi, sizeof dpi) == ERROR_SUCCESS;
  }
  ~LogPixelsScope() {
    if (had_)
      ::RegSetKeyValueW(HKEY_CURRENT_USER, kKey, kValue, REG_DWORD, &old_, sizeof old_);
    else
      ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, kValue);
  }
  bool set() const { return set_; }

private:
  static constexpr wchar_t kKey[] = L"Control Panel\\Desktop";
  static constexpr wchar_t kValue[] = L"LogPixels";
  DWORD old_ = 0;
  bool had_ = false, set_ = false;
};

bool Inside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

std::string Show(const RECT& r) {
  char text[64];
  std::snprintf(text, sizeof text, "(%ld,%ld)-(%ld,%ld)", r.left, r.top, r.right, r.bottom);
  return text;
}

BOOL CALLBACK CollectChild(HWND window, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
  return TRUE;
}

// The first accessible control inside `top` with the role whose name starts with `prefix`.
AccElement ControlWithRole(HWND top, long role, const std::wstring& prefix = {}) {
  std::vector<HWND> windows;
  ::EnumChildWindows(top, CollectChild, reinterpret_cast<LPARAM>(&windows));
  for (HWND w : windows) {
    AccElement e = ::IsWindowVisible(w) ? AccessibleOf(w) : AccElement{};
    if (e && e.Role() == role && e.Name().rfind(prefix, 0) == 0) return e;
  }
  return {};
}

struct Scale {
  int dpi;
  // Whether every text must show whole. At 192 DPI the 1280 × 800 test screen holds a window of
  // only 640 × 400 design units, whose description column (W − 430) is too narrow for the demo
  // descriptions: they are cut there, as the template cuts any description too long for it.
  bool textsWhole;
};

class LauncherAtScale : public DemoServiceTestOn<::testing::TestWithParam<Scale>> {};

TEST_P(LauncherAtScale, TheWindowAndEveryRowScaleTogether) {
  const int dpi = GetParam().dpi;
  LogPixelsScope scope(static_cast<DWORD>(dpi));
  ASSERT_TRUE(scope.set());
  LauncherDriver launcher;
  ASSERT_TRUE(launcher.Start(launcherPath_)) << "no launcher window";
  ASSERT_TRUE(launcher.WaitForItems(3)) << "list shows " << launcher.Items().size() << " items";
  std::this_thread::sleep_for(500ms);  // the icons' first paint

  // The window is its design size at this scale, or as much of it as the work area holds.
  const HWND top = launcher.window();
  RECT window{}, client{};
  ::GetWindowRect(top, &window);
  ::GetClientRect(top, &client);
  ::MapWindowPoints(top, nullptr, reinterpret_cast<POINT*>(&client), 2);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  ASSERT_TRUE(::GetMonitorInfoW(::MonitorFromWindow(top, MONITOR_DEFAULTTONEAREST), &monitor));
  const RECT work = monitor.rcWork;
  EXPECT_TRUE(Inside(window, work)) << Show(window);
  EXPECT_EQ(client.right - client.left, std::min(::MulDiv(900, dpi, 96), static_cast<int>(work.right - work.left)));
  EXPECT_EQ(client.bottom - client.top, std::min(::MulDiv(600, dpi, 96), static_cast<int>(work.bottom - work.top)));
  EXPECT_TRUE(SaveScreenPng(ArtifactPath(L"dpi-" + std::to_wstring(dpi) + L".png"), &window));

  // The title line starts below the title bar.
  const AccElement close = FindAccessibleInWindows(top, L"关闭");
  const AccElement title = ControlWithRole(top, ROLE_SYSTEM_STATICTEXT, L"Storvane 软件管家");
  ASSERT_TRUE(close && title);
  EXPECT_GE(title.Location().top, close.Location().bottom);

  const AccElement list = ControlWithRole(top, ROLE_SYSTEM_LIST);
  ASSERT_TRUE(list);
  const RECT listPlace = list.Location();
  EXPECT_TRUE(Inside(listPlace, client)) << Show(listPlace);
  // One design unit of the template, in pixels: the action button (W − 119, 80 wide) reaches
  // that far over the "▼" button (W − 40), which is flat and draws only its glyph there.
  const int unit = (dpi + 95) / 96;
  std::vector<AccElement> rows = launcher.Items();
  ASSERT_EQ(rows.size(), 3u);
  for (size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(::testing::Message() << "row " << i);
    const RECT row = rows[i].Location();
    // Rows span the list but for the scroll bar's reserve (24 design units) and follow each other.
    EXPECT_LE(row.right, listPlace.right);
    EXPECT_GE(row.right, listPlace.right - ::MulDiv(24, dpi, 96) - 1);
    EXPECT_GE(row.left, listPlace.left);
    if (i > 0) {
      EXPECT_LE(rows[i - 1].Location().bottom, row.top);
    }
    if (row.bottom > listPlace.bottom) continue;  // scrolled partly out of view
    std::vector<AccElement> parts = rows[i].Children();
    ASSERT_EQ(parts.size(), 5u) << "two buttons, then title, description and update time";
    for (size_t a = 0; a < parts.size(); ++a) {
      const RECT place = parts[a].Location();
      SCOPED_TRACE(::testing::Message() << "part " << a << " " << Show(place) << " in row " << Show(row));
      EXPECT_TRUE(Inside(place, RECT{row.left, place.top, row.right, place.bottom}));
      if (GetParam().textsWhole || parts[a].Role() != ROLE_SYSTEM_STATICTEXT) {
        EXPECT_TRUE(Inside(place, row));
      }
      for (size_t b = 0; b < a; ++b) {
        RECT other = parts[b].Location(), both{};
        if (a == 1 && b == 0) ::InflateRect(&other, -unit, 0);
        EXPECT_FALSE(::IntersectRect(&both, &place, &other)) << "overlaps part " << b << " " << Show(other);
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Dpi, LauncherAtScale,
                         ::testing::Values(Scale{96, true}, Scale{120, true}, Scale{144, true}, Scale{192, false}),
                         [](const ::testing::TestParamInfo<Scale>& info) { return std::to_string(info.param.dpi); });

}  // namespace
}  // namespace storvane::testing
