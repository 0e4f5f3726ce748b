#include "catalogue/catalogue_list.h"

#include <cstring>
#include <string>

#include "catalogue/font_descriptor.h"
#include "catalogue/view_layout.h"
#include "uilib/skin_commands.h"

namespace storvane {
namespace {

// Every element call addresses item elements (kind 1) with no column; row -1 is the template.
constexpr int kItemKind = 1;
constexpr int kNoColumn = -1;
constexpr int kTemplateRow = -1;
constexpr int kAppend = -1;
// Neither masks nor flags nor the reserved slot are used by this list.
constexpr int kNoMask = 0;
constexpr int kNoFlags = 0;
constexpr int kReserved = 0;
// Display switches of element data: the carriers hold an entry's fields without showing them.
constexpr int kShown = 1;
constexpr int kHidden = 0;
constexpr int kNormalState = 0;

// Text formats of the template's text elements.
constexpr int kFormatTitle = 9;    // one line, centred vertically
constexpr int kFormatWrapped = 0;  // top-left, wrapping
constexpr int kFormatRight = 16;   // right-aligned

// Colours of the item's texts (ARGB).
constexpr uint32_t kTitleColour = 0xFFCD5C5C;
constexpr uint32_t kGreyTextColour = 0xFF808080;
constexpr uint32_t kButtonTextColour = 0xFF999797;

constexpr char kUpdateTimePrefix[] = "更新时间：";
constexpr char kMenuButtonCaption[] = "▼";

Bytes TitleFont() { return MakeFontDescriptor(kUiFontFace, 14, 1, 0, 0, 0); }
Bytes LineFont() { return MakeFontDescriptor(kUiFontFace, 12, 0, 0, 0, 0); }
Bytes ArrowFont() { return MakeFontDescriptor(kUiFontFace, 15, 1, 0, 0, 0); }

struct Box {
  int left, top, width, height;
};

void DeclareText(ExuiControl list, int element, Box b, const Bytes& font, int format) {
  uilib::SetTextElementTemplate(list, kItemKind, kTemplateRow, element, kNoColumn, kNoMask, kNoFlags, b.left, b.top,
                                b.width, b.height, kReserved, font, format);
}

void DeclareButton(ExuiControl list, int element, ExuiElemClickProc clickRoutine, Box b, const Bytes& font) {
  uilib::SetButtonElementTemplate(list, kItemKind, kTemplateRow, element, kNoColumn, clickRoutine, kNoFlags, b.left,
                                  b.top, b.width, b.height, kReserved, ItemButtonSkin(), font);
}

void SetText(ExuiControl list, int item, int element, int display, std::string_view text, uint32_t colour) {
  uilib::SetTextElementData(list, kItemKind, item, kNoColumn, element, kNoMask, display, kNormalState, text, colour);
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

ExuiControl SkinCatalogueList::Control() const { return uilib::ControlOfWindow(list_.hwnd()); }

void SkinCatalogueList::DeclareItemTemplate(ExuiElemClickProc clickRoutine) {
  clickRoutine_ = clickRoutine;
  LockUpdate();
  const ExuiControl list = Control();
  uilib::InsertElements(list, kItemKind, kNoColumn, kAppend, kItemElementCount);
  uilib::SetImageElementTemplate(list, kItemKind, kTemplateRow, kElemIcon, kNoColumn, kNoMask, kNoFlags, 10, 10, 70, 70,
                                 kReserved);
  DeclareText(list, kElemTitle, {90, 20, 300, 20}, TitleFont(), kFormatTitle);
  PlaceWidthDependentElements();
  for (int element = kElemStoreFolder; element <= kElemTutorialAddress; ++element) {
    DeclareText(list, element, {0, 0, 0, 0}, TitleFont(), kFormatTitle);
  }
  UnlockUpdate();
}

void SkinCatalogueList::ApplyItemWidth(int32_t itemWidth) {
  uilib::SetSkinAttribute(uilib::SkinType::IcoListboxEx, Control(), EXUI_ATTR_ITEM_WIDTH, itemWidth);
  PlaceWidthDependentElements();
}

void SkinCatalogueList::PlaceWidthDependentElements() {
  // The width is read again for every element: pending messages may resize the list between
  // two of these calls.
  auto geometry = [this] {
    return ComputeItemTemplateGeometry(
        static_cast<int>(uilib::GetSkinAttribute(uilib::SkinType::IcoListboxEx, Control(), EXUI_ATTR_ITEM_WIDTH)));
  };
  DeclareText(Control(), kElemIntroduction, {90, 50, geometry().descriptionWidth, 30}, LineFont(), kFormatWrapped);
  DeclareText(Control(), kElemUpdateTime, {geometry().updateTimeLeft, 30, 180, 30}, LineFont(), kFormatRight);
  DeclareButton(Control(), kElemAction, clickRoutine_, {geometry().actionLeft, 30, 80, 30}, TitleFont());
  DeclareButton(Control(), kElemMenuButton, clickRoutine_, {geometry().menuButtonLeft, 30, 20, 30}, ArrowFont());
}

int32_t SkinCatalogueList::AddItem(const SoftwareEntry& entry, ItemState state) {
  const ExuiControl list = Control();
  const ExuiImage image = entry.icon.empty() ? 0 : uilib::LoadSkinImage(entry.icon);
  const int item = uilib::InsertListItem(list, kAppend);
  if (item < 0) {
    // Row -1 addresses the template: setting data there would change every item.
    if (image != 0) uilib::DestroySkinImage(image);
    return -1;
  }
  uilib::SetImageElementData(list, kItemKind, item, kNoColumn, kElemIcon, kNoMask, kShown, kNormalState, image);
  SetText(list, item, kElemTitle, kShown, ItemTitle(entry.name, entry.version), kTitleColour);
  SetText(list, item, kElemIntroduction, kShown, entry.introduction, kGreyTextColour);
  SetText(list, item, kElemUpdateTime, kShown, ConcatTexts(kUpdateTimePrefix, entry.updateTime), kGreyTextColour);
  ShowState(item, state);
  uilib::SetButtonElementData(list, kItemKind, item, kNoColumn, kElemMenuButton, kNoMask, kShown, kNormalState,
                              kMenuButtonCaption, kButtonTextColour, 0);
  const std::string* carried[] = {&entry.storeFolder, &entry.executable, &entry.downloadAddress,
                                  &entry.tutorialAddress};
  for (int i = 0; i < 4; ++i) SetText(list, item, kElemStoreFolder + i, kHidden, *carried[i], kGreyTextColour);
  // The library keeps its own copy of the picture.
  if (image != 0) uilib::DestroySkinImage(image);
  return item;
}

void SkinCatalogueList::ShowState(int32_t item, ItemState state) {
  // The state flag goes in twice: as the element's state, which picks the skin's colours, and
  // as its selected switch.
  const int flag = ItemStateFlag(state);
  uilib::SetButtonElementData(Control(), kItemKind, item, kNoColumn, kElemAction, kNoMask, kShown, flag,
                              ItemCaption(state), kButtonTextColour, flag);
}

void SkinCatalogueList::LockUpdate() { uilib::LockControlUpdate(Control()); }
void SkinCatalogueList::UnlockUpdate() { uilib::UnlockControlUpdate(Control()); }

void SkinCatalogueList::SetSize(int32_t width, int32_t height) {
  list_.SetWidth(width);
  list_.SetHeight(height);
}

void SkinCatalogueList::SetVisible(bool visible) { list_.SetVisible(visible); }

void SkinCatalogueList::Focus() { uilib::SetSkinFocus(Control()); }

}  // namespace storvane
