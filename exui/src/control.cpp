#include "control.h"

#include <windowsx.h>

#include <algorithm>

#include "library.h"
#include "util/win_text.h"

namespace storvane::exui {

namespace {

constexpr wchar_t kControlClass[] = L"StorvaneExuiControl";
constexpr UINT kDpiChangedAfterParent = 0x02E3;
// Far from the ids control kinds use for their own timers (animations count from 1).
constexpr UINT_PTR kIdleSurfaceTimer = 0x5EC0;
constexpr UINT kIdleSurfaceMs = 3000;

// Units overlap (the frame lies under everything) and their host windows are transparent, so
// the system does not keep a lower unit's painting out of the units above it. Every paint
// leaves out the visible windows that lie above this one or above any of its ancestors.
void ExcludeWindowsAbove(HDC dc, HWND self) {
  for (HWND level = self; level != nullptr && (::GetWindowLongW(level, GWL_STYLE) & WS_CHILD);
       level = ::GetParent(level)) {
    for (HWND above = ::GetWindow(level, GW_HWNDPREV); above != nullptr; above = ::GetWindow(above, GW_HWNDPREV)) {
      if (!::IsWindowVisible(above)) continue;
      RECT r{};
      ::GetWindowRect(above, &r);
      ::MapWindowPoints(nullptr, self, reinterpret_cast<POINT*>(&r), 2);
      ::ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
    }
  }
}

}  // namespace

std::wstring Wide(const char* gbk) { return gbk == nullptr ? std::wstring() : GbkToWide(gbk); }
std::wstring Wide(const std::string& gbk) { return GbkToWide(gbk); }
std::string Gbk(const std::wstring& wide) { return WideToGbk(wide); }

Control::Control(ExuiControlType type) : type_(type) {}

Control::~Control() = default;

bool Control::RegisterWindowClass() {
  static const bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &Control::WindowProc;
    wc.hInstance = Library::Instance().Module();
    wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = kControlClass;
    return ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }();
  return registered;
}

