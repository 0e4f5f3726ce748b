#include "uilib/runtime.h"

#include <algorithm>

#include "uilib/skin_units.h"
#include "util/win_text.h"
#include "util/window.h"

namespace storvane::uilib {
namespace {

constexpr wchar_t kWindowClass[] = L"StorvaneWindow";
constexpr wchar_t kLabelClass[] = L"StorvaneLabel";
// Posted to a window right after it is shown; its handler is the window's "shown" event.
constexpr UINT kShownMessage = WM_APP + 0x75;

// Windows loaded and not yet destroyed, in loading order. User-interface thread only.
std::vector<Window*>& LoadedWindows() {
  static std::vector<Window*> windows;
  return windows;
}

int NextWindowSerial() {
  static int serial = 0;
  return ++serial;
}

LRESULT CALLBACK RuntimeWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* created = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
    created->Attach(hwnd);
  }
  auto* window = reinterpret_cast<Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (window == nullptr) return ::DefWindowProcW(hwnd, message, wParam, lParam);
  return window->Handle(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK LabelWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* unit = reinterpret_cast<Unit*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (unit != nullptr) {
    if (message == kFeedbackMessage) {
      if (unit->design().onFeedback == nullptr) return 0;
      return unit->design().onFeedback(*unit, static_cast<int>(wParam), static_cast<int>(lParam));
    }
    if (message == WM_NCDESTROY) {
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      unit->Forget();
    }
  }
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

bool RegisterRuntimeClasses() {
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof(existing);
  if (!::GetClassInfoExW(instance, kWindowClass, &existing)) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &RuntimeWindowProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    wc.lpszClassName = kWindowClass;
    if (::RegisterClassExW(&wc) == 0) return false;
  }
  if (!::GetClassInfoExW(instance, kLabelClass, &existing)) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &LabelWindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = kLabelClass;
    if (::RegisterClassExW(&wc) == 0) return false;
  }
  return true;
}

