// The icon list (IcoListboxEx): items drawn from the element template, vertical scrolling by
// wheel, keys and an overlay scroll bar, hot tracking, pressed buttons, and button clicks
// delivered to the program's click routine.
#pragma once

#include <memory>
#include <vector>

#include "control.h"
#include "element_model.h"
#include "list_layout.h"

namespace storvane::exui {

class IcoList final : public Control {
public:
  IcoList();

  bool SetAttribute(int id, ExuiValue value) override;
  ExuiValue GetAttribute(int id) override;

  ElementModel& Model() { return model_; }
  const ElementModel& Model() const { return model_; }
  // Call after changing the model: keeps the scroll offset valid and repaints.
  void ModelChanged();

  int InsertItem(int position);
  bool DeleteItem(int item);
  bool EnsureVisible(int item);

  // Current geometry (viewport, scale, scroll, item count).
  ListLayout Layout() const;
  void ScrollTo(int offset);

  // Clicks an element of an item as the mouse would: the button's click routine runs, or the
  // item click event is raised for other elements. False when there is nothing to click.
  bool ClickElement(int item, int element, int x, int y);

  // Accessibility.
  AccInfo AccSelf() const override;
  int AccChildCount() const override { return model_.ItemCount(); }
  bool AccChild(int index, AccInfo& out) const override;
  std::shared_ptr<AccessibleSource> AccChildObject(int index) const override;
  bool AccDoDefault(int index) override;
  int AccHitTest(POINT screen) const override;
  // The accessible description of one item and of its children (used by the item objects):
  // first its buttons, then its texts, each in element order. A text is located where it is
  // laid out whole, so a text cut short reaches past its box (and maybe its row) for clients
  // that check the layout.
  AccInfo ItemInfo(int item) const;
  int ItemChildCount(int item) const;
  bool ItemChildInfo(int item, int child, AccInfo& out) const;
  bool PostClick(int item, int element);

protected:
  void Paint(Gdiplus::Graphics& g, float width, float height) override;
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
  long AccRole() const override { return ROLE_SYSTEM_LIST; }

private:
  void PaintItem(Gdiplus::Graphics& g, const ListLayout& layout, int item);
  void PaintImage(Gdiplus::Graphics& g, const RECT& r, const ElemData& data);
  void PaintText(Gdiplus::Graphics& g, const RECT& r, const ElemTemplate& t, const ElemData& data);
  void PaintButton(Gdiplus::Graphics& g, const RECT& r, const ElemTemplate& t, const ElemData& data, int item,
                   int element);
  void PaintScrollBar(Gdiplus::Graphics& g, const ListLayout& layout);
  void UpdateHot(POINT client);
  void ClearHot();
  void OnWheel(int delta);
  // Message groups of OnMessage: mouse buttons (thumb, track, elements, items) and keys.
  void OnButtonDown(UINT message, POINT at);
  void OnButtonUp(POINT at);
  bool OnKey(WPARAM key);  // false for keys the list does not use
  std::wstring ElementText(int item, int element) const;

  ElementModel model_;
  int itemWidth_ = 0;
  int itemHeight_ = 90;
  int scroll_ = 0;
  int hotItem_ = -1;
  int hotElement_ = -1;
  int pressedItem_ = -1;
  int pressedElement_ = -1;
  int clickItem_ = -1;  // item pressed outside its buttons
  bool barHot_ = false;
  bool draggingThumb_ = false;
  int dragOffset_ = 0;
  int wheelRemainder_ = 0;
  mutable std::vector<std::shared_ptr<AccessibleSource>> itemSources_;
};

}  // namespace storvane::exui
