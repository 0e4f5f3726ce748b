#include "ico_list.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>

#include "image.h"
#include "library.h"

namespace storvane::exui {

namespace {

constexpr uint32_t kHoverRow = 0xFFF7F9FC;
constexpr uint32_t kSeparator = 0xFFF0F0F0;
constexpr uint32_t kDefaultText = 0xFF333333;
constexpr uint32_t kButtonText = 0xFF999797;
constexpr uint32_t kPlaceholderFill = 0xFFF1F3F4;
constexpr uint32_t kPlaceholderGlyph = 0xFFC4C7CC;
constexpr uint32_t kThumb = 0xFFC8C8C8;
constexpr uint32_t kThumbHot = 0xFFA8A8A8;
constexpr float kIconRadius = 10.0f;
constexpr int kWheelStep = 60;  // logical pixels per wheel notch
constexpr int kKeyStep = 40;

Gdiplus::RectF ToRectF(const RECT& r) {
  return Gdiplus::RectF(static_cast<float>(r.left), static_cast<float>(r.top), static_cast<float>(r.right - r.left),
                        static_cast<float>(r.bottom - r.top));
}

// One item as an accessible object of its own, whose children are the item's buttons.
class ItemSource final : public AccessibleSource {
public:
  ItemSource(std::weak_ptr<IcoList> list, int item) : list_(std::move(list)), item_(item) {}

