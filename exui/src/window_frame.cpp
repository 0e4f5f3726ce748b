#include "window_frame.h"

#include <windowsx.h>

#include <cmath>

#include "library.h"
#include "util/window.h"

namespace storvane::exui {

namespace {

constexpr float kButtonWidth = 46.0f;
constexpr uint32_t kBorder = 0xFFDADCE0;
constexpr uint32_t kCaptionColour = 0xFF202124;
constexpr uint32_t kButtonHover = 0xFFF0F0F0;
constexpr uint32_t kButtonPressed = 0xFFE0E0E0;
constexpr uint32_t kCloseHover = 0xFFE81123;
constexpr uint32_t kClosePressed = 0xFFF1707A;
constexpr uint32_t kGlyph = 0xFF404040;

}  // namespace

WindowFrame::WindowFrame() : Control(EXUI_TYPE_WINDOW) {}

float WindowFrame::TitleHeight() const { return titleHeight_ * Scale(); }

RECT WindowFrame::ButtonRect(Button button) const {
  RECT none{};
  if (Window() == nullptr || titleHeight_ <= 0) return none;
  RECT client{};
  ::GetClientRect(Window(), &client);
  const int width = static_cast<int>(std::lround(kButtonWidth * Scale()));
  const int height = static_cast<int>(std::lround(TitleHeight()));
  // Inside the 1 px border, flush with the top-right corner.
  int right = client.right - 1;
  if (buttons_ & 1) {
    if (button == kClose) return RECT{right - width, 1, right, height};
    right -= width;
  }
  if ((buttons_ & 2) && button == kMinimise) return RECT{right - width, 1, right, height};
  return none;
}

WindowFrame::Button WindowFrame::ButtonAt(POINT client) const {
  for (Button b : {kClose, kMinimise}) {
    RECT r = ButtonRect(b);
    if (::PtInRect(&r, client)) return b;
  }
  return kNone;
}

std::wstring WindowFrame::CaptionText() const {
  if (!CaptionWide().empty() || Window() == nullptr) return CaptionWide();
  // Without a caption of its own the frame shows its top-level window's title.
  HWND root = ::GetAncestor(Window(), GA_ROOT);
  return root != nullptr && root != Window() ? WindowText(root) : std::wstring();
}

void WindowFrame::SetHotButton(Button button) {
  if (hotButton_ == button) return;
  hotButton_ = button;
  Invalidate();
}

void WindowFrame::PressButton(Button button) {
  HWND root = Window() != nullptr ? ::GetAncestor(Window(), GA_ROOT) : nullptr;
  if (button == kClose) {
    if (Raise(EXUI_EV_CLOSE_CLICK) == 0 && root != nullptr) ::PostMessageW(root, WM_CLOSE, 0, 0);
  } else if (button == kMinimise) {
    if (Raise(EXUI_EV_MIN_CLICK) == 0 && root != nullptr) ::ShowWindow(root, SW_MINIMIZE);
  }
}

bool WindowFrame::SetAttribute(int id, ExuiValue value) {
  switch (id) {
    case EXUI_ATTR_TITLE_HEIGHT:
      titleHeight_ = value < 0 ? 0 : static_cast<int32_t>(value);
      Invalidate();
      return true;
    case EXUI_ATTR_BUTTONS:
      buttons_ = static_cast<int32_t>(value & 3);
      Invalidate();
      return true;
    case EXUI_ATTR_IMAGE:
      icon_ = Library::Instance().FindImage(static_cast<ExuiImage>(value));
      Invalidate();
      return value == 0 || icon_ != nullptr;
    default:
      return Control::SetAttribute(id, value);
  }
}

ExuiValue WindowFrame::GetAttribute(int id) {
  switch (id) {
    case EXUI_ATTR_TITLE_HEIGHT:
      return titleHeight_;
    case EXUI_ATTR_BUTTONS:
      return buttons_;
    default:
      return Control::GetAttribute(id);
  }
}

void WindowFrame::Paint(Gdiplus::Graphics& g, float width, float height) {
  float s = Scale();
  // Hairline border on whole pixels.
  Gdiplus::Pen border(ArgbOr(borderColour_, kBorder), 1.0f);
  g.SetSmoothingMode(Gdiplus::SmoothingModeNone);
  g.DrawRectangle(&border, 0.0f, 0.0f, width - 1.0f, height - 1.0f);
  g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
  if (titleHeight_ <= 0) return;

  float title = TitleHeight();
  float x = 16.0f * s;
  if (icon_) {
    float side = 20.0f * s;
    float top = (title - side) / 2.0f;
    const int pixels = static_cast<int>(std::lround(side));
    if (auto* bitmap = icon_->Scaled(pixels, pixels)) {
      g.DrawImage(bitmap, x, top, side, side);
    }
    x += side + 8.0f * s;
  }
  RECT minimise = ButtonRect(kMinimise);
  RECT close = ButtonRect(kClose);
  float captionRight = static_cast<float>((buttons_ & 2) ? minimise.left : (buttons_ & 1) ? close.left : width);
  DrawTextIn(g, CaptionText(), Font(), ArgbOr(textColour_, kCaptionColour),
             Gdiplus::RectF(x, 0.0f, captionRight - x - 8.0f * s, title), EXUI_TEXT_SINGLELINE | EXUI_TEXT_VCENTER);

  for (Button b : {kMinimise, kClose}) {
    RECT r = ButtonRect(b);
    if (r.right <= r.left) continue;
    Gdiplus::RectF box(static_cast<float>(r.left), static_cast<float>(r.top), static_cast<float>(r.right - r.left),
                       static_cast<float>(r.bottom - r.top));
    bool hot = hotButton_ == b && (pressedButton_ == kNone || pressedButton_ == b);
    bool pressed = pressedButton_ == b && hotButton_ == b;
    uint32_t fill = 0;
    if (b == kClose) {
      fill = pressed ? kClosePressed : hot ? kCloseHover : 0;
    } else {
      fill = pressed ? kButtonPressed : hot ? kButtonHover : 0;
    }
    if (fill != 0) {
      Gdiplus::SolidBrush brush(Argb(fill));
      g.FillRectangle(&brush, box);
    }
    uint32_t glyph = (b == kClose && (hot || pressed)) ? 0xFFFFFFFF : kGlyph;
    Gdiplus::Pen pen(Argb(glyph), 1.0f * s);
    float cx = box.X + box.Width / 2.0f;
    float cy = box.Y + box.Height / 2.0f;
    float half = 5.0f * s;
    if (b == kClose) {
      g.DrawLine(&pen, cx - half, cy - half, cx + half, cy + half);
      g.DrawLine(&pen, cx - half, cy + half, cx + half, cy - half);
    } else {
      g.SetSmoothingMode(Gdiplus::SmoothingModeNone);
      float y = static_cast<float>(static_cast<int>(cy));
      g.DrawLine(&pen, cx - half, y, cx + half, y);
      g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    }
  }
}

LRESULT WindowFrame::OnMessage(UINT message, WPARAM, LPARAM lParam, bool& handled) {
  POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  HWND window = Window();
  switch (message) {
    case WM_MOUSEMOVE: {
      if (dragging_) {
        POINT screen = at;
        ::ClientToScreen(window, &screen);
        HWND root = ::GetAncestor(window, GA_ROOT);
        ::SetWindowPos(root, nullptr, rootStart_.left + screen.x - dragStart_.x,
                       rootStart_.top + screen.y - dragStart_.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        handled = true;
        return 0;
      }
      SetHotButton(ButtonAt(at));
      break;  // the base class tracks enter / leave
    }
    case WM_MOUSELEAVE:
      SetHotButton(kNone);
      break;
    case WM_LBUTTONDOWN: {
      Button b = ButtonAt(at);
      handled = true;
      if (b != kNone) {
        pressedButton_ = b;
        ::SetCapture(window);
        Invalidate();
        return 0;
      }
      if (at.y < TitleHeight()) {
        HWND root = ::GetAncestor(window, GA_ROOT);
        if (root != nullptr && root != window) {
          dragging_ = true;
          dragStart_ = at;
          ::ClientToScreen(window, &dragStart_);
          ::GetWindowRect(root, &rootStart_);
          ::SetCapture(window);
        }
        return 0;
      }
      handled = false;  // the client area clicks like any control
      break;
    }
    case WM_LBUTTONUP: {
      if (dragging_) {
        dragging_ = false;
        ::ReleaseCapture();
        handled = true;
        return 0;
      }
      if (pressedButton_ != kNone) {
        Button pressed = pressedButton_;
        pressedButton_ = kNone;
        ::ReleaseCapture();
        Invalidate();
        handled = true;
        if (ButtonAt(at) == pressed) PressButton(pressed);
        return 0;
      }
      break;
    }
    case WM_LBUTTONDBLCLK:
      if (at.y < TitleHeight()) {
        handled = true;  // no maximised state: a double click on the bar does nothing
        return 0;
      }
      break;
    case WM_CAPTURECHANGED:
      dragging_ = false;
      if (pressedButton_ != kNone) {
        pressedButton_ = kNone;
        Invalidate();
      }
      break;
    case kMsgAccDefault:
      PressButton(static_cast<Button>(lParam));
      handled = true;
      return 0;
    default:
      break;
  }
  return 0;
}

bool WindowFrame::AccChild(int index, AccInfo& out) const {
  Button b = index == 1 ? kMinimise : index == 2 ? kClose : kNone;
  if (b == kNone) return false;
  out = AccInfo{};
  out.role = ROLE_SYSTEM_PUSHBUTTON;
  out.name = b == kClose ? L"关闭" : L"最小化";
  out.defaultAction = L"按下";
  RECT r = ButtonRect(b);
  if (r.right <= r.left) out.state |= STATE_SYSTEM_INVISIBLE;
  if (hotButton_ == b) out.state |= STATE_SYSTEM_HOTTRACKED;
  out.screen = ClientToScreenRect(Window(), r);
  return true;
}

bool WindowFrame::AccDoDefault(int index) {
  Button b = index == 1 ? kMinimise : index == 2 ? kClose : kNone;
  if (b == kNone || Window() == nullptr) return false;
  RECT r = ButtonRect(b);
  if (r.right <= r.left) return false;
  return ::PostMessageW(Window(), kMsgAccDefault, 0, b) != FALSE;
}

}  // namespace storvane::exui
