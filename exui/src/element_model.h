// The element model of the icon list: one template of elements (image, text and button kinds
// with their places, fonts, formats, skins and click routines) shared by every item, and per
// item the data of each element (content, colour, display switch, state flag).
//
// Pure data: no windows and no drawing, so every rule here is testable on its own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "exui/include/exui_api.h"
#include "font.h"
#include "skin.h"

namespace storvane::exui {

class Image;

enum class ElemKind { kNone, kImage, kText, kButton };

struct ElemTemplate {
  ElemKind kind = ElemKind::kNone;
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool hasFont = false;
  FontSpec font;
  int format = 0;
  ExuiValue clickProc = 0;  // an ExuiElemClickProc
  ButtonLook look;
};

struct ElemData {
  bool display = true;
  int32_t state = 0;
  int32_t selected = 0;
  uint32_t colour = 0;
  std::string text;  // GBK
  std::shared_ptr<Image> image;
};

class ElementModel {
public:
  // Template.
  // Inserts `count` elements of no kind at `position` (-1 or beyond the end: appended); items'
  // data follows the new numbering. Returns the element count afterwards, 0 when refused.
  int InsertElements(int position, int count);
  int ElementCount() const { return static_cast<int>(template_.size()); }
  ElemTemplate* Template(int element);
  const ElemTemplate* Template(int element) const;

  // Items.
  // Inserts an item at `position` (-1 or beyond the end: appended) and returns its index.
  int InsertItem(int position);
  bool DeleteItem(int item);
  int ItemCount() const { return static_cast<int>(items_.size()); }

  // Element data of an item; null for an item or element out of range. Data exists for every
  // template element of every item.
  ElemData* Data(int item, int element);
  const ElemData* Data(int item, int element) const;

  // The element an accessible item names (its first displayed text element with content,
  // normally element 1) and the button it acts with (the first displayed button with a
  // caption, normally element 4); -1 when there is none.
  int TitleElement(int item) const;
  int ActionElement(int item) const;
  // Displayed button elements of an item, in element order.
  std::vector<int> Buttons(int item) const;
  // Displayed text elements of an item that have a place and a text, in element order.
  std::vector<int> Texts(int item) const;

  // Limits that keep a damaged call from exhausting memory.
  static constexpr int kMaxElements = 256;
  static constexpr int kMaxItems = 1 << 20;

private:
  std::vector<ElemTemplate> template_;
  std::vector<std::vector<ElemData>> items_;
};

}  // namespace storvane::exui