  HWND AccWindow() const override {
    auto list = list_.lock();
    return list && item_ < list->Model().ItemCount() ? list->Window() : nullptr;
  }
  AccInfo AccSelf() const override {
    auto list = list_.lock();
    return list ? list->ItemInfo(item_) : AccInfo{};
  }
  int AccChildCount() const override {
    auto list = list_.lock();
    return list ? list->ItemChildCount(item_) : 0;
  }
  bool AccChild(int index, AccInfo& out) const override {
    auto list = list_.lock();
    return list && list->ItemChildInfo(item_, index, out);
  }
  std::shared_ptr<AccessibleSource> AccParentObject() const override { return list_.lock(); }
  bool AccDoDefault(int index) override {
    auto list = list_.lock();
    if (!list) return false;
    if (index == 0) return list->AccDoDefault(item_ + 1);
    auto buttons = list->Model().Buttons(item_);
    if (index < 1 || index > static_cast<int>(buttons.size())) return false;
    return list->PostClick(item_, buttons[static_cast<size_t>(index - 1)]);
  }

private:
  std::weak_ptr<IcoList> list_;
  int item_;
};

}  // namespace

IcoList::IcoList() : Control(EXUI_TYPE_ICOLISTBOX) {}

ListLayout IcoList::Layout() const {
  ListLayout layout;
  layout.scale = Scale();
  layout.itemWidth = itemWidth_;
  layout.itemHeight = itemHeight_;
  RECT client{};
  if (Window() != nullptr) ::GetClientRect(Window(), &client);
  layout.viewWidth = client.right;
  layout.viewHeight = client.bottom;
  layout.scroll = scroll_;
  layout.count = model_.ItemCount();
  return layout;
}

void IcoList::ScrollTo(int offset) {
  int clamped = Layout().ClampScroll(offset);
  if (clamped == scroll_) return;
  scroll_ = clamped;
  Invalidate();
  Raise(EXUI_EV_SCROLL, scroll_);
}

void IcoList::ModelChanged() {
  scroll_ = Layout().ClampScroll(scroll_);
  Invalidate();
}

int IcoList::InsertItem(int position) {
  int index = model_.InsertItem(position);
  if (index >= 0) ModelChanged();
  return index;
}

bool IcoList::DeleteItem(int item) {
  if (!model_.DeleteItem(item)) return false;
  hotItem_ = pressedItem_ = clickItem_ = -1;
  ModelChanged();
  return true;
}

bool IcoList::EnsureVisible(int item) {
  if (item < 0 || item >= model_.ItemCount()) return false;
  ScrollTo(Layout().ScrollToShow(item));
  return true;
}

bool IcoList::SetAttribute(int id, ExuiValue value) {
  const auto n = static_cast<int32_t>(value);
  switch (id) {
    case EXUI_ATTR_ITEM_WIDTH:
      itemWidth_ = std::max(0, n);
      Invalidate();
      return true;
    case EXUI_ATTR_ITEM_HEIGHT:
      if (n <= 0) return false;
      itemHeight_ = n;
      ModelChanged();
      return true;
    case EXUI_ATTR_SCROLL_POS:
      ScrollTo(n);
      return true;
    default:
      return Control::SetAttribute(id, value);
  }
}

ExuiValue IcoList::GetAttribute(int id) {
  switch (id) {
    case EXUI_ATTR_ITEM_WIDTH:
      return itemWidth_ > 0 ? itemWidth_ : static_cast<int32_t>(Layout().ItemWidthPx() / Scale());
    case EXUI_ATTR_ITEM_HEIGHT:
      return itemHeight_;
    case EXUI_ATTR_SCROLL_POS:
      return scroll_;
    case EXUI_ATTR_HOT_ITEM:
      return hotItem_;
    default:
      return Control::GetAttribute(id);
  }
}

// ---- painting ---------------------------------------------------------------------------

void IcoList::Paint(Gdiplus::Graphics& g, float, float) {
  ListLayout layout = Layout();
  if (layout.count > 0) {
    int first = std::max(0, layout.scroll / layout.ItemHeightPx());
    for (int item = first; item < layout.count; ++item) {
      RECT r = layout.ItemRect(item);
      if (r.top >= layout.viewHeight) break;
      PaintItem(g, layout, item);
    }
  }
  PaintScrollBar(g, layout);
}

void IcoList::PaintItem(Gdiplus::Graphics& g, const ListLayout& layout, int item) {
  RECT row = layout.ItemRect(item);
  if (item == hotItem_) {
    Gdiplus::SolidBrush hover(Argb(kHoverRow));
    g.FillRectangle(&hover, ToRectF(row));
  }
  {
    Gdiplus::SolidBrush line(Argb(kSeparator));
    float s = Scale();
    g.FillRectangle(&line, Gdiplus::RectF(static_cast<float>(row.left), static_cast<float>(row.bottom) - 1.0f,
                                          static_cast<float>(row.right - row.left), std::max(1.0f, std::floor(s))));
  }
  for (int e = 0; e < model_.ElementCount(); ++e) {
    const ElemTemplate* t = model_.Template(e);
    const ElemData* d = model_.Data(item, e);
    if (t->kind == ElemKind::kNone || d == nullptr || !d->display || t->width <= 0 || t->height <= 0) continue;
    RECT r = layout.ElementRect(item, *t);
    switch (t->kind) {
      case ElemKind::kImage:
        PaintImage(g, r, *d);
        break;
      case ElemKind::kText:
        PaintText(g, r, *t, *d);
        break;
      case ElemKind::kButton:
        PaintButton(g, r, *t, *d, item, e);
        break;
      case ElemKind::kNone:
        break;
    }
  }
}

void IcoList::PaintImage(Gdiplus::Graphics& g, const RECT& r, const ElemData& data) {
  Gdiplus::RectF box = ToRectF(r);
  float radius = kIconRadius * Scale();
  if (data.image) {
    int w = r.right - r.left;
    int h = r.bottom - r.top;
    if (Gdiplus::Bitmap* bitmap = data.image->Scaled(w, h)) {
      // A texture fill keeps the rounded corners anti-aliased (a clip path would not).
      Gdiplus::TextureBrush brush(bitmap, Gdiplus::WrapModeClamp);
      brush.TranslateTransform(box.X, box.Y);
      FillRoundRect(g, brush, box, radius);
      return;
    }
  }
  // No picture: a neutral tile with a four-square glyph instead of a hole.
  Gdiplus::SolidBrush tile(Argb(kPlaceholderFill));
  FillRoundRect(g, tile, box, radius);
  Gdiplus::SolidBrush glyph(Argb(kPlaceholderGlyph));
  float cell = std::min(box.Width, box.Height) * 0.16f;
  float gap = cell * 0.35f;
  float x0 = box.X + box.Width / 2.0f - cell - gap / 2.0f;
  float y0 = box.Y + box.Height / 2.0f - cell - gap / 2.0f;
  for (int i = 0; i < 4; ++i) {
    float x = x0 + (i % 2) * (cell + gap);
    const int row = i / 2;
    float y = y0 + static_cast<float>(row) * (cell + gap);
    FillRoundRect(g, glyph, Gdiplus::RectF(x, y, cell, cell), cell * 0.3f);
  }
}

void IcoList::PaintText(Gdiplus::Graphics& g, const RECT& r, const ElemTemplate& t, const ElemData& data) {
  if (data.text.empty()) return;
  Gdiplus::Font* font = CachedFont(t.hasFont ? t.font : fontSpec_, Scale());
  DrawTextIn(g, Wide(data.text), font, ArgbOr(data.colour, kDefaultText), ToRectF(r), t.format);
}

void IcoList::PaintButton(Gdiplus::Graphics& g, const RECT& r, const ElemTemplate& t, const ElemData& data, int item,
                          int element) {
  const ButtonLook& look = t.look;
  bool hot = hotItem_ == item && hotElement_ == element;
  bool pressed = pressedItem_ == item && pressedElement_ == element;
  bool flat = t.width < t.height;  // the narrow "▼" kind of button
  int visual = kButtonNormal;
  if (data.state != 0 || data.selected != 0) {
    visual = kButtonActive;
  } else if (pressed && hot) {
    visual = kButtonPressed;
  } else if (hot || pressed) {
    visual = kButtonHover;
  }
  Gdiplus::RectF box = ToRectF(r);
  float s = Scale();
  float radius = look.radius * s;
  if (flat) {
    if (hot || pressed) {
      Gdiplus::SolidBrush fill(Argb(pressed && hot ? look.fill[kButtonPressed] : look.flatHover));
      FillRoundRect(g, fill, box, radius);
    }
  } else {
    Gdiplus::SolidBrush fill(Argb(look.fill[visual]));
    FillRoundRect(g, fill, box, radius);
    StrokeRoundRect(g, Argb(look.border[visual]), std::max(1.0f, std::floor(look.borderWidth * s)), box, radius);
  }
  uint32_t text = look.text[visual];
  if ((text >> 24) == 0 || flat) text = (data.colour >> 24) != 0 ? data.colour : kButtonText;
  if (flat && (hot || pressed) && (look.text[kButtonHover] >> 24) != 0) text = look.text[kButtonHover];
  Gdiplus::Font* font = CachedFont(t.hasFont ? t.font : fontSpec_, s);
  DrawTextIn(g, Wide(data.text), font, Argb(text), box, EXUI_TEXT_SINGLELINE | EXUI_TEXT_HCENTER | EXUI_TEXT_VCENTER);
}

void IcoList::PaintScrollBar(Gdiplus::Graphics& g, const ListLayout& layout) {
  if (!layout.HasScrollBar()) return;
  bool wide = barHot_ || draggingThumb_;
  RECT thumb = layout.Thumb(wide);
  Gdiplus::SolidBrush brush(Argb(wide ? kThumbHot : kThumb));
  Gdiplus::RectF box = ToRectF(thumb);
  FillRoundRect(g, brush, box, box.Width / 2.0f);
}

// ---- input ------------------------------------------------------------------------------

void IcoList::UpdateHot(POINT client) {
  ListLayout layout = Layout();
  RECT zone = layout.ScrollZone();
  bool barHot = ::PtInRect(&zone, client) != FALSE;
  int item = barHot ? -1 : layout.ItemAt(client);
  int element = item >= 0 ? layout.ElementAt(model_, item, client) : -1;
  if (element >= 0 && model_.Template(element)->kind != ElemKind::kButton) element = -1;
  bool changed = item != hotItem_ || element != hotElement_ || barHot != barHot_;
  bool itemChanged = item != hotItem_;
  hotItem_ = item;
  hotElement_ = element;
  barHot_ = barHot;
  if (changed) Invalidate();
  if (itemChanged) Raise(EXUI_EV_HOT_ITEM, item);
}

void IcoList::ClearHot() {
  if (hotItem_ < 0 && !barHot_) return;
  hotItem_ = hotElement_ = -1;
  barHot_ = false;
  Invalidate();
  Raise(EXUI_EV_HOT_ITEM, -1);
}

void IcoList::OnWheel(int delta) {
  wheelRemainder_ += delta;
  int notches = wheelRemainder_ / WHEEL_DELTA;
  if (notches == 0) return;
  wheelRemainder_ -= notches * WHEEL_DELTA;
  ScrollTo(scroll_ - notches * static_cast<int>(std::lround(kWheelStep * Scale())));
}

bool IcoList::ClickElement(int item, int element, int x, int y) {
  const ElemTemplate* t = model_.Template(element);
  const ElemData* d = model_.Data(item, element);
  if (t == nullptr || d == nullptr) return false;
  if (t->kind == ElemKind::kButton && t->clickProc != 0) {
    auto proc = reinterpret_cast<ExuiElemClickProc>(t->clickProc);
    // The routine may run a modal loop or change the list; nothing here is held across it.
    proc(Handle(), EXUI_ELEM_CLICK, 1, item, -1, element, x, y, d->state);
    return true;
  }
  Raise(EXUI_EV_ITEM_CLICK, item, element);
  return true;
}

bool IcoList::PostClick(int item, int element) {
  if (Window() == nullptr || model_.Data(item, element) == nullptr) return false;
  return ::PostMessageW(Window(), kMsgAccDefault, static_cast<WPARAM>(item), static_cast<LPARAM>(element)) != FALSE;
}

void IcoList::OnButtonDown(UINT message, POINT at) {
  HWND window = Window();
  ::SetFocus(window);
  ListLayout layout = Layout();
  RECT zone = layout.ScrollZone();
  if (::PtInRect(&zone, at)) {
    RECT thumb = layout.Thumb(true);
    if (at.y >= thumb.top && at.y < thumb.bottom) {
      draggingThumb_ = true;
      dragOffset_ = at.y - thumb.top;
      ::SetCapture(window);
    } else {
      // A click on the track pages towards the click.
      ScrollTo(scroll_ + (at.y < thumb.top ? -layout.viewHeight : layout.viewHeight));
    }
    Invalidate();
    return;
  }
  int item = layout.ItemAt(at);
  int element = layout.ElementAt(model_, item, at);
  if (element >= 0 && model_.Template(element)->kind == ElemKind::kButton) {
    // A quick second click on a button is a click, not a double click.
    pressedItem_ = item;
    pressedElement_ = element;
    hotItem_ = item;
    hotElement_ = element;
    ::SetCapture(window);
    Invalidate();
    return;
  }
  if (item >= 0 && message == WM_LBUTTONDBLCLK) {
    Raise(EXUI_EV_ITEM_DBLCLICK, item);
    return;
  }
  clickItem_ = item;
}

void IcoList::OnButtonUp(POINT at) {
  if (draggingThumb_) {
    draggingThumb_ = false;
    ::ReleaseCapture();
    UpdateHot(at);
    Invalidate();
    return;
  }
  ListLayout layout = Layout();
  int item = layout.ItemAt(at);
  int element = layout.ElementAt(model_, item, at);
  if (pressedItem_ >= 0) {
    int pItem = pressedItem_;
    int pElement = pressedElement_;
    pressedItem_ = pressedElement_ = -1;
    if (::GetCapture() == Window()) ::ReleaseCapture();
    UpdateHot(at);
    Invalidate();
    if (item == pItem && element == pElement) {
      RECT row = layout.ItemRect(item);
      ClickElement(item, element, at.x - row.left, at.y - row.top);
    }
    return;
  }
  if (clickItem_ >= 0 && clickItem_ == item) {
    clickItem_ = -1;
    Raise(EXUI_EV_ITEM_CLICK, item, element);
  }
  clickItem_ = -1;
}

bool IcoList::OnKey(WPARAM key) {
  ListLayout layout = Layout();
  int step = static_cast<int>(std::lround(kKeyStep * Scale()));
  switch (key) {
    case VK_UP:
      ScrollTo(scroll_ - step);
      return true;
    case VK_DOWN:
      ScrollTo(scroll_ + step);
      return true;
    case VK_PRIOR:
      ScrollTo(scroll_ - layout.viewHeight);
      return true;
    case VK_NEXT:
      ScrollTo(scroll_ + layout.viewHeight);
      return true;
    case VK_HOME:
      ScrollTo(0);
      return true;
    case VK_END:
      ScrollTo(layout.MaxScroll());
      return true;
    default:
      return false;
  }
}

LRESULT IcoList::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
  POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  switch (message) {
    case WM_MOUSEMOVE:
      if (draggingThumb_) {
        ScrollTo(Layout().ScrollForThumbTop(at.y - dragOffset_));
        handled = true;
        return 0;
      }
      UpdateHot(at);
      return 0;  // the base class tracks enter / leave
    case WM_MOUSELEAVE:
      if (!draggingThumb_) ClearHot();
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      handled = true;
      OnButtonDown(message, at);
      return 0;
    case WM_LBUTTONUP:
      handled = true;
      OnButtonUp(at);
      return 0;
    case WM_CAPTURECHANGED:
      if (pressedItem_ >= 0 || draggingThumb_) {
        pressedItem_ = pressedElement_ = -1;
        draggingThumb_ = false;
        Invalidate();
      }
      return 0;
    case WM_MOUSEWHEEL:
      OnWheel(GET_WHEEL_DELTA_WPARAM(wParam));
      handled = true;
      return 0;
    case WM_GETDLGCODE:
      handled = true;
      return DLGC_WANTARROWS;
    case WM_KEYDOWN:
      handled = OnKey(wParam);
      return 0;
    case WM_SIZE:
      scroll_ = Layout().ClampScroll(scroll_);
      return 0;  // the base class repaints and raises the event
    case kMsgAccDefault: {
      handled = true;
      int item = static_cast<int>(wParam);
      int element = static_cast<int>(lParam);
      if (model_.Data(item, element) == nullptr) return 0;
      EnsureVisible(item);
      ClickElement(item, element, -1, -1);
      return 0;
    }
    default:
      return 0;
  }
}

