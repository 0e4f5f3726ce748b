// The main window's units as the catalogue drives them: the software list with its element
// model, the progress bars, and the neighbours that follow the window size.
//
// The list interface mirrors the skin library's element commands one for one, with the
// arguments that follow the control handle in the order the library takes them, so the values
// the catalogue passes are exactly the values that reach the library. The real implementations
// (catalogue_controls.h) find the control from the unit on every call; tests record the calls.
#pragma once

#include <cstdint>
#include <string>

#include "exui_api.h"
#include "util/text.h"

namespace storvane {

// Place of an element inside an item, in pixels relative to the item.
struct ElemBox {
  int32_t left = 0, top = 0, width = 0, height = 0;
  friend bool operator==(const ElemBox&, const ElemBox&) = default;
};

// The software list (`IcoListboxEx` unit "图标列表框EX_软件").
class ItemListControl {
public:
  virtual ~ItemListControl() = default;

  // ControlLockUpdate / ControlUnlockUpdate: bracket bulk changes so the list repaints once.
  virtual void LockUpdate() = 0;
  virtual void UnlockUpdate() = 0;

  // ControlInsertElem(control, kind, column, position, count)
  virtual void InsertElem(int32_t kind, int32_t column, int32_t position, int32_t count) = 0;
  // ControlSetElemAttribute_Imsge(control, kind, row, element, column, mask, flags, box, reserved)
  virtual void SetElemAttributeImage(int32_t kind, int32_t row, int32_t element, int32_t column, int32_t mask,
                                     int32_t flags, const ElemBox& box, int32_t reserved) = 0;
  // ControlSetElemAttribute_Text(control, kind, row, element, column, mask, flags, box, reserved,
  //                              font descriptor, text format)
  virtual void SetElemAttributeText(int32_t kind, int32_t row, int32_t element, int32_t column, int32_t mask,
                                    int32_t flags, const ElemBox& box, int32_t reserved, const Bytes& font,
                                    int32_t format) = 0;
  // ControlSetElemAttribute_Button(control, kind, row, element, column, click routine, flags, box,
  //                                reserved, skin, font descriptor)
  virtual void SetElemAttributeButton(int32_t kind, int32_t row, int32_t element, int32_t column,
                                      ExuiElemClickProc clickRoutine, int32_t flags, const ElemBox& box,
                                      int32_t reserved, const Bytes& skin, const Bytes& font) = 0;

  // ControlSetElemData_Imsge(control, kind, item, column, element, mask, display, state, image)
  virtual void SetElemDataImage(int32_t kind, int32_t item, int32_t column, int32_t element, int32_t mask,
                                int32_t display, int32_t state, int32_t image) = 0;
  // ControlSetElemData_Text(control, kind, item, column, element, mask, display, state, text, colour)
  virtual void SetElemDataText(int32_t kind, int32_t item, int32_t column, int32_t element, int32_t mask,
                               int32_t display, int32_t state, const std::string& text, uint32_t colour) = 0;
  // ControlSetElemData_Button(control, kind, item, column, element, mask, display, state, caption,
  //                           colour, selected)
  virtual void SetElemDataButton(int32_t kind, int32_t item, int32_t column, int32_t element, int32_t mask,
                                 int32_t display, int32_t state, const std::string& caption, uint32_t colour,
                                 int32_t selected) = 0;
  // ControlGetElemData_Text / ControlGetElemData_Button(control, kind, item, column, element, field);
  // field 4 is the text. The empty text when the item or element does not exist.
  virtual std::string GetElemDataText(int32_t kind, int32_t item, int32_t column, int32_t element, int32_t field) = 0;
  virtual std::string GetElemDataButton(int32_t kind, int32_t item, int32_t column, int32_t element, int32_t field) = 0;

  // InsertItem_IcoListboxEx(list, position): the new item's zero-based index, -1 on failure.
  virtual int32_t InsertItem(int32_t position) = 0;
  // GetItemCount_IcoListboxEx(list)
  virtual int32_t GetItemCount() = 0;

  // LoadImageEx from bytes (0 for empty or undecodable bytes) and DestroyImageEx.
  virtual int32_t LoadItemImage(const Bytes& bytes) = 0;
  virtual void DestroyItemImage(int32_t image) = 0;

  // The list unit's item width W, property 17.
  virtual int32_t GetItemWidth() = 0;
  virtual void SetItemWidth(int32_t width) = 0;

  // The unit itself.
  virtual void SetSize(int32_t width, int32_t height) = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual void SetFocus() = 0;  // ControlSetFocusControl with the list control
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
  virtual void FocusGroupBox() = 0;  // ControlSetFocusControl with the group box's control
  // The disk-space label "标签EX_磁盘大小" at the bottom.
  virtual void SetDiskLabelPlace(int32_t top, int32_t width) = 0;
};

}  // namespace storvane
