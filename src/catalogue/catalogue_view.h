// The main window's units as the catalogue sees them: the software list in the catalogue's own
// terms (items made from entries, each showing a state), the progress bars, and the neighbours
// that follow the window size. The program implements them over the skin-UI runtime
// (catalogue_list.h, catalogue_controls.h); tests implement them over plain records.
#pragma once

#include <cstdint>

#include "catalogue/catalogue_item.h"
#include "catalogue/entry_rules.h"
#include "exui_api.h"

namespace storvane {

// The elements of an item, by the numbers the list reports clicks with.
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

// The software list (`IcoListboxEx` unit "图标列表框EX_软件").
class CatalogueListView {
public:
  virtual ~CatalogueListView() = default;

  // Declares what every item holds (icon, title, introduction, update time, the action and "▼"
  // buttons, the hidden carriers), once, before the first item. The buttons' clicks reach
  // `clickRoutine`.
  virtual void DeclareItemTemplate(ExuiElemClickProc clickRoutine) = 0;
  // Gives items `itemWidth` pixels and places the elements that follow the width again.
  virtual void ApplyItemWidth(int32_t itemWidth) = 0;
  // Appends an item showing `entry` (with its icon) in `state`: its index, -1 when the list
  // refused a new item.
  virtual int32_t AddItem(const SoftwareEntry& entry, ItemState state) = 0;
  // Shows `state` on the action button of `item`.
  virtual void ShowState(int32_t item, ItemState state) = 0;

  // Bulk changes between the two repaint once.
  virtual void LockUpdate() = 0;
  virtual void UnlockUpdate() = 0;

  // The unit itself.
  virtual void SetSize(int32_t width, int32_t height) = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual void Focus() = 0;
};

// A skinned progress bar (`ProgressbarEx`): the catalogue's load bar and the download bar.
class ProgressBarControl {
public:
  virtual ~ProgressBarControl() = default;
  virtual void SetMaximum(int32_t maximum) = 0;
  virtual int32_t GetMaximum() = 0;
  // May be called from a worker thread: the library only stores the value and repaints.
  virtual void SetPosition(int32_t position) = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual void MoveTo(int32_t left, int32_t top) = 0;
};

// The other main-window units the catalogue view arranges.
class CatalogueFrameUnits {
public:
  virtual ~CatalogueFrameUnits() = default;
  // The group box "分组框EX" around the list and the load bar.
  virtual void SetGroupBoxSize(int32_t width, int32_t height) = 0;
  virtual void FocusGroupBox() = 0;
  // The disk-space label "标签EX_磁盘大小" at the bottom.
  virtual void SetDiskLabelPlace(int32_t top, int32_t width) = 0;
};

// The main window's size-changed handler: group box, list, item width (and with it the elements
// that follow it), load bar and disk-space label from the client size.
void RelayoutCatalogueView(CatalogueListView& list, ProgressBarControl& loadProgress, CatalogueFrameUnits& frame,
                           int32_t clientWidth, int32_t clientHeight);

// The main window's focus handler: the skin focus goes to the list when `which` is 1, to the
// group box otherwise.
void FocusCatalogueView(CatalogueListView& list, CatalogueFrameUnits& frame, int32_t which);

}  // namespace storvane