// ---- accessibility ----------------------------------------------------------------------

std::wstring IcoList::ElementText(int item, int element) const {
  const ElemData* d = model_.Data(item, element);
  return d != nullptr ? Wide(d->text) : std::wstring();
}

AccInfo IcoList::AccSelf() const {
  AccInfo info = Control::AccSelf();
  return info;
}

AccInfo IcoList::ItemInfo(int item) const {
  AccInfo info;
  if (item < 0 || item >= model_.ItemCount() || Window() == nullptr) return info;
  ListLayout layout = Layout();
  info.role = ROLE_SYSTEM_LISTITEM;
  int title = model_.TitleElement(item);
  if (title >= 0) info.name = ElementText(item, title);
  int action = model_.ActionElement(item);
  if (action >= 0) {
    info.value = ElementText(item, action);
    info.defaultAction = L"按下";
  }
  info.screen = ClientToScreenRect(Window(), layout.ItemRect(item));
  info.state = STATE_SYSTEM_SELECTABLE;
  if (!layout.ItemVisible(item)) info.state |= STATE_SYSTEM_OFFSCREEN | STATE_SYSTEM_INVISIBLE;
  if (item == hotItem_) info.state |= STATE_SYSTEM_HOTTRACKED;
  return info;
}

int IcoList::ItemChildCount(int item) const {
  return static_cast<int>(model_.Buttons(item).size() + model_.Texts(item).size());
}

