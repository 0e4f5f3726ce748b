// Geometry of the icon list: where items and their elements lie for a scroll offset, what is
// under a point, how far the list scrolls, and the overlay scroll bar. Template values are
// logical pixels (96 DPI) and are scaled; the viewport and the scroll offset are real pixels.
#pragma once

#include <windows.h>

#include "element_model.h"

namespace storvane::exui {

struct ListLayout {
  float scale = 1.0f;
  int itemWidth = 0;    // logical; <= 0: the viewport width less 24
  int itemHeight = 90;  // logical
  int viewWidth = 0;    // pixels
  int viewHeight = 0;   // pixels
  int scroll = 0;       // pixels from the top of the first item
  int count = 0;

  int ItemHeightPx() const;
  int ItemWidthPx() const;
  int ContentHeight() const;
  int MaxScroll() const;
  int ClampScroll(int offset) const;

  // Rectangle of an item in client pixels (it may lie outside the viewport).
  RECT ItemRect(int item) const;
  // Rectangle of an element of an item in client pixels.
  RECT ElementRect(int item, const ElemTemplate& element) const;
  // Item under a client point, -1 for none.
  int ItemAt(POINT client) const;
  // Displayed element of `item` under the point: buttons win over other kinds, later elements
  // over earlier ones; -1 for none. Elements without size or display never count.
  int ElementAt(const ElementModel& model, int item, POINT client) const;
  // True when the item is at least partly inside the viewport.
  bool ItemVisible(int item) const;
  // The scroll offset that brings the whole item into view with the least movement.
  int ScrollToShow(int item) const;

  // Overlay scroll bar: present only when the content is taller than the viewport.
  bool HasScrollBar() const;
  // Zone at the right edge where the bar reacts to the mouse.
  RECT ScrollZone() const;
  // The thumb, narrow (6 px) or wide (10 px, while the mouse is over the bar).
  RECT Thumb(bool wide) const;
  // Scroll offset for the thumb's top at `thumbTop` pixels (dragging).
  int ScrollForThumbTop(int thumbTop) const;
};

}  // namespace storvane::exui
