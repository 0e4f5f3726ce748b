#include "updater/updater_layout.h"

namespace storvane::updater {
namespace {

constexpr int kWidth = 440;
constexpr int kHeight = 274;
constexpr int kMargin = 24;
constexpr int kTitleHeight = 40;

}  // namespace

int ScaleToDpi(int designPixels, int dpi) { return ::MulDiv(designPixels, dpi, 96); }

UpdaterLayout ComputeUpdaterLayout(int dpi) {
  if (dpi <= 0) dpi = 96;
  auto s = [dpi](int v) { return ScaleToDpi(v, dpi); };
  auto rect = [&](int left, int top, int right, int bottom) { return RECT{s(left), s(top), s(right), s(bottom)}; };

  UpdaterLayout l;
  l.dpi = dpi;
  l.client = SIZE{s(kWidth), s(kHeight)};
  l.titleBar = rect(0, 0, kWidth, kTitleHeight);
  l.icon = rect(12, 12, 28, 28);
  l.closeButton = rect(kWidth - 46, 0, kWidth, kTitleHeight);
  l.caption = rect(36, 0, kWidth - 46 - 8, kTitleHeight);
  l.heading = rect(kMargin, 62, kWidth - kMargin, 92);
  l.current = rect(kMargin, 96, 300, 118);
  l.percent = rect(300, 96, kWidth - kMargin, 118);
  l.track = rect(kMargin, 126, kWidth - kMargin, 134);
  l.line = rect(kMargin, 140, kWidth - kMargin, 162);
  l.notice = rect(kMargin, 170, kWidth - kMargin, 192);
  l.startButton = rect(kWidth - kMargin - 120, 214, kWidth - kMargin, 250);
  l.link = rect(kMargin, 221, kWidth - kMargin - 120 - 16, 243);
  l.captionFont = s(14);
  l.headingFont = s(20);
  l.bodyFont = s(14);
  l.buttonFont = s(14);
  l.trackRadius = s(4);
  l.buttonRadius = s(4);
  return l;
}

}  // namespace storvane::updater
