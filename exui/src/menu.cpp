#include "menu.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>

#include "control.h"
#include "draw.h"
#include "library.h"

namespace storvane::exui {

namespace {

constexpr wchar_t kMenuClass[] = L"StorvaneExuiMenu";
constexpr UINT kMsgMenuKey = WM_APP + 0x3E2;

// The open menu of this thread, for the keyboard hook.
thread_local Menu* t_openMenu = nullptr;
constexpr uint32_t kDefaultText = 0xFF606060;
constexpr uint32_t kDefaultDisabled = 0xFFC0C0C0;

int Px(float value) { return static_cast<int>(std::lround(value)); }

bool RegisterMenuClass(WNDPROC proc) {
  static const bool registered = [proc] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DROPSHADOW;  // the system's popup shadow where it offers one
    wc.lpfnWndProc = proc;
    wc.hInstance = Library::Instance().Module();
    wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = kMenuClass;
    return ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }();
  return registered;
}

}  // namespace

MenuMetrics ComputeMenuMetrics(const std::vector<MenuEntry>& entries, const MenuLook& look, float scale,
                               const std::vector<float>& textWidths, float lineHeight) {
  MenuMetrics m;
  float padding = look.padding * scale;
  float indent = look.textIndent * scale;
  float content = 0.0f;
  for (size_t i = 0; i < entries.size(); ++i) {
    float text = i < textWidths.size() ? textWidths[i] : 0.0f;
    float need = entries[i].separator ? 0.0f : std::ceil(text) + 2.0f * indent;
    content = std::max({content, entries[i].width * scale, need});
  }
  int border = 1;
  int left = border + Px(padding);
  int right = left + Px(content);
  int y = border + Px(padding);
  for (const auto& entry : entries) {
    float height = entry.height * scale;
    if (!entry.separator) height = std::max(height, lineHeight + 4.0f * scale);
    int h = std::max(1, Px(height));
    m.entries.push_back(RECT{left, y, right, y + h});
    y += h;
  }
  m.width = right + Px(padding) + border;
  m.height = y + Px(padding) + border;
  return m;
}

int NextSelectable(const std::vector<MenuEntry>& entries, int from, int direction) {
  int n = static_cast<int>(entries.size());
  if (n == 0 || direction == 0) return -1;
  int i = from;
  if (i < 0 || i >= n) i = direction > 0 ? -1 : n;
  for (int step = 0; step < n; ++step) {
    i += direction > 0 ? 1 : -1;
    if (i >= n) i = 0;
    if (i < 0) i = n - 1;
    if (entries[static_cast<size_t>(i)].Selectable()) return i;
  }
  return -1;
}

POINT PlacePopup(POINT at, SIZE size, const RECT& work) {
  POINT p = at;
  if (p.x + size.cx > work.right) p.x = at.x - size.cx;
  if (p.y + size.cy > work.bottom) p.y = at.y - size.cy;
  p.x = std::max(p.x, work.left);
  p.y = std::max(p.y, work.top);
  p.x = std::min(p.x, std::max(work.left, work.right - size.cx));
  p.y = std::min(p.y, std::max(work.top, work.bottom - size.cy));
  return p;
}

Menu::Menu(int32_t handle, MenuLook look, FontSpec font, int alpha, ExuiMenuProc proc, ExuiValue userValue)
    : handle_(handle),
      look_(look),
      font_(std::move(font)),
      alpha_(std::clamp(alpha, 0, 255)),
      proc_(proc),
      userValue_(userValue) {
  // A fully transparent menu would be unusable: treat 0 as "opaque".
  if (alpha_ == 0) alpha_ = 255;
}

Menu::~Menu() { DestroyWindowNow(); }

void Menu::DestroyWindowNow() {
  open_ = false;
  keyboardHook_.reset();
  if (t_openMenu == this) t_openMenu = nullptr;
  if (window_ != nullptr) {
    HWND window = window_;
    window_ = nullptr;
    ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    ::DestroyWindow(window);
  }
}

int32_t Menu::Insert(int position, const char* caption, uint32_t textColour, uint32_t disabledColour, int width,
                     int height, bool separator, bool disabled) {
  if (entries_.size() >= 1024) return 0;
  MenuEntry entry;
  entry.handle = Library::Instance().NextHandle();
  entry.caption = caption != nullptr ? caption : "";
  entry.wide = Wide(entry.caption);
  entry.textColour = textColour;
  entry.disabledColour = disabledColour;
  entry.width = std::clamp(width, 0, 4096);
  entry.height = std::clamp(height, 1, 1024);
  entry.separator = separator;
  entry.disabled = disabled;
  int at = (position < 0 || position > Count()) ? Count() : position;
  entries_.insert(entries_.begin() + at, entry);
  if (hot_ >= at) ++hot_;
  if (open_) {
    metrics_ = Measure();
    ::InvalidateRect(window_, nullptr, FALSE);
  }
  return entry.handle;
}