bool Control::Create(HWND parent, int left, int top, int width, int height, ExuiEventProc eventProc,
                     ExuiEventRecord* record) {
  if (!Library::Instance().EnsureGdiplus() || !RegisterWindowClass()) return false;
  eventProc_ = eventProc;
  record_ = record;
  HWND host = record != nullptr ? static_cast<HWND>(record->hostWindow) : nullptr;
  if (host != nullptr && ::IsWindow(host)) {
    host_ = host;
    parent = host;
    RECT client{};
    ::GetClientRect(host, &client);
    left = 0;
    top = 0;
    width = client.right;
    height = client.bottom;
  }
  if (parent != nullptr && !::IsWindow(parent)) return false;
  DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  if (parent == nullptr) style = WS_POPUP;  // a control without any parent still gets a window
  handle_ = Library::Instance().NextHandle();
  HWND window = ::CreateWindowExW(0, kControlClass, L"", style, left, top, std::max(width, 0), std::max(height, 0),
                                  parent, nullptr, Library::Instance().Module(), this);
  if (window == nullptr) return false;
  scale_ = ScaleOfWindow(window);
  MarkOwnWindow(window, handle_);
  if (host_ != nullptr) {
    ::SetPropW(host_, kTabControlProperty, reinterpret_cast<HANDLE>(static_cast<intptr_t>(handle_)));
    // Our window lies inside the host, so it is the host's topmost child.
    ::SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  created_ = true;
  return true;
}

void Control::Destroy() {
  if (host_ != nullptr && ::IsWindow(host_)) {
    auto value = static_cast<int32_t>(reinterpret_cast<intptr_t>(::GetPropW(host_, kTabControlProperty)));
    if (value == handle_) ::RemovePropW(host_, kTabControlProperty);
  }
  if (window_ != nullptr) ::DestroyWindow(window_);
  window_ = nullptr;
}

void Control::SyncToHost(int mode) {
  if (window_ == nullptr || host_ == nullptr) return;
  RECT client{};
  ::GetClientRect(host_, &client);
  ::SetWindowPos(window_, nullptr, 0, 0, client.right, client.bottom, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
  if (mode == 0) {
    RECT unit = UnitRect();
    Raise(EXUI_EV_MOVE, unit.left, unit.top);
  }
}

namespace {
thread_local int t_quietFocus = 0;
}  // namespace

QuietFocusScope::QuietFocusScope() { ++t_quietFocus; }
QuietFocusScope::~QuietFocusScope() { --t_quietFocus; }
bool QuietFocusScope::Active() { return t_quietFocus > 0; }

int Control::Raise(int code, int a, int b, int c, int d) {
  if (eventProc_ == nullptr || !created_) return 0;
  if (code == EXUI_EV_FOCUS && QuietFocusScope::Active()) return 0;
  return eventProc_(record_, code, a, b, c, d);
}

RECT Control::UnitRect() const {
  RECT rect{};
  HWND outer = Outer();
  if (outer == nullptr) return rect;
  ::GetWindowRect(outer, &rect);
  HWND parent = ::GetParent(outer);
  if (parent != nullptr && (::GetWindowLongW(outer, GWL_STYLE) & WS_CHILD)) {
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  }
  return rect;
}

bool Control::SetUnitRect(int left, int top, int width, int height) {
  HWND outer = Outer();
  if (outer == nullptr) return false;
  ::SetWindowPos(outer, nullptr, left, top, std::max(width, 0), std::max(height, 0), SWP_NOZORDER | SWP_NOACTIVATE);
  // A host resized by us follows the same way as one resized by the runtime.
  SyncToHost(1);
  return true;
}

bool Control::Visible() const {
  HWND outer = Outer();
  return outer != nullptr && (::GetWindowLongW(outer, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Control::SetVisible(bool visible) {
  HWND outer = Outer();
  if (outer == nullptr) return;
  ::ShowWindow(outer, visible ? SW_SHOWNA : SW_HIDE);
  if (host_ != nullptr && window_ != nullptr) ::ShowWindow(window_, SW_SHOWNA);
}

void Control::SetDisabled(bool disabled) {
  disabled_ = disabled;
  if (window_ != nullptr) ::EnableWindow(window_, disabled ? FALSE : TRUE);
  Invalidate();
}

int Control::LockUpdate() {
  const int count = ++lockCount_;
  // The picture to show while locked is the one of this moment. It can only be drawn on the
  // window's own thread; locked from elsewhere, the first paint under the lock draws it.
  if (count == 1 && window_ != nullptr && ::GetWindowThreadProcessId(window_, nullptr) == ::GetCurrentThreadId()) {
    RECT client{};
    ::GetClientRect(window_, &client);
    if (HDC screen = ::GetDC(window_)) {
      Render(heldPicture_, screen, client.right, client.bottom);
      ::ReleaseDC(window_, screen);
    }
  }
  return count;
}

int Control::UnlockUpdate() {
  int count = lockCount_.load();
  while (count > 0 && !lockCount_.compare_exchange_weak(count, count - 1)) {
  }
  int now = std::max(count - 1, 0);
  if (now == 0) Invalidate();
  return now;
}

void Control::Invalidate() {
  if (window_ == nullptr) return;
  // InvalidateRect is safe from any thread; the paint happens on the window's thread.
  ::InvalidateRect(window_, nullptr, FALSE);
}

void Control::SetCaption(const char* gbk) {
  caption_ = gbk != nullptr ? gbk : "";
  captionWide_ = Wide(caption_);
  Invalidate();
}

bool Control::SetAttribute(int id, ExuiValue value) {
  switch (id) {
    case EXUI_ATTR_CAPTION:
      SetCaption(reinterpret_cast<const char*>(value));
      return true;
    case EXUI_ATTR_FONT:
      fontSpec_ = FontSpec::FromDescriptor(Library::Instance().BinBytes(static_cast<ExuiBin>(value)));
      Invalidate();
      return true;
    case EXUI_ATTR_TEXT_COLOR:
      textColour_ = static_cast<uint32_t>(value);
      Invalidate();
      return true;
    case EXUI_ATTR_BACK_COLOR:
      backColour_ = static_cast<uint32_t>(value);
      Invalidate();
      return true;
    case EXUI_ATTR_BORDER_COLOR:
      borderColour_ = static_cast<uint32_t>(value);
      Invalidate();
      return true;
    case EXUI_ATTR_VISIBLE:
      SetVisible(value != 0);
      return true;
    case EXUI_ATTR_DISABLED:
      SetDisabled(value != 0);
      return true;
    default:
      return false;
  }
}

ExuiValue Control::GetAttribute(int id) {
  switch (id) {
    case EXUI_ATTR_CAPTION:
      return reinterpret_cast<ExuiValue>(Library::Instance().ReturnText(caption_));
    case EXUI_ATTR_FONT: {
      auto bytes = fontSpec_.ToDescriptor();
      std::string raw(bytes.begin(), bytes.end());
      // The 84 bytes contain zeros; the thread buffer keeps all of them.
      return reinterpret_cast<ExuiValue>(Library::Instance().ReturnText(raw));
    }
    case EXUI_ATTR_TEXT_COLOR:
      return static_cast<int32_t>(textColour_);
    case EXUI_ATTR_BACK_COLOR:
      return static_cast<int32_t>(backColour_);
    case EXUI_ATTR_BORDER_COLOR:
      return static_cast<int32_t>(borderColour_);
    case EXUI_ATTR_VISIBLE:
      return Visible() ? 1 : 0;
    case EXUI_ATTR_DISABLED:
      return disabled_ ? 1 : 0;
    default:
      return 0;
  }
}

uint32_t Control::BackdropColour() const {
  if ((backColour_ >> 24) != 0) return backColour_;
  if (type_ != EXUI_TYPE_WINDOW && window_ != nullptr) {
    HWND root = ::GetAncestor(window_, GA_ROOT);
    for (auto& other : Library::Instance().ControlsOfRoot(root)) {
      if (other->Type() == EXUI_TYPE_WINDOW && (other->backColour_ >> 24) != 0) return other->backColour_;
    }
  }
  return 0xFFFFFFFF;
}

Gdiplus::Font* Control::Font(float sizeFactor) const { return CachedFont(fontSpec_, scale_ * sizeFactor); }

AccInfo Control::AccSelf() const {
  AccInfo info;
  info.role = AccRole();
  info.name = captionWide_;
  RECT client{};
  if (window_ != nullptr) ::GetClientRect(window_, &client);
  info.screen = ClientToScreenRect(window_, client);
  if (!Visible()) info.state |= STATE_SYSTEM_INVISIBLE;
  if (disabled_) info.state |= STATE_SYSTEM_UNAVAILABLE;
  return info;
}

LRESULT Control::OnMessage(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

bool Control::Render(Surface& surface, HDC reference, int width, int height) {
  if (width <= 0 || height <= 0 || !surface.Ensure(reference, width, height)) return false;
  Gdiplus::Graphics g(surface.Dc());
  PrepareGraphics(g);
  Gdiplus::SolidBrush back(Argb(BackdropColour()));
  g.FillRectangle(&back, 0, 0, width, height);
  Paint(g, static_cast<float>(width), static_cast<float>(height));
  g.Flush(Gdiplus::FlushIntentionSync);
  return true;
}

void Control::PaintTo(HDC target) {
  RECT client{};
  ::GetClientRect(window_, &client);
  const int width = client.right;
  const int height = client.bottom;
  if (width <= 0 || height <= 0) return;
  // While updates are locked the control shows the picture it held when the lock began; otherwise
  // it paints through its thread's shared surface and keeps nothing.
  const bool locked = lockCount_ > 0;
  if (!locked) heldPicture_.Release();
  Surface& surface = locked ? heldPicture_ : Library::Instance().PaintSurface();
  if (!(locked && surface.Valid()) && !Render(surface, target, width, height)) return;
  ExcludeWindowsAbove(target, window_);
  ::BitBlt(target, 0, 0, width, height, surface.Dc(), 0, 0, SRCCOPY);
  // Each paint moves the check for an idle surface later.
  if (!locked) ::SetTimer(window_, kIdleSurfaceTimer, kIdleSurfaceMs, nullptr);
}

LRESULT CALLBACK Control::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    auto* self = static_cast<Control*>(create->lpCreateParams);
    self->window_ = window;
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Control*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    UnmarkOwnWindow(window);
    self->window_ = nullptr;
    return ::DefWindowProcW(window, message, wParam, lParam);
  }
  // Event routines may destroy the control; keep it alive until the message is done.
  std::shared_ptr<Control> keep = self->weak_from_this().lock();
  return self->HandleMessage(message, wParam, lParam);
}

LRESULT Control::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  bool handled = false;
  LRESULT result = OnMessage(message, wParam, lParam, handled);
  if (handled) return result;
  HWND window = window_;
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_TIMER:
      if (wParam != kIdleSurfaceTimer) break;
      ::KillTimer(window, kIdleSurfaceTimer);
      Library::Instance().ReleaseIdlePaintSurface(kIdleSurfaceMs);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = ::BeginPaint(window, &ps);
      if (dc != nullptr) PaintTo(dc);
      ::EndPaint(window, &ps);
      return 0;
    }
    case WM_PRINTCLIENT:
      PaintTo(reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_SIZE:
      Invalidate();
      Raise(EXUI_EV_SIZE, LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_SHOWWINDOW:
      Raise(EXUI_EV_VISIBLE, wParam ? 1 : 0);
      break;
    case WM_SETFOCUS:
      Raise(EXUI_EV_FOCUS, 1);
      return 0;
    case WM_KILLFOCUS:
      Raise(EXUI_EV_FOCUS, 0);
      return 0;
    case WM_MOUSEMOVE:
      if (!trackingLeave_) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window, 0};
        trackingLeave_ = ::TrackMouseEvent(&track) != FALSE;
        hot_ = true;
        Raise(EXUI_EV_MOUSE_ENTER);
      }
      return 0;
    case WM_MOUSELEAVE:
      trackingLeave_ = false;
      hot_ = false;
      Raise(EXUI_EV_MOUSE_LEAVE);
      return 0;
    case WM_LBUTTONDOWN:
      pressed_ = true;
      ::SetCapture(window);
      return 0;
    case WM_LBUTTONUP: {
      bool wasPressed = pressed_;
      pressed_ = false;
      if (::GetCapture() == window) ::ReleaseCapture();
      RECT client{};
      ::GetClientRect(window, &client);
      POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (wasPressed && ::PtInRect(&client, at)) Raise(EXUI_EV_CLICK, at.x, at.y);
      return 0;
    }
    case WM_CAPTURECHANGED:
      pressed_ = false;
      return 0;
    case WM_LBUTTONDBLCLK:
      Raise(EXUI_EV_DBLCLICK, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_RBUTTONUP:
      Raise(EXUI_EV_RCLICK, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_GETOBJECT:
      if (static_cast<long>(lParam) == OBJID_CLIENT) return AnswerGetObject(shared_from_this(), wParam, lParam);
      break;
    case kDpiChangedAfterParent:
      scale_ = ScaleOfWindow(window);
      Invalidate();
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace storvane::exui