bool IcoList::ItemChildInfo(int item, int child, AccInfo& out) const {
  auto buttons = model_.Buttons(item);
  if (child < 1 || Window() == nullptr) return false;
  ListLayout layout = Layout();
  out = AccInfo{};
  if (child > static_cast<int>(buttons.size())) {
    auto texts = model_.Texts(item);
    size_t index = static_cast<size_t>(child) - buttons.size() - 1;
    if (index >= texts.size()) return false;
    const ElemTemplate& t = *model_.Template(texts[index]);
    out.role = ROLE_SYSTEM_STATICTEXT;
    out.state = STATE_SYSTEM_READONLY;
    out.name = ElementText(item, texts[index]);
    RECT where = layout.ElementRect(item, t);
    if (HDC dc = ::GetDC(Window())) {
      {
        Gdiplus::Graphics g(dc);
        PrepareGraphics(g);
        Gdiplus::RectF e =
            TextExtent(g, out.name, CachedFont(t.hasFont ? t.font : fontSpec_, Scale()), ToRectF(where), t.format);
        if (e.Width > 0) {
          where = RECT{static_cast<LONG>(std::floor(e.X)), static_cast<LONG>(std::floor(e.Y)),
                       static_cast<LONG>(std::ceil(e.X + e.Width)), static_cast<LONG>(std::ceil(e.Y + e.Height))};
        }
      }
      ::ReleaseDC(Window(), dc);
    }
    out.screen = ClientToScreenRect(Window(), where);
    if (!layout.ItemVisible(item)) out.state |= STATE_SYSTEM_OFFSCREEN | STATE_SYSTEM_INVISIBLE;
    return true;
  }
  int element = buttons[static_cast<size_t>(child - 1)];
  out.role = ROLE_SYSTEM_PUSHBUTTON;
  out.name = ElementText(item, element);
  out.defaultAction = L"按下";
  out.screen = ClientToScreenRect(Window(), layout.ElementRect(item, *model_.Template(element)));
  if (!layout.ItemVisible(item)) out.state |= STATE_SYSTEM_OFFSCREEN | STATE_SYSTEM_INVISIBLE;
  const ElemData* d = model_.Data(item, element);
  if (d->state != 0) out.state |= STATE_SYSTEM_CHECKED;
  if (hotItem_ == item && hotElement_ == element) out.state |= STATE_SYSTEM_HOTTRACKED;
  if (pressedItem_ == item && pressedElement_ == element) out.state |= STATE_SYSTEM_PRESSED;
  return true;
}

