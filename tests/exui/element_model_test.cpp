#include "element_model.h"

#include <gtest/gtest.h>

namespace storvane::exui {
namespace {

// The launcher's ten-element template: image, three texts, two buttons, four data carriers.
ElementModel LauncherTemplate() {
  ElementModel model;
  model.InsertElements(-1, 10);
  auto set = [&](int e, ElemKind kind, int l, int t, int w, int h) {
    ElemTemplate* tpl = model.Template(e);
    tpl->kind = kind;
    tpl->left = l;
    tpl->top = t;
    tpl->width = w;
    tpl->height = h;
  };
  set(0, ElemKind::kImage, 10, 10, 70, 70);
  set(1, ElemKind::kText, 90, 20, 300, 20);
  set(2, ElemKind::kText, 90, 50, 394, 30);
  set(3, ElemKind::kText, 494, 30, 180, 30);
  set(4, ElemKind::kButton, 705, 30, 80, 30);
  set(5, ElemKind::kButton, 784, 30, 20, 30);
  for (int e = 6; e <= 9; ++e) set(e, ElemKind::kText, 0, 0, 0, 0);
  return model;
}

void Fill(ElementModel& model, int item, const char* title, const char* action) {
  model.Data(item, 1)->text = title;
  model.Data(item, 4)->text = action;
  model.Data(item, 5)->text = "v";
  for (int e = 6; e <= 9; ++e) model.Data(item, e)->display = false;
}

TEST(ElementModelTemplate, InsertsAppendAndShiftItemData) {
  ElementModel model;
  EXPECT_EQ(model.InsertElements(-1, 3), 3);
  int item = model.InsertItem(-1);
  model.Data(item, 0)->text = "a";
  model.Data(item, 2)->text = "c";
  // Two elements in front of element 1: the old element 1 and 2 become 3 and 4.
  EXPECT_EQ(model.InsertElements(1, 2), 5);
  EXPECT_EQ(model.Data(item, 0)->text, "a");
  EXPECT_EQ(model.Data(item, 1)->text, "");
  EXPECT_EQ(model.Data(item, 4)->text, "c");
  // A position beyond the end appends.
  EXPECT_EQ(model.InsertElements(99, 1), 6);
  EXPECT_EQ(model.Data(item, 5)->text, "");
}

TEST(ElementModelTemplate, RefusesEmptyOrOversizedInsertions) {
  ElementModel model;
  EXPECT_EQ(model.InsertElements(-1, 0), 0);
  EXPECT_EQ(model.InsertElements(-1, -5), 0);
  EXPECT_EQ(model.InsertElements(-1, ElementModel::kMaxElements + 1), 0);
  EXPECT_EQ(model.ElementCount(), 0);
  EXPECT_EQ(model.InsertElements(-1, ElementModel::kMaxElements), ElementModel::kMaxElements);
  EXPECT_EQ(model.InsertElements(-1, 1), 0);
}

TEST(ElementModelItems, AppendReturnsConsecutiveIndexes) {
  ElementModel model = LauncherTemplate();
  for (int i = 0; i < 4; ++i) EXPECT_EQ(model.InsertItem(-1), i);
  EXPECT_EQ(model.ItemCount(), 4);
  EXPECT_EQ(model.InsertItem(100), 4);
}

TEST(ElementModelItems, InsertInFrontMovesLaterItems) {
  ElementModel model = LauncherTemplate();
  model.InsertItem(-1);
  model.Data(0, 1)->text = "first";
  EXPECT_EQ(model.InsertItem(0), 0);
  EXPECT_EQ(model.Data(0, 1)->text, "");
  EXPECT_EQ(model.Data(1, 1)->text, "first");
  EXPECT_TRUE(model.DeleteItem(0));
  EXPECT_EQ(model.Data(0, 1)->text, "first");
  EXPECT_FALSE(model.DeleteItem(1));
  EXPECT_FALSE(model.DeleteItem(-1));
}

TEST(ElementModelItems, DataOutOfRangeIsAbsent) {
  ElementModel model = LauncherTemplate();
  model.InsertItem(-1);
  EXPECT_EQ(model.Data(1, 0), nullptr);
  EXPECT_EQ(model.Data(-1, 0), nullptr);
  EXPECT_EQ(model.Data(0, 10), nullptr);
  EXPECT_EQ(model.Data(0, -1), nullptr);
  ASSERT_NE(model.Data(0, 9), nullptr);
  EXPECT_TRUE(model.Data(0, 9)->display);  // new data is displayed until told otherwise
}

TEST(ElementModelItems, ElementsAddedAfterItemsHaveData) {
  ElementModel model;
  model.InsertElements(-1, 1);
  model.InsertItem(-1);
  model.InsertElements(-1, 2);
  ASSERT_NE(model.Data(0, 2), nullptr);
  model.Data(0, 2)->text = "late";
  EXPECT_EQ(model.Data(0, 2)->text, "late");
}

TEST(ElementModelAccessibility, TitleAndActionOfTheLauncherTemplate) {
  ElementModel model = LauncherTemplate();
  model.InsertItem(-1);
  Fill(model, 0, "name V1", "open");
  EXPECT_EQ(model.TitleElement(0), 1);
  EXPECT_EQ(model.ActionElement(0), 4);
  EXPECT_EQ(model.Buttons(0), (std::vector<int>{4, 5}));
}

TEST(ElementModelAccessibility, HiddenOrSizelessButtonsAreNotOffered) {
  ElementModel model = LauncherTemplate();
  model.InsertItem(-1);
  Fill(model, 0, "name", "open");
  model.Data(0, 4)->display = false;
  EXPECT_EQ(model.Buttons(0), (std::vector<int>{5}));
  EXPECT_EQ(model.ActionElement(0), 5);  // the next button with a caption
  model.Template(5)->width = 0;
  EXPECT_TRUE(model.Buttons(0).empty());
  EXPECT_EQ(model.ActionElement(0), -1);
}

TEST(ElementModelAccessibility, EmptyTitleFallsToTheNextText) {
  ElementModel model = LauncherTemplate();
  model.InsertItem(-1);
  model.Data(0, 2)->text = "intro";
  EXPECT_EQ(model.TitleElement(0), 2);
  model.Data(0, 2)->display = false;
  EXPECT_EQ(model.TitleElement(0), -1);  // hidden carriers never name an item
}

}  // namespace
}  // namespace storvane::exui
