#include "push_button.h"

#include <algorithm>
#include <cmath>

namespace storvane::exui {

namespace {
constexpr uint32_t kCaption = 0xFF999797;  // the list buttons' grey, until the mouse is over it
constexpr uint32_t kDisabledCaption = 0xFFC0C0C0;
}  // namespace

PushButton::PushButton() : Control(EXUI_TYPE_BUTTON) {}

void PushButton::Paint(Gdiplus::Graphics& g, float width, float height) {
  int visual = kButtonNormal;
  if (!Disabled()) {
    if (down_ && hot_) {
      visual = kButtonPressed;
    } else if (hot_ || down_ || focused_) {
      visual = kButtonHover;
    }
  }
  const float s = Scale();
  const float border = std::max(1.0f, std::floor(look_.borderWidth * s));
  const Gdiplus::RectF box(0, 0, width, height);
  Gdiplus::SolidBrush fill(Argb(look_.fill[visual]));
  FillRoundRect(g, fill, box, look_.radius * s);
  StrokeRoundRect(g, Argb(Disabled() ? look_.border[kButtonNormal] : look_.border[visual]), border, box,
                  look_.radius * s);
  uint32_t text = (look_.text[visual] >> 24) != 0 ? look_.text[visual] : ArgbOr(textColour_, kCaption).GetValue();
  if (Disabled()) text = kDisabledCaption;
  DrawTextIn(g, CaptionWide(), Font(), Argb(text), box, EXUI_TEXT_SINGLELINE | EXUI_TEXT_HCENTER | EXUI_TEXT_VCENTER);
}

void PushButton::Press() {
  if (!Disabled()) Raise(EXUI_EV_CLICK, -1, -1);
}

LRESULT PushButton::OnMessage(UINT message, WPARAM wParam, LPARAM, bool& handled) {
  handled = false;
  switch (message) {
    case WM_LBUTTONDOWN:
      // Taking the focus shows where Space and Enter go; the common handling then captures.
      if (::GetFocus() != Window()) ::SetFocus(Window());
      down_ = true;
      Invalidate();
      break;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      down_ = false;
      Invalidate();
      break;
    case WM_MOUSEMOVE:
    case WM_MOUSELEAVE:
      Invalidate();
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      focused_ = message == WM_SETFOCUS;
      Invalidate();
      break;
    case WM_GETDLGCODE:
      handled = true;
      return DLGC_BUTTON | DLGC_WANTALLKEYS;
    case WM_KEYDOWN:
      if (wParam == VK_SPACE || wParam == VK_RETURN) {
        handled = true;
        Press();
      } else if (wParam == VK_ESCAPE) {
        handled = true;
        Raise(EXUI_EV_KEY, VK_ESCAPE);
      }
      return 0;
    case kMsgAccDefault:
      handled = true;
      Press();
      return 0;
    default:
      break;
  }
  return 0;
}

AccInfo PushButton::AccSelf() const {
  AccInfo info = Control::AccSelf();
  info.defaultAction = L"按下";
  info.state |= STATE_SYSTEM_FOCUSABLE;
  if (focused_) info.state |= STATE_SYSTEM_FOCUSED;
  if (hot_) info.state |= STATE_SYSTEM_HOTTRACKED;
  return info;
}

bool PushButton::AccDoDefault(int index) {
  if (index != 0 || Window() == nullptr || Disabled()) return false;
  return ::PostMessageW(Window(), kMsgAccDefault, 0, 0) != FALSE;
}

}  // namespace storvane::exui
