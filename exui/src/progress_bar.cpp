#include "progress_bar.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace storvane::exui {

namespace {

constexpr uint32_t kTrack = 0xFFEEEEEE;
constexpr uint32_t kAccent = 0xFF2D8CF0;
constexpr UINT_PTR kAnimationTimer = 1;
constexpr UINT kFrameMs = 16;
constexpr float kTrackHeight = 8.0f;

}  // namespace

ProgressBar::ProgressBar() : Control(EXUI_TYPE_PROGRESSBAR) {}

double ProgressBar::Fraction() const {
  int32_t lo = min_.load();
  int32_t hi = max_.load();
  if (hi <= lo) return 0.0;
  int32_t pos = std::clamp(position_.load(), lo, hi);
  return static_cast<double>(pos - lo) / (static_cast<double>(hi) - lo);
}

void ProgressBar::PositionChanged() {
  HWND window = Window();
  if (window == nullptr) return;
  // The timer belongs to the window's thread: ask that thread to start it (once per burst of
  // changes, however many arrive from the worker).
  if (!tickPending_.exchange(true)) ::PostMessageW(window, kMsgRepaint, 0, 0);
  if (::GetWindowThreadProcessId(window, nullptr) == ::GetCurrentThreadId()) {
    Raise(EXUI_EV_PROGRESS, position_.load());
  }
}

bool ProgressBar::SetAttribute(int id, ExuiValue value) {
  const auto n = static_cast<int32_t>(value);
  switch (id) {
    case EXUI_ATTR_RANGE_MAX:
      max_ = n;
      PositionChanged();
      return true;
    case EXUI_ATTR_RANGE_MIN:
      min_ = n;
      PositionChanged();
      return true;
    case EXUI_ATTR_POSITION:
      position_ = std::clamp(n, min_.load(), std::max(min_.load(), max_.load()));
      PositionChanged();
      return true;
    case EXUI_ATTR_ANIMATE:
      animate_ = n != 0;
      return true;
    case EXUI_ATTR_RADIUS:
      radius_ = std::clamp(n, 0, 32);
      Invalidate();
      return true;
    case EXUI_ATTR_ACCENT_COLOR:
      accent_ = static_cast<uint32_t>(value);
      Invalidate();
      return true;
    default:
      return Control::SetAttribute(id, value);
  }
}

ExuiValue ProgressBar::GetAttribute(int id) {
  switch (id) {
    case EXUI_ATTR_RANGE_MAX:
      return max_;
    case EXUI_ATTR_RANGE_MIN:
      return min_;
    case EXUI_ATTR_POSITION:
      return position_;
    case EXUI_ATTR_ANIMATE:
      return animate_ ? 1 : 0;
    case EXUI_ATTR_RADIUS:
      return radius_;
    case EXUI_ATTR_ACCENT_COLOR:
      return static_cast<int32_t>(accent_);
    default:
      return Control::GetAttribute(id);
  }
}

LRESULT ProgressBar::OnMessage(UINT message, WPARAM wParam, LPARAM, bool& handled) {
  if (message == kMsgRepaint) {
    tickPending_ = false;
    handled = true;
    if (!animate_) {
      shown_ = Fraction();
      Invalidate();
    } else {
      ::SetTimer(Window(), kAnimationTimer, kFrameMs, nullptr);
    }
    return 0;
  }
  if (message == WM_TIMER && wParam == kAnimationTimer) {
    handled = true;
    double target = Fraction();
    // Most of the way in the first frame, all of it in the second: the motion is visible but
    // the bar never trails the real position by more than a frame.
    double step = (target - shown_) * 0.7;
    if (std::fabs(target - shown_) < 0.002 || std::fabs(step) < 0.001) {
      shown_ = target;
      ::KillTimer(Window(), kAnimationTimer);
    } else {
      shown_ += step;
      if (std::fabs(target - shown_) < 0.02) shown_ = target;
    }
    Invalidate();
    return 0;
  }
  return 0;
}

void ProgressBar::Paint(Gdiplus::Graphics& g, float width, float height) {
  float s = Scale();
  float track = std::min(kTrackHeight * s, height);
  float radius = std::min(static_cast<float>(radius_) * s, track / 2.0f);
  Gdiplus::RectF rail(0.0f, (height - track) / 2.0f, width, track);
  Gdiplus::SolidBrush trackBrush(Argb(kTrack));
  FillRoundRect(g, trackBrush, rail, radius);
  double fraction = std::clamp(shown_, 0.0, 1.0);
  if (fraction <= 0.0) return;
  float fill = static_cast<float>(width * fraction);
  // The fill keeps its round ends even when short: it is never narrower than the track is high.
  Gdiplus::SolidBrush fillBrush(ArgbOr(accent_, kAccent));
  FillRoundRect(g, fillBrush, Gdiplus::RectF(rail.X, rail.Y, std::min(width, std::max(fill, track)), track), radius);
}

AccInfo ProgressBar::AccSelf() const {
  AccInfo info = Control::AccSelf();
  info.value = std::to_wstring(static_cast<int>(std::lround(Fraction() * 100.0))) + L"%";
  return info;
}

}  // namespace storvane::exui