bool Menu::Remove(int32_t entry) {
  int index = IndexOf(entry);
  if (index < 0) return false;
  entries_.erase(entries_.begin() + index);
  hot_ = -1;
  if (open_) metrics_ = Measure();
  return true;
}

int Menu::IndexOf(int32_t entry) const {
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].handle == entry) return static_cast<int>(i);
  }
  return -1;
}

const MenuEntry* Menu::Find(int32_t entry) const {
  int index = IndexOf(entry);
  return index < 0 ? nullptr : &entries_[static_cast<size_t>(index)];
}

bool Menu::SetDisabled(int32_t entry, bool disabled) {
  int index = IndexOf(entry);
  if (index < 0) return false;
  entries_[static_cast<size_t>(index)].disabled = disabled;
  if (disabled && hot_ == index) hot_ = -1;
  if (window_ != nullptr) ::InvalidateRect(window_, nullptr, FALSE);
  return true;
}

bool Menu::SetTitle(int32_t entry, const char* caption) {
  int index = IndexOf(entry);
  if (index < 0) return false;
  auto& e = entries_[static_cast<size_t>(index)];
  e.caption = caption != nullptr ? caption : "";
  e.wide = Wide(e.caption);
  if (window_ != nullptr) ::InvalidateRect(window_, nullptr, FALSE);
  return true;
}

MenuMetrics Menu::Measure() const {
  std::vector<float> widths;
  float line = 0.0f;
  HDC screen = ::GetDC(nullptr);
  {
    Gdiplus::Graphics g(screen);
    PrepareGraphics(g);
    Gdiplus::Font* font = CachedFont(font_, scale_);
    line = LineHeight(g, font);
    for (const auto& entry : entries_) widths.push_back(MeasureLine(g, entry.wide, font).Width);
  }
  ::ReleaseDC(nullptr, screen);
  return ComputeMenuMetrics(entries_, look_, scale_, widths, line);
}

bool Menu::EnsureWindow(HWND owner) {
  if (window_ != nullptr && owner_ == owner) return true;
  DestroyWindowNow();
  if (!Library::Instance().EnsureGdiplus() || !RegisterMenuClass(&Menu::WindowProc)) return false;
  if (owner != nullptr && !::IsWindow(owner)) owner = nullptr;
  if (owner != nullptr) owner = ::GetAncestor(owner, GA_ROOT);
  DWORD exStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
  if (alpha_ < 255) exStyle |= WS_EX_LAYERED;
  window_ = ::CreateWindowExW(exStyle, kMenuClass, L"", WS_POPUP, 0, 0, 1, 1, owner, nullptr,
                              Library::Instance().Module(), this);
  if (window_ == nullptr) return false;
  owner_ = owner;
  if (alpha_ < 255) ::SetLayeredWindowAttributes(window_, 0, static_cast<BYTE>(alpha_), LWA_ALPHA);
  return true;
}

