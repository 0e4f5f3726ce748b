#include "menu.h"

#include <gtest/gtest.h>

namespace storvane::exui {
namespace {

// The launcher's item menu: four entries of 60 x 24 with separators of 5 in between.
std::vector<MenuEntry> LauncherEntries() {
  std::vector<MenuEntry> entries;
  for (int i = 0; i < 7; ++i) {
    MenuEntry e;
    e.separator = (i % 2) == 1;
    e.disabled = e.separator;
    e.width = 60;
    e.height = e.separator ? 5 : 24;
    entries.push_back(e);
  }
  return entries;
}

TEST(MenuMetricsTest, EntriesKeepTheirSizeWhenTheCaptionFits) {
  MenuLook look;
  std::vector<float> widths(7, 30.0f);  // 30 + 2 * 12 indent = 54 < 60
  MenuMetrics m = ComputeMenuMetrics(LauncherEntries(), look, 1.0f, widths, 16.0f);
  ASSERT_EQ(m.entries.size(), 7u);
  EXPECT_EQ(m.entries[0].right - m.entries[0].left, 60);
  EXPECT_EQ(m.entries[0].bottom - m.entries[0].top, 24);
  EXPECT_EQ(m.entries[1].bottom - m.entries[1].top, 5);
  EXPECT_EQ(m.entries[1].top, m.entries[0].bottom);
  // Border 1 and padding 4 on each side.
  EXPECT_EQ(m.width, 60 + 2 * 5);
  EXPECT_EQ(m.height, 4 * 24 + 3 * 5 + 2 * 5);
}

TEST(MenuMetricsTest, LongCaptionsWidenTheWholeMenu) {
  std::vector<float> widths = {48.0f, 0.0f, 48.0f, 0.0f, 90.4f, 0.0f, 48.0f};
  MenuMetrics m = ComputeMenuMetrics(LauncherEntries(), MenuLook{}, 1.0f, widths, 16.0f);
  int expected = 91 + 24;  // widest caption, rounded up, plus both indents
  for (const RECT& r : m.entries) EXPECT_EQ(r.right - r.left, expected);
}

TEST(MenuMetricsTest, ScalesAndMakesRoomForTallText) {
  std::vector<float> widths(7, 10.0f);
  MenuMetrics m = ComputeMenuMetrics(LauncherEntries(), MenuLook{}, 1.5f, widths, 30.0f);
  EXPECT_EQ(m.entries[0].right - m.entries[0].left, 90);
  // 24 * 1.5 = 36 would leave 6 pixels for a 30-pixel line: the entry grows to 30 + 4 * 1.5.
  EXPECT_EQ(m.entries[0].bottom - m.entries[0].top, 36);
  m = ComputeMenuMetrics(LauncherEntries(), MenuLook{}, 1.5f, widths, 34.0f);
  EXPECT_EQ(m.entries[0].bottom - m.entries[0].top, 40);
  EXPECT_EQ(m.entries[1].bottom - m.entries[1].top, 8);  // separators never grow for text
}

TEST(MenuNavigation, SkipsSeparatorsAndDisabledEntriesAndWraps) {
  std::vector<MenuEntry> entries = LauncherEntries();
  entries[0].disabled = true;  // "显示软件" while the tool does not run
  entries[4].disabled = true;  // "强制关闭"
  EXPECT_EQ(NextSelectable(entries, -1, +1), 2);
  EXPECT_EQ(NextSelectable(entries, 2, +1), 6);
  EXPECT_EQ(NextSelectable(entries, 6, +1), 2);
  EXPECT_EQ(NextSelectable(entries, -1, -1), 6);
  EXPECT_EQ(NextSelectable(entries, 2, -1), 6);
}

TEST(MenuNavigation, NothingSelectableGivesNone) {
  std::vector<MenuEntry> entries = LauncherEntries();
  for (auto& e : entries) e.disabled = true;
  EXPECT_EQ(NextSelectable(entries, -1, +1), -1);
  EXPECT_EQ(NextSelectable({}, -1, +1), -1);
}

TEST(MenuPlacement, StaysInsideTheWorkArea) {
  RECT work{0, 0, 1280, 760};
  SIZE size{90, 120};
  POINT p = PlacePopup(POINT{100, 100}, size, work);
  EXPECT_EQ(p.x, 100);
  EXPECT_EQ(p.y, 100);
  p = PlacePopup(POINT{1250, 700}, size, work);  // flips to the left and above the point
  EXPECT_EQ(p.x, 1160);
  EXPECT_EQ(p.y, 580);
  p = PlacePopup(POINT{-30, 5}, size, work);
  EXPECT_EQ(p.x, 0);
  p = PlacePopup(POINT{40, 60}, SIZE{90, 2000}, work);  // taller than the screen: top edge wins
  EXPECT_EQ(p.y, 0);
}

}  // namespace
}  // namespace storvane::exui