bool IcoList::AccChild(int index, AccInfo& out) const {
  if (index < 1 || index > model_.ItemCount()) return false;
  out = ItemInfo(index - 1);
  return true;
}

std::shared_ptr<AccessibleSource> IcoList::AccChildObject(int index) const {
  if (index < 1 || index > model_.ItemCount()) return nullptr;
  size_t slot = static_cast<size_t>(index - 1);
  if (itemSources_.size() <= slot) itemSources_.resize(slot + 1);
  if (!itemSources_[slot]) {
    auto self = std::static_pointer_cast<IcoList>(std::const_pointer_cast<Control>(shared_from_this()));
    itemSources_[slot] = std::make_shared<ItemSource>(self, index - 1);
  }
  return itemSources_[slot];
}

bool IcoList::AccDoDefault(int index) {
  if (index < 1 || index > model_.ItemCount()) return false;
  int action = model_.ActionElement(index - 1);
  return action >= 0 && PostClick(index - 1, action);
}

int IcoList::AccHitTest(POINT screen) const {
  if (Window() == nullptr) return -1;
  POINT client = screen;
  ::ScreenToClient(Window(), &client);
  RECT all{};
  ::GetClientRect(Window(), &all);
  if (!::PtInRect(&all, client)) return -1;
  int item = Layout().ItemAt(client);
  return item >= 0 ? item + 1 : 0;
}

}  // namespace storvane::exui
