// The layout that follows the window size, and the focus hand-over between list and group box.
#include "catalogue/catalogue_view.h"

#include <gtest/gtest.h>

#include "catalogue_fakes.h"

namespace storvane {
namespace {

using fakes::FakeFrame;
using fakes::FakeListView;
using fakes::FakeProgressBar;

TEST(CatalogueRelayout, A900By600ClientPlacesEveryUnit) {
  FakeListView list;
  list.itemWidth = 500;  // whatever it was before the resize
  FakeProgressBar bar;
  FakeFrame frame;
  RelayoutCatalogueView(list, bar, frame, 900, 600);
  EXPECT_EQ(frame.groupWidth, 868);
  EXPECT_EQ(frame.groupHeight, 457);
  EXPECT_EQ(list.width, 848);
  EXPECT_EQ(list.height, 437);
  EXPECT_EQ(list.itemWidth, 824);
  EXPECT_EQ(bar.left, 284);
  EXPECT_EQ(bar.top, 78);  // (457 - 300) / 2 = 78.5, truncated
  EXPECT_EQ(frame.diskTop, 549);
  EXPECT_EQ(frame.diskWidth, 868);
  // A resize does not suspend the list's redraw.
  EXPECT_EQ(list.lockDepth, 0);
}

TEST(CatalogueRelayout, OddSizesTruncateTowardZero) {
  FakeListView list;
  FakeProgressBar bar;
  FakeFrame frame;
  RelayoutCatalogueView(list, bar, frame, 901, 444);
  EXPECT_EQ(frame.groupWidth, 869);
  EXPECT_EQ(bar.left, 284);  // 284.5
  EXPECT_EQ(list.itemWidth, 825);
  // A window so small that the load bar's place lies left of and above the group box.
  EXPECT_EQ(frame.groupHeight, 301);
  EXPECT_EQ(bar.top, 0);  // 0.5
}

TEST(CatalogueFocus, OneFocusesTheListAnythingElseTheGroupBox) {
  FakeListView list;
  FakeFrame frame;
  FocusCatalogueView(list, frame, 1);
  EXPECT_TRUE(list.focused);
  EXPECT_EQ(frame.groupFocus, 0);
  list.focused = false;
  FocusCatalogueView(list, frame, 0);
  FocusCatalogueView(list, frame, 2);
  EXPECT_FALSE(list.focused);
  EXPECT_EQ(frame.groupFocus, 2);
}

}  // namespace
}  // namespace storvane