RECT PixelBoundsOf(HWND hwnd) {
  RECT rect{};
  if (hwnd == nullptr) return rect;
  ::GetWindowRect(hwnd, &rect);
  ::MapWindowPoints(nullptr, ::GetParent(hwnd), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

RECT CentredOn(const RECT& area, int width, int height) {
  const int left = area.left + (area.right - area.left - width) / 2;
  const int top = area.top + (area.bottom - area.top - height) / 2;
  return RECT{left, top, left + width, top + height};
}

// Runs a modal loop until `hwnd` is gone; a quit message met on the way is put back for the
// outer loop.
void RunUntilDestroyed(HWND hwnd) {
  MSG msg;
  while (::IsWindow(hwnd)) {
    if (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        ::PostQuitMessage(static_cast<int>(msg.wParam));
        break;
      }
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
      continue;
    }
    // Not GetMessage: a message sent from another thread is handled inside the wait, and when
    // its handler closes this window (a worker's feedback pass during which the download ends)
    // the loop must notice at once, not at the next posted message or input.
    ::MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}

Window* Load(const WindowDesign& design, Window* parent, bool modal, const ContextMaker& makeContext) {
  auto* window = new Window(design, parent, modal);  // deleted by its own final window message
  if (!window->Create(makeContext)) return nullptr;
  HWND hwnd = window->hwnd();
  // Disabled already while the creation handler runs: it may dispatch messages, and the parent
  // must not take clicks that would open a second modal window meanwhile.
  if (modal && parent != nullptr) ::EnableWindow(parent->hwnd(), FALSE);
  if (design.onCreated != nullptr) design.onCreated(*window);
  if (!::IsWindow(hwnd)) return nullptr;  // the creation handler closed it
  window->FitIntoWorkArea();
  if (!::IsWindow(hwnd)) return nullptr;  // the size handler closed it
  ::ShowWindow(hwnd, SW_SHOW);
  ::UpdateWindow(hwnd);
  ::SetForegroundWindow(hwnd);
  ::PostMessageW(hwnd, kShownMessage, 0, 0);
  return window;
}

}  // namespace

// ---- units -------------------------------------------------------------------------------------

Unit::Unit(Window& window, const UnitDesign& design, int index) : window_(window), design_(design) {
  record_.unitId1 = window.serial();
  record_.unitId2 = index;
  record_.unitRecord = this;
}

SkinType Unit::skinType() const {
  switch (design_.type) {
    case UnitType::WindowEx:
      return SkinType::WindowEx;
    case UnitType::LabelEx:
      return SkinType::LabelEx;
    case UnitType::PictureBoxEx:
      return SkinType::PictureBoxEx;
    case UnitType::ProgressbarEx:
      return SkinType::ProgressbarEx;
    case UnitType::IcoListboxEx:
      return SkinType::IcoListboxEx;
    case UnitType::ButtonEx:
      return SkinType::ButtonEx;
    case UnitType::MinutesboxEx:
    case UnitType::Label:
      break;
  }
  return SkinType::MinutesboxEx;
}

void Unit::Create(HWND parent) {
  caption_ = design_.caption != nullptr ? design_.caption : "";
  const int left = window_.ToPixels(design_.left);
  const int top = window_.ToPixels(design_.top);
  const int width = window_.ToPixels(design_.width);
  const int height = window_.ToPixels(design_.height);
  if (!skinned()) {
    hwnd_ =
        ::CreateWindowExW(0, kLabelClass, GbkToWide(caption_).c_str(), WS_CHILD | (design_.visible ? WS_VISIBLE : 0),
                          left, top, width, height, parent, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    if (hwnd_ != nullptr) ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return;
  }
  hwnd_ = CreateSkinnedUnit(skinType(), parent, left, top, width, height, design_.visible, record_);
  if (hwnd_ == nullptr) return;
  // Looked up once, here on the user-interface thread, so that workers setting a progress
  // position need no lookup of their own.
  control_ = ControlOfWindow(hwnd_);
  if (!caption_.empty()) SetSkinAttributeText(skinType(), control(), EXUI_ATTR_CAPTION, caption_);
  if (design_.type == UnitType::ProgressbarEx) SetRangeMax(design_.rangeMax);
}

std::string Unit::Caption() const {
  if (skinned() || hwnd_ == nullptr) return caption_;
  return WideToGbk(WindowText(hwnd_));
}

void Unit::SetCaption(std::string_view caption) {
  caption_ = caption;
  if (hwnd_ == nullptr) return;
  if (skinned()) {
    SetSkinAttributeText(skinType(), control(), EXUI_ATTR_CAPTION, caption_);
  } else {
    ::SetWindowTextW(hwnd_, GbkToWide(caption_).c_str());
  }
}

bool Unit::Visible() const { return hwnd_ != nullptr && (::GetWindowLongW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0; }

void Unit::SetVisible(bool visible) {
  if (hwnd_ != nullptr) ::ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
}

RECT Unit::Bounds() const {
  const RECT px = PixelBoundsOf(hwnd_);
  // Edges and size converted apart, as they were scaled: a unit reads back the numbers it was
  // given.
  const int left = window_.ToDesignUnits(px.left);
  const int top = window_.ToDesignUnits(px.top);
  return RECT{left, top, left + window_.ToDesignUnits(px.right - px.left),
              top + window_.ToDesignUnits(px.bottom - px.top)};
}

int Unit::Width() const {
  const RECT px = PixelBoundsOf(hwnd_);
  return window_.ToDesignUnits(px.right - px.left);
}

int Unit::Height() const {
  const RECT px = PixelBoundsOf(hwnd_);
  return window_.ToDesignUnits(px.bottom - px.top);
}

void Unit::Move(int left, int top, int width, int height) {
  MovePixels(window_.ToPixels(left), window_.ToPixels(top), window_.ToPixels(std::max(width, 0)),
             window_.ToPixels(std::max(height, 0)));
}

void Unit::MovePixels(int left, int top, int width, int height) {
  if (hwnd_ != nullptr) ::MoveWindow(hwnd_, left, top, std::max(width, 0), std::max(height, 0), TRUE);
}

void Unit::SetLeft(int left) { Move(left, Top(), Width(), Height()); }
void Unit::SetTop(int top) { Move(Left(), top, Width(), Height()); }
void Unit::SetWidth(int width) { Move(Left(), Top(), width, Height()); }
void Unit::SetHeight(int height) { Move(Left(), Top(), Width(), height); }

ExuiValue Unit::Attribute(int id) const {
  return skinned() && hwnd_ != nullptr ? GetSkinAttribute(skinType(), control(), id) : 0;
}

bool Unit::SetAttribute(int id, ExuiValue value) {
  return skinned() && hwnd_ != nullptr && SetSkinAttribute(skinType(), control(), id, value) != 0;
}

LRESULT Unit::SendFeedback(int a, int b) const {
  if (hwnd_ == nullptr) return 0;
  return ::SendMessageW(hwnd_, kFeedbackMessage, static_cast<WPARAM>(a), static_cast<LPARAM>(b));
}

int Unit::Dispatch(int event, std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d) {
  if (event == kUnitFocus && design_.onFocus != nullptr) design_.onFocus(*this, a, b);
  return design_.onEvent != nullptr ? design_.onEvent(*this, event, a, b, c, d) : 0;
}

int DispatchUnitEvent(void* unitRecord, int event, std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d) {
  return unitRecord != nullptr ? static_cast<Unit*>(unitRecord)->Dispatch(event, a, b, c, d) : 0;
}

void ReleaseUnitRecord(void* unitRecord) {
  auto* unit = static_cast<Unit*>(unitRecord);
  unit->eventRecord().unitRecord = nullptr;  // late events of the dying control reach nothing
  unit->Forget();
}

// ---- windows -----------------------------------------------------------------------------------

Window::Window(const WindowDesign& design, Window* parent, bool modal)
    : design_(design), parent_(parent), modal_(modal), serial_(NextWindowSerial()) {}

bool Window::Create(const ContextMaker& makeContext) {
  if (!RegisterRuntimeClasses()) {
    delete this;
    return false;
  }
  const DWORD style = WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX;
  const DWORD exStyle = parent_ == nullptr ? WS_EX_APPWINDOW : 0;
  RECT area{};
  if (parent_ != nullptr) {
    area = parent_->ScreenBounds();
  } else {
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  }
  auto placeFor = [&](int clientWidth, int clientHeight) {
    RECT frame{0, 0, clientWidth, clientHeight};
    ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    return CentredOn(area, frame.right - frame.left, frame.bottom - frame.top);
  };
  const RECT place = placeFor(design_.width, design_.height);
  LoadedWindows().push_back(this);
  HWND hwnd =
      ::CreateWindowExW(exStyle, kWindowClass, GbkToWide(design_.caption).c_str(), style, place.left, place.top,
                        place.right - place.left, place.bottom - place.top,
                        parent_ != nullptr ? parent_->hwnd() : nullptr, nullptr, ::GetModuleHandleW(nullptr), this);
  if (hwnd == nullptr) {
    // A window that got as far as its final message has already deleted itself.
    if (std::find(LoadedWindows().begin(), LoadedWindows().end(), this) != LoadedWindows().end()) {
      std::erase(LoadedWindows(), this);
      delete this;
    }
    return false;
  }
  // The DPI is the one of the monitor the window was made on; only now is it known.
  dpi_ = DpiOfWindow(hwnd);
  if (dpi_ != USER_DEFAULT_SCREEN_DPI) {
    const RECT scaled = placeFor(ToPixels(design_.width), ToPixels(design_.height));
    ::SetWindowPos(hwnd, nullptr, scaled.left, scaled.top, scaled.right - scaled.left, scaled.bottom - scaled.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
  }
  int index = 0;
  for (const UnitDesign& unitDesign : design_.units) {
    auto unit = std::make_unique<Unit>(*this, unitDesign, index++);
    HWND parent = hwnd_;
    if (unitDesign.container != nullptr) {
      if (Unit* container = FindUnit(unitDesign.container); container != nullptr && container->hwnd() != nullptr) {
        parent = container->hwnd();
      }
    }
    unit->Create(parent);
    units_.push_back(std::move(unit));
  }
  // Before `ready_`: no size or focus handler runs without it.
  if (makeContext) context_ = makeContext(*this);
  ready_ = true;
  FitFillingUnits();
  return true;
}

Unit* Window::FindUnit(std::string_view name) const {
  for (const auto& unit : units_) {
    if (unit->name() == name) return unit.get();
  }
  return nullptr;
}

Unit* Window::FindUnitOfControl(ExuiControl control) const {
  if (control == 0) return nullptr;
  for (const auto& unit : units_) {
    if (unit->control() == control) return unit.get();
  }
  return nullptr;
}

RECT Window::ScreenBounds() const {
  RECT rect{};
  if (hwnd_ != nullptr) ::GetWindowRect(hwnd_, &rect);
  return rect;
}

int Window::Width() const {
  const RECT r = ScreenBounds();
  return r.right - r.left;
}

int Window::Height() const {
  const RECT r = ScreenBounds();
  return r.bottom - r.top;
}

int Window::ClientWidth() const {
  RECT r{};
  if (hwnd_ != nullptr) ::GetClientRect(hwnd_, &r);
  return ToDesignUnits(r.right);
}

int Window::ClientHeight() const {
  RECT r{};
  if (hwnd_ != nullptr) ::GetClientRect(hwnd_, &r);
  return ToDesignUnits(r.bottom);
}

int Window::ToPixels(int designUnits) const { return ::MulDiv(designUnits, dpi_, USER_DEFAULT_SCREEN_DPI); }

int Window::ToDesignUnits(int pixels) const { return ::MulDiv(pixels, USER_DEFAULT_SCREEN_DPI, dpi_); }

void Window::FitIntoWorkArea() {
  if (hwnd_ == nullptr) return;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!::GetMonitorInfoW(::MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST), &monitor)) return;
  const RECT& work = monitor.rcWork;
  const RECT now = ScreenBounds();
  const LONG width = std::min(now.right - now.left, work.right - work.left);
  const LONG height = std::min(now.bottom - now.top, work.bottom - work.top);
  const LONG left = std::clamp(now.left, work.left, work.right - width);
  const LONG top = std::clamp(now.top, work.top, work.bottom - height);
  if (left == now.left && top == now.top && width == now.right - now.left && height == now.bottom - now.top) return;
  ::SetWindowPos(hwnd_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Window::MoveTo(int left, int top) {
  if (hwnd_ != nullptr) ::SetWindowPos(hwnd_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Window::RequestClose() const {
  if (hwnd_ != nullptr) ::PostMessageW(hwnd_, WM_CLOSE, 0, 0);
}

void Window::FitFillingUnits() {
  // In pixels: a frame rounded through design units could miss the last pixel of the client.
  RECT client{};
  if (hwnd_ != nullptr) ::GetClientRect(hwnd_, &client);
  for (const auto& unit : units_) {
    if (unit->design().fillsWindow) unit->MovePixels(0, 0, client.right, client.bottom);
  }
}

void Window::ChangeDpi(int dpi, const RECT& suggested) {
  if (dpi <= 0 || hwnd_ == nullptr) return;
  // Every unit keeps its place in design units: read them all at the old scale, then place them
  // at the new one, before any handler sees the new size.
  std::vector<RECT> places;
  places.reserve(units_.size());
  for (const auto& unit : units_) places.push_back(unit->Bounds());
  dpi_ = dpi;
  rescaling_ = true;
  for (std::size_t i = 0; i < units_.size(); ++i) {
    const RECT& r = places[i];
    if (!units_[i]->design().fillsWindow) units_[i]->Move(r.left, r.top, r.right - r.left, r.bottom - r.top);
  }
  ::SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  rescaling_ = false;
  if (ready_) {
    FitFillingUnits();
    if (design_.onSizeChanged != nullptr) design_.onSizeChanged(*this);
  }
}

LRESULT Window::Handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      if (design_.onCloseQuery != nullptr && !design_.onCloseQuery(*this)) return 0;
      ::DestroyWindow(hwnd);
      return 0;
    case WM_SIZE:
      if (ready_ && !rescaling_) {
        FitFillingUnits();
        if (design_.onSizeChanged != nullptr) design_.onSizeChanged(*this);
      }
      break;
    case WM_DPICHANGED:
      // Moved to a monitor of another DPI: the system suggests the rectangle that keeps the
      // window's size in design units where the mouse left it. Where the system has no DPI per
      // window (Windows 8.1), the library keeps the screen's for its controls, and so do units.
      ChangeDpi(SystemHasWindowDpi() ? LOWORD(wParam) : DpiOfWindow(hwnd), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_ACTIVATE:
      if (design_.onFocus != nullptr) design_.onFocus(*this, LOWORD(wParam) != WA_INACTIVE ? 1 : 0, 0);
      break;
    case kShownMessage:
      if (!shown_) {
        shown_ = true;
        if (design_.onShown != nullptr) design_.onShown(*this);
      }
      return 0;
    case WM_DESTROY:
      // Before the window goes, so that activation returns to the parent and not elsewhere.
      if (modal_ && parent_ != nullptr && parent_->hwnd() != nullptr) ::EnableWindow(parent_->hwnd(), TRUE);
      break;
    case WM_NCDESTROY: {
      std::erase(LoadedWindows(), this);
      for (Window* other : LoadedWindows()) {
        if (other->parent_ == this) other->parent_ = nullptr;
      }
      const bool last = parent_ == nullptr && !modal_;
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      delete this;
      if (last) ::PostQuitMessage(0);
      return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
    default:
      break;
  }
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

Window* LoadWindow(const WindowDesign& design, Window* parent, const ContextMaker& makeContext) {
  return Load(design, parent, false, makeContext);
}

void LoadModalWindow(const WindowDesign& design, Window* parent, const ContextMaker& makeContext) {
  Window* window = Load(design, parent, true, makeContext);
  if (window == nullptr) {
    if (parent != nullptr && parent->hwnd() != nullptr) ::EnableWindow(parent->hwnd(), TRUE);
    return;
  }
  HWND hwnd = window->hwnd();
  RunUntilDestroyed(hwnd);
  if (parent != nullptr && parent->hwnd() != nullptr) {
    ::EnableWindow(parent->hwnd(), TRUE);
    ::SetForegroundWindow(parent->hwnd());
  }
}

Window* FindLoadedWindow(std::string_view designName) {
  for (Window* window : LoadedWindows()) {
    if (std::string_view(window->design().name) == designName) return window;
  }
  return nullptr;
}

Unit* FindLoadedUnit(std::string_view designName, std::string_view unitName) {
  Window* window = FindLoadedWindow(designName);
  return window != nullptr ? window->FindUnit(unitName) : nullptr;
}

Unit* FindUnitOfControl(ExuiControl control) {
  for (Window* window : LoadedWindows()) {
    if (Unit* unit = window->FindUnitOfControl(control)) return unit;
  }
  return nullptr;
}

int RunMessageLoop() {
  MSG msg;
  BOOL got;
  while ((got = ::GetMessageW(&msg, nullptr, 0, 0)) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return got == 0 ? static_cast<int>(msg.wParam) : -1;
}

int RuntimeMessageBox(std::string_view text, UINT type, std::string_view caption, HWND owner) {
  return ::MessageBoxW(owner, GbkToWide(text).c_str(), GbkToWide(caption).c_str(), type | MB_TASKMODAL);
}

}  // namespace storvane::uilib