bool Menu::PopUp(int x, int y, HWND owner, bool wait) {
  if (open_) Close(false);
  if (entries_.empty() || !EnsureWindow(owner)) return false;
  scale_ = ScaleOfWindow(owner != nullptr ? owner : window_);
  metrics_ = Measure();
  POINT at{x, y};
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  RECT work{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  if (::GetMonitorInfoW(::MonitorFromPoint(at, MONITOR_DEFAULTTONEAREST), &monitor)) work = monitor.rcWork;
  POINT place = PlacePopup(at, SIZE{metrics_.width, metrics_.height}, work);
  hot_ = -1;
  open_ = true;
  ::SetWindowPos(window_, HWND_TOPMOST, place.x, place.y, metrics_.width, metrics_.height,
                 SWP_SHOWWINDOW | SWP_NOACTIVATE);
  // Like the system's menus, this one leaves the activation with its owner. It holds the
  // mouse capture, so a click anywhere else in the program closes it, and losing the capture
  // (another program came to the front) closes it too; the keyboard reaches it through a hook
  // on this thread.
  ::SetCapture(window_);
  t_openMenu = this;
  keyboardHook_.reset(::SetWindowsHookExW(WH_KEYBOARD, &Menu::KeyboardHook, nullptr, ::GetCurrentThreadId()));
  ::InvalidateRect(window_, nullptr, FALSE);
  ::UpdateWindow(window_);
  if (wait) {
    auto keep = shared_from_this();
    MSG msg;
    while (open_) {
      BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
      if (got == 0) {
        ::PostQuitMessage(static_cast<int>(msg.wParam));
        Close(true);
        break;
      }
      if (got < 0) break;
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  return true;
}

void Menu::Close(bool notify) {
  if (!open_) return;
  open_ = false;
  hot_ = -1;
  keyboardHook_.reset();
  if (t_openMenu == this) t_openMenu = nullptr;
  if (window_ != nullptr) {
    if (::GetCapture() == window_) ::ReleaseCapture();
    ::ShowWindow(window_, SW_HIDE);
  }
  ::PostMessageW(nullptr, WM_NULL, 0, 0);  // wakes a waiting PopUp loop
  if (notify && proc_ != nullptr) proc_(handle_, EXUI_MENU_CLOSED, 0, -1, userValue_, 0);
}

bool Menu::Choose(int index) {
  if (!open_ || index < 0 || index >= Count() || !entries_[static_cast<size_t>(index)].Selectable()) return false;
  int32_t entry = entries_[static_cast<size_t>(index)].handle;
  auto keep = shared_from_this();
  Close(false);
  if (proc_ != nullptr) proc_(handle_, EXUI_MENU_CHOSEN, entry, index, userValue_, 0);
  return true;
}

int Menu::EntryAt(POINT client) const {
  for (size_t i = 0; i < metrics_.entries.size(); ++i) {
    if (::PtInRect(&metrics_.entries[i], client)) return static_cast<int>(i);
  }
  return -1;
}

void Menu::SetHot(int index) {
  if (index >= 0 && (index >= Count() || !entries_[static_cast<size_t>(index)].Selectable())) index = -1;
  if (index == hot_) return;
  hot_ = index;
  if (window_ != nullptr) ::InvalidateRect(window_, nullptr, FALSE);
}

void Menu::Paint(HDC dc) {
  RECT client{};
  ::GetClientRect(window_, &client);
  Surface surface;
  if (!surface.Ensure(dc, client.right, client.bottom)) return;
  {
    Gdiplus::Graphics g(surface.Dc());
    PrepareGraphics(g);
    float w = static_cast<float>(client.right);
    float h = static_cast<float>(client.bottom);
    Gdiplus::SolidBrush back(Argb(look_.background));
    g.FillRectangle(&back, 0.0f, 0.0f, w, h);
    g.SetSmoothingMode(Gdiplus::SmoothingModeNone);
    Gdiplus::Pen border(Argb(look_.border), 1.0f);
    g.DrawRectangle(&border, 0.0f, 0.0f, w - 1.0f, h - 1.0f);
    g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    Gdiplus::Font* font = CachedFont(font_, scale_);
    for (size_t i = 0; i < entries_.size() && i < metrics_.entries.size(); ++i) {
      const MenuEntry& e = entries_[i];
      const RECT& r = metrics_.entries[i];
      Gdiplus::RectF box(static_cast<float>(r.left), static_cast<float>(r.top), static_cast<float>(r.right - r.left),
                         static_cast<float>(r.bottom - r.top));
      if (e.separator) {
        Gdiplus::SolidBrush line(Argb(look_.separator));
        float y = std::floor(box.Y + box.Height / 2.0f);
        g.FillRectangle(&line, Gdiplus::RectF(box.X + 4.0f * scale_, y, box.Width - 8.0f * scale_, 1.0f));
        continue;
      }
      if (static_cast<int>(i) == hot_ && e.Selectable()) {
        Gdiplus::SolidBrush hover(Argb(look_.hoverFill));
        FillRoundRect(g, hover, box, look_.radius * scale_);
      }
      uint32_t colour = e.disabled ? ((e.disabledColour >> 24) ? e.disabledColour : kDefaultDisabled)
                                   : ((e.textColour >> 24) ? e.textColour : kDefaultText);
      float indent = look_.textIndent * scale_;
      DrawTextIn(g, e.wide, font, Argb(colour),
                 Gdiplus::RectF(box.X + indent, box.Y, box.Width - 2 * indent, box.Height),
                 EXUI_TEXT_SINGLELINE | EXUI_TEXT_VCENTER);
    }
  }
  ::BitBlt(dc, 0, 0, client.right, client.bottom, surface.Dc(), 0, 0, SRCCOPY);
}

LRESULT CALLBACK Menu::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    auto* menu = static_cast<Menu*>(create->lpCreateParams);
    menu->window_ = window;
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(menu));
  }
  auto* self = reinterpret_cast<Menu*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
  auto keep = self->weak_from_this().lock();
  return self->HandleMessage(message, wParam, lParam);
}

