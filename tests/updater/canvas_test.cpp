// Coverage arithmetic of the antialiased shapes and the window layout at two scales.
#include "updater/canvas.h"

#include <gtest/gtest.h>

#include <vector>

#include "updater/updater_layout.h"

namespace storvane::updater {
namespace {

TEST(RoundRectCoverage, InsideOutsideAndCorners) {
  const RECT r{10, 10, 50, 30};
  EXPECT_DOUBLE_EQ(RoundRectCoverage(r, 4, 20, 20), 1.0);  // middle
  EXPECT_DOUBLE_EQ(RoundRectCoverage(r, 4, 10, 20), 1.0);  // left edge, away from corners
  EXPECT_DOUBLE_EQ(RoundRectCoverage(r, 4, 9, 20), 0.0);
  EXPECT_DOUBLE_EQ(RoundRectCoverage(r, 4, 50, 20), 0.0);  // right is exclusive
  EXPECT_DOUBLE_EQ(RoundRectCoverage(r, 4, 10, 10), 0.0);  // the cut-off corner pixel
  const double edge = RoundRectCoverage(r, 4, 11, 10);     // along the curve: partly inside
  EXPECT_GT(edge, 0.0);
  EXPECT_LT(edge, 1.0);
  EXPECT_DOUBLE_EQ(RoundRectCoverage(r, 4, 13, 13), 1.0);  // inside the corner's circle
  // Radius 0 is a plain rectangle; an oversized radius is held to half the height.
  EXPECT_DOUBLE_EQ(RoundRectCoverage(r, 0, 10, 10), 1.0);
  EXPECT_DOUBLE_EQ(RoundRectCoverage(r, 100, 30, 10), 1.0);
  EXPECT_DOUBLE_EQ(RoundRectCoverage(r, 100, 10, 10), 0.0);
}

TEST(RoundRectCoverage, CornersAreSymmetric) {
  const RECT r{0, 0, 20, 10};
  for (int i = 0; i < 5; ++i) {
    for (int j = 0; j < 5; ++j) {
      const double topLeft = RoundRectCoverage(r, 5, i, j);
      EXPECT_DOUBLE_EQ(topLeft, RoundRectCoverage(r, 5, 19 - i, j));
      EXPECT_DOUBLE_EQ(topLeft, RoundRectCoverage(r, 5, i, 9 - j));
      EXPECT_DOUBLE_EQ(topLeft, RoundRectCoverage(r, 5, 19 - i, 9 - j));
    }
  }
}

TEST(LineCoverage, FullOnTheLineFadingAway) {
  EXPECT_DOUBLE_EQ(LineCoverage(0, 0.5, 10, 0.5, 1.0, 5, 0), 1.0);
  EXPECT_DOUBLE_EQ(LineCoverage(0, 0.5, 10, 0.5, 1.0, 5, 2), 0.0);
  const double beside = LineCoverage(0, 0.5, 10, 0.5, 1.0, 5, 1);  // centre 1 px off: 0
  EXPECT_DOUBLE_EQ(beside, 0.0);
  const double diagonal = LineCoverage(0, 0, 10, 10, 1.0, 5, 4);
  EXPECT_GT(diagonal, 0.0);
  EXPECT_LT(diagonal, 1.0);
  EXPECT_DOUBLE_EQ(LineCoverage(0, 0.5, 10, 0.5, 1.0, 20, 0), 0.0);  // beyond its end
}

TEST(BlendPixel, MixesByCoverage) {
  EXPECT_EQ(BlendPixel(0xFFFFFF, RGB(0, 0, 0), 0.0), 0xFFFFFFu);
  EXPECT_EQ(BlendPixel(0xFFFFFF, RGB(0x2D, 0x8C, 0xF0), 1.0), 0x2D8CF0u);  // RGB order in the pixel
  EXPECT_EQ(BlendPixel(0x000000, RGB(200, 100, 50), 0.5), 0x643219u);
}

TEST(FillRoundRect, PaintsOnlyInsideTheCanvasAndTheShape) {
  std::vector<uint32_t> pixels(30 * 20, 0xFFFFFF);
  Canvas canvas{pixels.data(), 30, 20, POINT{100, 200}};            // logical origin away from zero
  FillRoundRect(canvas, RECT{95, 205, 115, 215}, 2, RGB(0, 0, 0));  // starts left of the canvas
  EXPECT_EQ(pixels[5 * 30 + 0], 0x000000u);                         // logical (100, 205): inside
  EXPECT_EQ(pixels[10 * 30 + 14], 0x000000u);                       // logical (114, 210)
  EXPECT_EQ(pixels[10 * 30 + 15], 0xFFFFFFu);                       // right edge exclusive
  EXPECT_EQ(pixels[4 * 30 + 3], 0xFFFFFFu);                         // above
  EXPECT_EQ(pixels[15 * 30 + 3], 0xFFFFFFu);                        // below
  FillRoundRect(Canvas{}, RECT{0, 0, 10, 10}, 2, RGB(0, 0, 0));     // no pixels: nothing happens
}

TEST(StrokeRoundRect, LeavesTheInsideUntouched) {
  std::vector<uint32_t> pixels(20 * 20, 0xFFFFFF);
  Canvas canvas{pixels.data(), 20, 20, POINT{0, 0}};
  StrokeRoundRect(canvas, RECT{0, 0, 20, 20}, 4, 1.0, RGB(0, 0, 0));
  EXPECT_EQ(pixels[10 * 20 + 0], 0x000000u);
  EXPECT_EQ(pixels[10 * 20 + 19], 0x000000u);
  EXPECT_EQ(pixels[10 * 20 + 10], 0xFFFFFFu);
  EXPECT_EQ(pixels[10 * 20 + 1], 0xFFFFFFu);
}

bool Inside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom && inner.left < inner.right && inner.top < inner.bottom;
}

bool Overlap(const RECT& a, const RECT& b) {
  RECT both;
  return IntersectRect(&both, &a, &b) != 0;
}

TEST(UpdaterLayout, EverythingFitsWithoutOverlapAtEveryScale) {
  for (int dpi : {96, 120, 144, 192}) {
    const UpdaterLayout l = ComputeUpdaterLayout(dpi);
    const RECT client{0, 0, l.client.cx, l.client.cy};
    const std::vector<RECT> parts = {l.closeButton, l.heading, l.current, l.percent,    l.track,
                                     l.line,        l.notice,  l.link,    l.startButton};
    for (size_t i = 0; i < parts.size(); ++i) {
      EXPECT_TRUE(Inside(parts[i], client)) << "part " << i << " at " << dpi;
      for (size_t j = i + 1; j < parts.size(); ++j) {
        EXPECT_FALSE(Overlap(parts[i], parts[j])) << i << " and " << j << " at " << dpi;
      }
    }
    EXPECT_TRUE(Inside(l.closeButton, l.titleBar));
    // Edges are scaled one by one, so a width may round a pixel either way.
    EXPECT_NEAR(l.track.bottom - l.track.top, ScaleToDpi(8, dpi), 1);
    EXPECT_EQ(l.titleBar.bottom, ScaleToDpi(40, dpi));
    EXPECT_NEAR(l.closeButton.right - l.closeButton.left, ScaleToDpi(46, dpi), 1);
    // A line of body text fits its label with room for descenders.
    EXPECT_GE(l.notice.bottom - l.notice.top, l.bodyFont * 3 / 2);
    EXPECT_GE(l.heading.bottom - l.heading.top, l.headingFont * 3 / 2);
  }
}

TEST(UpdaterLayout, ScalesWithTheWindowDpi) {
  const UpdaterLayout normal = ComputeUpdaterLayout(96);
  const UpdaterLayout large = ComputeUpdaterLayout(144);
  EXPECT_EQ(large.client.cx, normal.client.cx * 3 / 2);
  EXPECT_EQ(large.client.cy, normal.client.cy * 3 / 2);
  EXPECT_EQ(large.bodyFont, normal.bodyFont * 3 / 2);
  EXPECT_EQ(ComputeUpdaterLayout(0).client.cx, normal.client.cx);  // unknown DPI: design size
}

}  // namespace
}  // namespace storvane::updater
