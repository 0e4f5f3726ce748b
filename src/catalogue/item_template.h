// The software list's item template (ten elements: icon, three text lines, the action and "▼"
// buttons, four hidden data carriers), the layout that follows the window size, and the focus
// hand-over between list and group box.
#pragma once

#include <cstdint>

#include "catalogue/catalogue_view.h"
#include "util/text.h"

namespace storvane {

// Element numbers of an item.
enum ItemElement : int32_t {
  kElemIcon = 0,
  kElemTitle = 1,  // name, " V", version
  kElemIntroduction = 2,
  kElemUpdateTime = 3,   // "更新时间：" and the update time
  kElemAction = 4,       // the action button; its caption is the item's state
  kElemMenuButton = 5,   // "▼"
  kElemStoreFolder = 6,  // hidden data carriers from here on
  kElemExecutable = 7,
  kElemDownloadAddress = 8,
  kElemTutorialAddress = 9,
};
inline constexpr int32_t kItemElementCount = 10;

// The constant arguments of every element call: item elements, no column.
inline constexpr int32_t kElemKind = 1;
inline constexpr int32_t kNoColumn = -1;
inline constexpr int32_t kTemplateRow = -1;
inline constexpr int32_t kElemFieldText = 4;

// The 400-byte skin both item buttons use.
inline constexpr int kItemButtonSkinSize = 400;
const Bytes& ItemButtonSkin();

// Declares the template once, before the catalogue loads. `clickRoutine` is the address of the
// buttons' click routine as the library receives it.
void SetUpItemTemplate(ItemListControl& list, ExuiElemClickProc clickRoutine);

// Sets the template places of elements 2, 3, 4 and 5 that depend on the item width, reading the
// width from the list for each of them.
void ApplyWidthDependentTemplate(ItemListControl& list, ExuiElemClickProc clickRoutine);

// The main window's size-changed handler: group box, list, item width, load bar and disk-space
// label from the client size, then the width-dependent template again.
void RelayoutCatalogueView(ItemListControl& list, ProgressBarControl& loadProgress, CatalogueFrameUnits& frame,
                           int32_t clientWidth, int32_t clientHeight, ExuiElemClickProc clickRoutine);

// The main window's focus handler: the skin focus goes to the list when `which` is 1, to the
// group box otherwise.
void FocusCatalogueView(ItemListControl& list, CatalogueFrameUnits& frame, int32_t which);

}  // namespace storvane
