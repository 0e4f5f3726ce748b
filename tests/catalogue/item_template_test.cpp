// The item template's element calls, exactly as the skin library receives them, and the layout
// that follows the window size.
#include "catalogue/item_template.h"

#include <gtest/gtest.h>

#include <cstring>

#include "catalogue/font_descriptor.h"
#include "catalogue_fakes.h"
#include "exui_api.h"

namespace storvane {
namespace {

using fakes::FakeFrame;
using fakes::FakeProgressBar;
using fakes::ListCall;
using fakes::RecordingList;

// Any recognisable routine address: the template only passes it on.
const ExuiElemClickProc kClick = reinterpret_cast<ExuiElemClickProc>(std::intptr_t{0x401234});
const int64_t kClickValue = 0x401234;

std::vector<std::string> Ops(const std::vector<ListCall>& calls) {
  std::vector<std::string> ops;
  for (const ListCall& c : calls) ops.push_back(c.op);
  return ops;
}

const ListCall* FindAttr(const std::vector<ListCall>& calls, const std::string& op, int element) {
  for (const ListCall& c : calls) {
    if (c.op == op && c.ints.at(2) == element) return &c;
  }
  return nullptr;
}

TEST(ItemTemplate, DeclaresTenElementsInOrderInsideOneUpdateLock) {
  RecordingList list;
  SetUpItemTemplate(list, kClick);
  const std::vector<std::string> expected = {
      "LockUpdate",   "InsertElem", "AttrImage",    "AttrText",   "GetItemWidth", "AttrText",
      "GetItemWidth", "AttrText",   "GetItemWidth", "AttrButton", "GetItemWidth", "AttrButton",
      "AttrText",     "AttrText",   "AttrText",     "AttrText",   "UnlockUpdate"};
  EXPECT_EQ(Ops(list.calls), expected);
  EXPECT_EQ(list.calls[1].ints, (std::vector<int64_t>{1, -1, -1, 10}));
  EXPECT_EQ(list.calls[2].ints, (std::vector<int64_t>{1, -1, 0, -1, 0, 0, 10, 10, 70, 70, 0}));
}

TEST(ItemTemplate, ExactValuesForAnItemWidthOf824) {
  RecordingList list;
  list.itemWidth = 824;  // a 900-pixel client
  SetUpItemTemplate(list, kClick);
  const Bytes title = MakeFontDescriptor("微软雅黑", 14, 1, 0, 0, 0);
  const Bytes line = MakeFontDescriptor("微软雅黑", 12, 0, 0, 0, 0);
  const Bytes arrow = MakeFontDescriptor("微软雅黑", 15, 1, 0, 0, 0);

  const ListCall* e1 = FindAttr(list.calls, "AttrText", 1);
  ASSERT_NE(e1, nullptr);
  EXPECT_EQ(e1->ints, (std::vector<int64_t>{1, -1, 1, -1, 0, 0, 90, 20, 300, 20, 0, 9}));
  EXPECT_EQ(e1->bytes.at(0), title);

  const ListCall* e2 = FindAttr(list.calls, "AttrText", 2);
  ASSERT_NE(e2, nullptr);
  EXPECT_EQ(e2->ints, (std::vector<int64_t>{1, -1, 2, -1, 0, 0, 90, 50, 394, 30, 0, 0}));
  EXPECT_EQ(e2->bytes.at(0), line);

  const ListCall* e3 = FindAttr(list.calls, "AttrText", 3);
  ASSERT_NE(e3, nullptr);
  EXPECT_EQ(e3->ints, (std::vector<int64_t>{1, -1, 3, -1, 0, 0, 494, 30, 180, 30, 0, 16}));
  EXPECT_EQ(e3->bytes.at(0), line);

  const ListCall* e4 = FindAttr(list.calls, "AttrButton", 4);
  ASSERT_NE(e4, nullptr);
  EXPECT_EQ(e4->ints, (std::vector<int64_t>{1, -1, 4, -1, kClickValue, 0, 705, 30, 80, 30, 0}));
  EXPECT_EQ(e4->bytes.at(0), ItemButtonSkin());
  EXPECT_EQ(e4->bytes.at(1), title);

  const ListCall* e5 = FindAttr(list.calls, "AttrButton", 5);
  ASSERT_NE(e5, nullptr);
  EXPECT_EQ(e5->ints, (std::vector<int64_t>{1, -1, 5, -1, kClickValue, 0, 784, 30, 20, 30, 0}));
  EXPECT_EQ(e5->bytes.at(0), ItemButtonSkin());
  EXPECT_EQ(e5->bytes.at(1), arrow);

  for (int element = 6; element <= 9; ++element) {
    const ListCall* c = FindAttr(list.calls, "AttrText", element);
    ASSERT_NE(c, nullptr) << element;
    EXPECT_EQ(c->ints, (std::vector<int64_t>{1, -1, element, -1, 0, 0, 0, 0, 0, 0, 0, 9}));
    EXPECT_EQ(c->bytes.at(0), title);
  }
}

TEST(ItemTemplate, ButtonSkinIsA400ByteButtonSkinOfTheLibrarysFormat) {
  const Bytes& skin = ItemButtonSkin();
  ASSERT_EQ(skin.size(), 400u);
  ExuiSkinHeader header;
  std::memcpy(&header, skin.data(), sizeof header);
  EXPECT_EQ(header.magic, EXUI_SKIN_MAGIC);
  EXPECT_EQ(header.version, EXUI_SKIN_VERSION);
  EXPECT_EQ(header.kind, EXUI_SKIN_BUTTON);
  EXPECT_EQ(header.size, sizeof(ExuiButtonSkin));
}

TEST(CatalogueRelayout, A900By600ClientPlacesEveryUnitAndRedoesTheWidthDependentElements) {
  RecordingList list;
  list.itemWidth = 500;  // whatever it was before the resize
  FakeProgressBar bar;
  FakeFrame frame;
  RelayoutCatalogueView(list, bar, frame, 900, 600, kClick);
  EXPECT_EQ(frame.groupWidth, 868);
  EXPECT_EQ(frame.groupHeight, 457);
  EXPECT_EQ(list.width, 848);
  EXPECT_EQ(list.height, 437);
  EXPECT_EQ(list.itemWidth, 824);
  EXPECT_EQ(bar.left, 284);
  EXPECT_EQ(bar.top, 78);  // (457 - 300) / 2 = 78.5, truncated
  EXPECT_EQ(frame.diskTop, 549);
  EXPECT_EQ(frame.diskWidth, 868);

  // The template follows the new width, and only elements 2 to 5 are set again.
  EXPECT_EQ(FindAttr(list.calls, "AttrText", 2)->ints.at(8), 394);
  EXPECT_EQ(FindAttr(list.calls, "AttrText", 3)->ints.at(6), 494);
  EXPECT_EQ(FindAttr(list.calls, "AttrButton", 4)->ints.at(6), 705);
  EXPECT_EQ(FindAttr(list.calls, "AttrButton", 5)->ints.at(6), 784);
  EXPECT_EQ(FindAttr(list.calls, "AttrText", 1), nullptr);
  EXPECT_EQ(FindAttr(list.calls, "AttrText", 6), nullptr);
  EXPECT_TRUE(list.CallsOf("InsertElem").empty());
  // A resize does not suspend the list's redraw.
  EXPECT_TRUE(list.CallsOf("LockUpdate").empty());
}

TEST(CatalogueRelayout, OddSizesTruncateTowardZero) {
  RecordingList list;
  FakeProgressBar bar;
  FakeFrame frame;
  RelayoutCatalogueView(list, bar, frame, 901, 444, kClick);
  EXPECT_EQ(frame.groupWidth, 869);
  EXPECT_EQ(bar.left, 284);  // 284.5
  EXPECT_EQ(list.itemWidth, 825);
  EXPECT_EQ(FindAttr(list.calls, "AttrText", 2)->ints.at(8), 395);
  // A window so small that the load bar's place lies left of and above the group box.
  EXPECT_EQ(frame.groupHeight, 301);
  EXPECT_EQ(bar.top, 0);  // 0.5
}

TEST(CatalogueFocus, OneFocusesTheListAnythingElseTheGroupBox) {
  RecordingList list;
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