LRESULT Menu::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND window = window_;
  POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = ::BeginPaint(window, &ps);
      if (dc != nullptr) Paint(dc);
      ::EndPaint(window, &ps);
      return 0;
    }
    case WM_PRINTCLIENT:
      Paint(reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_MOUSEMOVE:
      SetHot(EntryAt(at));
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      RECT client{};
      ::GetClientRect(window, &client);
      if (!::PtInRect(&client, at)) Close(true);  // a click outside the menu
      return 0;
    }
    case WM_LBUTTONUP: {
      int index = EntryAt(at);
      if (index >= 0) Choose(index);
      return 0;
    }
    case WM_CAPTURECHANGED:
      // Another window took the mouse: the menu no longer sees outside clicks, so it goes.
      if (open_ && reinterpret_cast<HWND>(lParam) != window) Close(true);
      return 0;
    case WM_KEYDOWN:
    case kMsgMenuKey:
      OnKey(wParam);
      return 0;
    case WM_GETOBJECT:
      if (static_cast<long>(lParam) == OBJID_CLIENT) return AnswerGetObject(shared_from_this(), wParam, lParam);
      break;
    case kMsgAccDefault:
      Choose(static_cast<int>(wParam));
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

void Menu::OnKey(WPARAM key) {
  if (!open_) return;
  switch (key) {
    case VK_UP:
      SetHot(NextSelectable(entries_, hot_, -1));
      break;
    case VK_DOWN:
      SetHot(NextSelectable(entries_, hot_, +1));
      break;
    case VK_HOME:
      SetHot(NextSelectable(entries_, -1, +1));
      break;
    case VK_END:
      SetHot(NextSelectable(entries_, -1, -1));
      break;
    case VK_RETURN:
    case VK_SPACE:
      if (hot_ >= 0) Choose(hot_);
      break;
    case VK_ESCAPE:
      Close(true);
      break;
    default:
      break;
  }
}

LRESULT CALLBACK Menu::KeyboardHook(int code, WPARAM wParam, LPARAM lParam) {
  Menu* menu = t_openMenu;
  if (code == HC_ACTION && menu != nullptr && menu->open_ && menu->window_ != nullptr) {
    // Key presses become the menu's; the reaction runs from the menu's own window procedure,
    // outside the hook, since choosing may open message boxes. Every key is kept from the
    // focused window while the menu is open, as the system's menus do.
    bool pressed = (lParam & 0x80000000) == 0;
    if (pressed) ::PostMessageW(menu->window_, kMsgMenuKey, wParam, 0);
    return 1;
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

AccInfo Menu::AccSelf() const {
  AccInfo info;
  info.role = ROLE_SYSTEM_MENUPOPUP;
  if (window_ != nullptr) {
    ::GetWindowRect(window_, &info.screen);
    if (!open_) info.state |= STATE_SYSTEM_INVISIBLE;
  }
  return info;
}

bool Menu::AccChild(int index, AccInfo& out) const {
  if (index < 1 || index > Count()) return false;
  const MenuEntry& e = entries_[static_cast<size_t>(index - 1)];
  out = AccInfo{};
  out.role = e.separator ? ROLE_SYSTEM_SEPARATOR : ROLE_SYSTEM_MENUITEM;
  out.name = e.wide;
  if (!e.separator) out.defaultAction = L"执行";
  if (e.disabled) out.state |= STATE_SYSTEM_UNAVAILABLE;
  if (index - 1 == hot_) out.state |= STATE_SYSTEM_HOTTRACKED | STATE_SYSTEM_FOCUSED;
  if (!open_) out.state |= STATE_SYSTEM_INVISIBLE;
  if (window_ != nullptr && static_cast<size_t>(index - 1) < metrics_.entries.size()) {
    out.screen = ClientToScreenRect(window_, metrics_.entries[static_cast<size_t>(index - 1)]);
  }
  return true;
}

bool Menu::AccDoDefault(int index) {
  if (!open_ || index < 1 || index > Count() || !entries_[static_cast<size_t>(index - 1)].Selectable()) return false;
  return ::PostMessageW(window_, kMsgAccDefault, static_cast<WPARAM>(index - 1), 0) != FALSE;
}

}  // namespace storvane::exui
