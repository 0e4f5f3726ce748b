#include "updater/canvas.h"

#include <algorithm>
#include <cmath>

namespace storvane::updater {
namespace {

constexpr int kSamples = 4;  // 4 x 4 samples per pixel along curved edges

bool InsideRoundRect(const RECT& r, double radius, double px, double py) {
  if (px < r.left || px >= r.right || py < r.top || py >= r.bottom) return false;
  const double cx = std::clamp(px, r.left + radius, r.right - radius);
  const double cy = std::clamp(py, r.top + radius, r.bottom - radius);
  const double dx = px - cx, dy = py - cy;
  return dx * dx + dy * dy <= radius * radius;
}

double ClampRadius(const RECT& r, double radius) {
  const double limit = std::min(r.right - r.left, r.bottom - r.top) / 2.0;
  return std::clamp(radius, 0.0, std::max(0.0, limit));
}

// Visits the pixels of the canvas that fall inside the logical rectangle `area`.
template <typename PerPixel>
void ForEachPixel(const Canvas& canvas, const RECT& area, PerPixel&& perPixel) {
  const int left = std::max<int>(area.left, canvas.origin.x);
  const int top = std::max<int>(area.top, canvas.origin.y);
  const int right = std::min<int>(area.right, canvas.origin.x + canvas.width);
  const int bottom = std::min<int>(area.bottom, canvas.origin.y + canvas.height);
  for (int y = top; y < bottom; ++y) {
    uint32_t* row = canvas.pixels + static_cast<ptrdiff_t>(y - canvas.origin.y) * canvas.width;
    for (int x = left; x < right; ++x) perPixel(row[x - canvas.origin.x], x, y);
  }
}

}  // namespace

double RoundRectCoverage(const RECT& r, double radius, int x, int y) {
  radius = ClampRadius(r, radius);
  if (x + 1 <= r.left || x >= r.right || y + 1 <= r.top || y >= r.bottom) return 0.0;
  // Away from the corners a pixel is wholly in or out.
  const bool nearCornerX = x < r.left + radius || x + 1 > r.right - radius;
  const bool nearCornerY = y < r.top + radius || y + 1 > r.bottom - radius;
  if (!(nearCornerX && nearCornerY)) return 1.0;
  int inside = 0;
  for (int sy = 0; sy < kSamples; ++sy) {
    for (int sx = 0; sx < kSamples; ++sx) {
      const double px = x + (sx + 0.5) / kSamples, py = y + (sy + 0.5) / kSamples;
      if (InsideRoundRect(r, radius, px, py)) ++inside;
    }
  }
  return static_cast<double>(inside) / (kSamples * kSamples);
}

double LineCoverage(double x0, double y0, double x1, double y1, double width, int x, int y) {
  const double px = x + 0.5, py = y + 0.5;
  const double dx = x1 - x0, dy = y1 - y0;
  const double lengthSquared = dx * dx + dy * dy;
  double t = lengthSquared > 0 ? ((px - x0) * dx + (py - y0) * dy) / lengthSquared : 0.0;
  t = std::clamp(t, 0.0, 1.0);
  const double distance = std::hypot(px - (x0 + t * dx), py - (y0 + t * dy));
  return std::clamp(width / 2.0 + 0.5 - distance, 0.0, 1.0);
}

uint32_t BlendPixel(uint32_t under, COLORREF colour, double coverage) {
  if (coverage <= 0.0) return under;
  const double a = std::min(coverage, 1.0);
  auto mix = [a](uint32_t below, uint32_t above) {
    return static_cast<uint32_t>(std::lround(below * (1.0 - a) + above * a));
  };
  const uint32_t r = mix((under >> 16) & 0xFF, GetRValue(colour));
  const uint32_t g = mix((under >> 8) & 0xFF, GetGValue(colour));
  const uint32_t b = mix(under & 0xFF, GetBValue(colour));
  return (r << 16) | (g << 8) | b;
}

void FillRoundRect(const Canvas& canvas, const RECT& r, double radius, COLORREF colour) {
  if (canvas.pixels == nullptr) return;
  ForEachPixel(canvas, r, [&](uint32_t& pixel, int x, int y) {
    pixel = BlendPixel(pixel, colour, RoundRectCoverage(r, radius, x, y));
  });
}

void StrokeRoundRect(const Canvas& canvas, const RECT& r, double radius, double thickness, COLORREF colour) {
  if (canvas.pixels == nullptr) return;
  const int inset = static_cast<int>(std::lround(thickness));
  const RECT inner{r.left + inset, r.top + inset, r.right - inset, r.bottom - inset};
  const double innerRadius = std::max(0.0, radius - thickness);
  ForEachPixel(canvas, r, [&](uint32_t& pixel, int x, int y) {
    const double ring = RoundRectCoverage(r, radius, x, y) - RoundRectCoverage(inner, innerRadius, x, y);
    pixel = BlendPixel(pixel, colour, ring);
  });
}

void DrawLine(const Canvas& canvas, double x0, double y0, double x1, double y1, double width, COLORREF colour) {
  if (canvas.pixels == nullptr) return;
  const double pad = width / 2.0 + 1.0;
  const RECT area{
      static_cast<LONG>(std::floor(std::min(x0, x1) - pad)), static_cast<LONG>(std::floor(std::min(y0, y1) - pad)),
      static_cast<LONG>(std::ceil(std::max(x0, x1) + pad)), static_cast<LONG>(std::ceil(std::max(y0, y1) + pad))};
  ForEachPixel(canvas, area, [&](uint32_t& pixel, int x, int y) {
    pixel = BlendPixel(pixel, colour, LineCoverage(x0, y0, x1, y1, width, x, y));
  });
}

}  // namespace storvane::updater
