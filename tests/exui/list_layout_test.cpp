#include "list_layout.h"

#include <gtest/gtest.h>

namespace storvane::exui {
namespace {

ListLayout ListOf(int count, int scroll = 0, float scale = 1.0f) {
  ListLayout layout;
  layout.scale = scale;
  layout.itemWidth = 824;
  layout.itemHeight = 90;
  layout.viewWidth = static_cast<int>(848 * scale);
  layout.viewHeight = static_cast<int>(437 * scale);
  layout.count = count;
  layout.scroll = scroll;
  return layout;
}

ElemTemplate Button(int l, int t, int w, int h) {
  ElemTemplate e;
  e.kind = ElemKind::kButton;
  e.left = l;
  e.top = t;
  e.width = w;
  e.height = h;
  return e;
}

TEST(ListLayoutGeometry, ItemsStackAtTheItemHeight) {
  ListLayout layout = ListOf(10);
  RECT r = layout.ItemRect(3);
  EXPECT_EQ(r.top, 270);
  EXPECT_EQ(r.bottom, 360);
  EXPECT_EQ(r.right, 824);
  layout.scroll = 100;
  EXPECT_EQ(layout.ItemRect(3).top, 170);
}

TEST(ListLayoutGeometry, DefaultItemWidthLeavesTheScrollGutter) {
  ListLayout layout = ListOf(1);
  layout.itemWidth = 0;
  EXPECT_EQ(layout.ItemWidthPx(), 848 - 24);
  layout = ListOf(1, 0, 1.5f);
  layout.itemWidth = 0;
  EXPECT_EQ(layout.ItemWidthPx(), 1272 - 36);
}

TEST(ListLayoutGeometry, ElementsScaleWithTheDpi) {
  // The action button of a 900-pixel-wide window: item width 824, left W - 119 = 705.
  ElemTemplate action = Button(705, 30, 80, 30);
  RECT at100 = ListOf(5).ElementRect(1, action);
  EXPECT_EQ(at100.left, 705);
  EXPECT_EQ(at100.top, 120);
  EXPECT_EQ(at100.right - at100.left, 80);
  RECT at150 = ListOf(5, 0, 1.5f).ElementRect(1, action);
  EXPECT_EQ(at150.left, 1058);  // 705 * 1.5 = 1057.5, rounded
  EXPECT_EQ(at150.top, 135 + 45);
  EXPECT_EQ(at150.right - at150.left, 120);
  EXPECT_EQ(at150.bottom - at150.top, 45);
}

TEST(ListLayoutHitTest, PointsFindItemsUnderTheScroll) {
  ListLayout layout = ListOf(10, 45);
  EXPECT_EQ(layout.ItemAt(POINT{10, 0}), 0);
  EXPECT_EQ(layout.ItemAt(POINT{10, 44}), 0);
  EXPECT_EQ(layout.ItemAt(POINT{10, 45}), 1);
  EXPECT_EQ(layout.ItemAt(POINT{823, 100}), 1);
  EXPECT_EQ(layout.ItemAt(POINT{824, 100}), -1);  // the gutter beside the items
  EXPECT_EQ(layout.ItemAt(POINT{-1, 100}), -1);
  EXPECT_EQ(layout.ItemAt(POINT{10, 437}), -1);  // below the viewport
}

TEST(ListLayoutHitTest, NothingBelowTheLastItem) {
  ListLayout layout = ListOf(2);
  EXPECT_EQ(layout.ItemAt(POINT{10, 179}), 1);
  EXPECT_EQ(layout.ItemAt(POINT{10, 180}), -1);
}

TEST(ListLayoutHitTest, ButtonsWinAndHiddenElementsDoNotCount) {
  ElementModel model;
  model.InsertElements(-1, 3);
  ElemTemplate* text = model.Template(0);
  text->kind = ElemKind::kText;
  text->left = 0;
  text->top = 0;
  text->width = 800;
  text->height = 90;
  *model.Template(1) = Button(705, 30, 80, 30);
  *model.Template(2) = Button(705, 30, 0, 0);  // a data carrier on top, without size
  model.InsertItem(-1);
  ListLayout layout = ListOf(1);
  EXPECT_EQ(layout.ElementAt(model, 0, POINT{720, 40}), 1);
  EXPECT_EQ(layout.ElementAt(model, 0, POINT{100, 40}), 0);
  model.Data(0, 1)->display = false;
  EXPECT_EQ(layout.ElementAt(model, 0, POINT{720, 40}), 0);
  model.Data(0, 0)->display = false;
  EXPECT_EQ(layout.ElementAt(model, 0, POINT{720, 40}), -1);
  EXPECT_EQ(layout.ElementAt(model, 1, POINT{720, 40}), -1);
}

TEST(ListLayoutScroll, LimitsFollowTheContent) {
  EXPECT_EQ(ListOf(4).MaxScroll(), 0);  // 360 pixels fit in 437
  ListLayout layout = ListOf(10);
  EXPECT_EQ(layout.MaxScroll(), 900 - 437);
  EXPECT_EQ(layout.ClampScroll(-20), 0);
  EXPECT_EQ(layout.ClampScroll(10000), 463);
}

TEST(ListLayoutScroll, ShowingAnItemMovesAsLittleAsPossible) {
  ListLayout layout = ListOf(10, 200);
  EXPECT_EQ(layout.ScrollToShow(3), 200);        // 270..360 is already in 200..637
  EXPECT_EQ(layout.ScrollToShow(1), 90);         // above: its top goes to the top
  EXPECT_EQ(layout.ScrollToShow(7), 720 - 437);  // below: its bottom goes to the bottom
  EXPECT_EQ(layout.ScrollToShow(9), 463);
  EXPECT_EQ(layout.ScrollToShow(10), 200);  // no such item: no movement
  EXPECT_TRUE(layout.ItemVisible(2));
  EXPECT_FALSE(layout.ItemVisible(1));  // 90..180 ends at the viewport's top
  EXPECT_FALSE(layout.ItemVisible(8));
}

TEST(ListLayoutScrollBar, OnlyWhenTheContentOverflows) {
  EXPECT_FALSE(ListOf(4).HasScrollBar());
  RECT none = ListOf(4).Thumb(false);
  EXPECT_EQ(none.bottom - none.top, 0);
  EXPECT_TRUE(ListOf(5).HasScrollBar());
}

TEST(ListLayoutScrollBar, ThumbTravelsTheTrack) {
  ListLayout layout = ListOf(20);
  RECT top = layout.Thumb(false);
  EXPECT_EQ(top.top, 2);
  EXPECT_EQ(top.right, 846);
  EXPECT_EQ(top.right - top.left, 6);
  EXPECT_EQ(layout.Thumb(true).right - layout.Thumb(true).left, 10);
  layout.scroll = layout.MaxScroll();
  RECT bottom = layout.Thumb(false);
  EXPECT_EQ(bottom.bottom, 437 - 2);
  // The thumb's length shows the visible share of the content.
  EXPECT_NEAR(bottom.bottom - bottom.top, (437 - 4) * 437 / 1800, 1);
}

TEST(ListLayoutScrollBar, DraggingTheThumbMapsBackToTheOffset) {
  ListLayout layout = ListOf(40);
  for (int offset : {0, 517, 1800, layout.MaxScroll()}) {
    layout.scroll = offset;
    RECT thumb = layout.Thumb(false);
    EXPECT_NEAR(layout.ScrollForThumbTop(thumb.top), offset, layout.MaxScroll() / 200 + 1) << offset;
  }
  EXPECT_EQ(layout.ScrollForThumbTop(-50), 0);
  EXPECT_EQ(layout.ScrollForThumbTop(5000), layout.MaxScroll());
}

TEST(ListLayoutScrollBar, ShortThumbsKeepAMinimumLength) {
  ListLayout layout = ListOf(2000);
  RECT thumb = layout.Thumb(false);
  EXPECT_EQ(thumb.bottom - thumb.top, 24);
}

}  // namespace
}  // namespace storvane::exui
