#include "list_layout.h"

#include <algorithm>
#include <cmath>

namespace storvane::exui {

namespace {

int Px(float logical, float scale) { return static_cast<int>(std::lround(logical * scale)); }

constexpr int kBarNarrow = 6;
constexpr int kBarWide = 10;
constexpr int kBarMargin = 2;
constexpr int kBarZone = 14;
constexpr int kThumbMin = 24;

}  // namespace

int ListLayout::ItemHeightPx() const { return std::max(1, Px(static_cast<float>(itemHeight), scale)); }

int ListLayout::ItemWidthPx() const {
  if (itemWidth > 0) return Px(static_cast<float>(itemWidth), scale);
  return std::max(0, viewWidth - Px(24.0f, scale));
}

int ListLayout::ContentHeight() const { return count * ItemHeightPx(); }

int ListLayout::MaxScroll() const { return std::max(0, ContentHeight() - viewHeight); }

int ListLayout::ClampScroll(int offset) const { return std::clamp(offset, 0, MaxScroll()); }

RECT ListLayout::ItemRect(int item) const {
  int top = item * ItemHeightPx() - scroll;
  return RECT{0, top, ItemWidthPx(), top + ItemHeightPx()};
}

RECT ListLayout::ElementRect(int item, const ElemTemplate& element) const {
  RECT base = ItemRect(item);
  int left = base.left + Px(static_cast<float>(element.left), scale);
  int top = base.top + Px(static_cast<float>(element.top), scale);
  return RECT{left, top, left + Px(static_cast<float>(element.width), scale),
              top + Px(static_cast<float>(element.height), scale)};
}

int ListLayout::ItemAt(POINT client) const {
  if (client.x < 0 || client.y < 0 || client.x >= ItemWidthPx() || client.y >= viewHeight) return -1;
  int item = (client.y + scroll) / ItemHeightPx();
  return item < count ? item : -1;
}

int ListLayout::ElementAt(const ElementModel& model, int item, POINT client) const {
  if (item < 0 || item >= count) return -1;
  int found = -1;
  bool foundButton = false;
  for (int e = 0; e < model.ElementCount(); ++e) {
    const ElemTemplate* t = model.Template(e);
    const ElemData* d = model.Data(item, e);
    if (t->kind == ElemKind::kNone || d == nullptr || !d->display || t->width <= 0 || t->height <= 0) continue;
    RECT r = ElementRect(item, *t);
    if (!::PtInRect(&r, client)) continue;
    bool button = t->kind == ElemKind::kButton;
    if (button || !foundButton) {
      found = e;
      foundButton = foundButton || button;
    }
  }
  return found;
}

bool ListLayout::ItemVisible(int item) const {
  RECT r = ItemRect(item);
  return item >= 0 && item < count && r.bottom > 0 && r.top < viewHeight;
}

int ListLayout::ScrollToShow(int item) const {
  if (item < 0 || item >= count) return scroll;
  int top = item * ItemHeightPx();
  int bottom = top + ItemHeightPx();
  int offset = scroll;
  if (top < offset) {
    offset = top;
  } else if (bottom > offset + viewHeight) {
    offset = bottom - viewHeight;
  }
  return ClampScroll(offset);
}

bool ListLayout::HasScrollBar() const { return ContentHeight() > viewHeight && viewHeight > 0; }

RECT ListLayout::ScrollZone() const {
  if (!HasScrollBar()) return RECT{};
  return RECT{viewWidth - Px(kBarZone, scale), 0, viewWidth, viewHeight};
}

RECT ListLayout::Thumb(bool wide) const {
  if (!HasScrollBar()) return RECT{};
  int margin = Px(kBarMargin, scale);
  int track = viewHeight - 2 * margin;
  int length = std::max(Px(kThumbMin, scale),
                        static_cast<int>(static_cast<long long>(track) * viewHeight / std::max(1, ContentHeight())));
  length = std::min(length, track);
  int travel = track - length;
  int top = margin + (MaxScroll() == 0 ? 0 : static_cast<int>(static_cast<long long>(travel) * scroll / MaxScroll()));
  int width = Px(wide ? kBarWide : kBarNarrow, scale);
  int right = viewWidth - margin;
  return RECT{right - width, top, right, top + length};
}

int ListLayout::ScrollForThumbTop(int thumbTop) const {
  if (!HasScrollBar()) return 0;
  RECT thumb = Thumb(false);
  int margin = Px(kBarMargin, scale);
  int travel = (viewHeight - 2 * margin) - (thumb.bottom - thumb.top);
  if (travel <= 0) return 0;
  long long offset = static_cast<long long>(thumbTop - margin) * MaxScroll() / travel;
  return ClampScroll(static_cast<int>(offset));
}

}  // namespace storvane::exui
