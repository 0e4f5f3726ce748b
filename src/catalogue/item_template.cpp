#include "catalogue/item_template.h"

#include <cstring>

#include "catalogue/font_descriptor.h"
#include "catalogue/view_layout.h"
#include "exui_api.h"

namespace storvane {
namespace {

// Text formats of the template's text elements.
constexpr int32_t kFormatTitle = 9;    // one line, centred vertically
constexpr int32_t kFormatWrapped = 0;  // top-left, wrapping
constexpr int32_t kFormatRight = 16;   // right-aligned

Bytes TitleFont() { return MakeFontDescriptor(kUiFontFace, 14, 1, 0, 0, 0); }
Bytes LineFont() { return MakeFontDescriptor(kUiFontFace, 12, 0, 0, 0, 0); }
Bytes ArrowFont() { return MakeFontDescriptor(kUiFontFace, 15, 1, 0, 0, 0); }

void SetText(ItemListControl& list, int32_t element, const ElemBox& box, const Bytes& font, int32_t format) {
  list.SetElemAttributeText(kElemKind, kTemplateRow, element, kNoColumn, 0, 0, box, 0, font, format);
}

void SetButton(ItemListControl& list, int32_t element, ExuiElemClickProc clickRoutine, const ElemBox& box,
               const Bytes& font) {
  list.SetElemAttributeButton(kElemKind, kTemplateRow, element, kNoColumn, clickRoutine, 0, box, 0, ItemButtonSkin(),
                              font);
}

Bytes MakeItemButtonSkin() {
  ExuiButtonSkin skin{};
  skin.header = {EXUI_SKIN_MAGIC, EXUI_SKIN_VERSION, EXUI_SKIN_BUTTON, sizeof(ExuiButtonSkin)};
  const uint32_t fill[4] = {0xFFFFFFFF, 0xFFFFFFFF, 0xFFEEF4FE, 0xFFE8F5E9};
  const uint32_t border[4] = {0xFFD0D0D0, 0xFF2D8CF0, 0xFF2D8CF0, 0xFF66BB6A};
  // Normal and running captions keep the element's own colour (alpha 0).
  const uint32_t text[4] = {0, 0xFF2D8CF0, 0xFF2D8CF0, 0};
  std::memcpy(skin.fill, fill, sizeof fill);
  std::memcpy(skin.border, border, sizeof border);
  std::memcpy(skin.text, text, sizeof text);
  skin.flatHover = 0xFFF0F0F0;
  skin.radius = 4;
  skin.borderWidth = 1;
  static_assert(sizeof(ExuiButtonSkin) <= kItemButtonSkinSize, "the skin fits its blob");
  Bytes out(kItemButtonSkinSize, 0);
  std::memcpy(out.data(), &skin, sizeof skin);
  return out;
}

}  // namespace

const Bytes& ItemButtonSkin() {
  static const Bytes skin = MakeItemButtonSkin();
  return skin;
}

void ApplyWidthDependentTemplate(ItemListControl& list, ExuiElemClickProc clickRoutine) {
  // The width is read again for every element, as the list may be resized between calls
  // when pending messages run.
  SetText(list, kElemIntroduction, {90, 50, ComputeItemTemplateGeometry(list.GetItemWidth()).descriptionWidth, 30},
          LineFont(), kFormatWrapped);
  SetText(list, kElemUpdateTime, {ComputeItemTemplateGeometry(list.GetItemWidth()).updateTimeLeft, 30, 180, 30},
          LineFont(), kFormatRight);
  SetButton(list, kElemAction, clickRoutine, {ComputeItemTemplateGeometry(list.GetItemWidth()).actionLeft, 30, 80, 30},
            TitleFont());
  SetButton(list, kElemMenuButton, clickRoutine,
            {ComputeItemTemplateGeometry(list.GetItemWidth()).menuButtonLeft, 30, 20, 30}, ArrowFont());
}

void SetUpItemTemplate(ItemListControl& list, ExuiElemClickProc clickRoutine) {
  list.LockUpdate();
  list.InsertElem(kElemKind, kNoColumn, -1, kItemElementCount);
  list.SetElemAttributeImage(kElemKind, kTemplateRow, kElemIcon, kNoColumn, 0, 0, {10, 10, 70, 70}, 0);
  SetText(list, kElemTitle, {90, 20, 300, 20}, TitleFont(), kFormatTitle);
  ApplyWidthDependentTemplate(list, clickRoutine);
  for (int32_t element = kElemStoreFolder; element <= kElemTutorialAddress; ++element) {
    SetText(list, element, {0, 0, 0, 0}, TitleFont(), kFormatTitle);
  }
  list.UnlockUpdate();
}

void RelayoutCatalogueView(ItemListControl& list, ProgressBarControl& loadProgress, CatalogueFrameUnits& frame,
                           int32_t clientWidth, int32_t clientHeight, ExuiElemClickProc clickRoutine) {
  const CatalogueViewLayout l = ComputeCatalogueViewLayout(clientWidth, clientHeight);
  frame.SetGroupBoxSize(l.groupWidth, l.groupHeight);
  list.SetSize(l.listWidth, l.listHeight);
  list.SetItemWidth(l.itemWidth);
  loadProgress.MoveTo(l.progressLeft, l.progressTop);
  frame.SetDiskLabelPlace(l.diskLabelTop, l.diskLabelWidth);
  ApplyWidthDependentTemplate(list, clickRoutine);
}

void FocusCatalogueView(ItemListControl& list, CatalogueFrameUnits& frame, int32_t which) {
  if (which == 1) {
    list.SetFocus();
  } else {
    frame.FocusGroupBox();
  }
}

}  // namespace storvane
