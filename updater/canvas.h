// Antialiased flat shapes (rounded rectangles, rings, lines) drawn straight into 32-bit pixels.
// The system's own drawing does not smooth edges everywhere our window runs, and a 4 px corner
// or a thin close glyph shows every jagged step, so the few shapes the updater needs are
// rasterised here with per-pixel coverage.
#pragma once

#include <windows.h>

#include <cstdint>

namespace storvane::updater {

// Pixels of a top-down 32-bit bitmap (0x00RRGGBB) with the logical position of its first pixel,
// so shapes are given in the same coordinates as the window's other drawing.
struct Canvas {
  uint32_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  POINT origin{};  // logical coordinates of pixel (0, 0)
};

// Fraction (0..1) of the pixel whose top-left corner is (x, y) that lies inside the rectangle
// `r` with corners rounded to `radius`.
double RoundRectCoverage(const RECT& r, double radius, int x, int y);

// Fraction (0..1) of the pixel at (x, y) covered by a line of `width` from (x0, y0) to (x1, y1).
double LineCoverage(double x0, double y0, double x1, double y1, double width, int x, int y);

// Blends `colour` into one pixel with `coverage` (0..1).
uint32_t BlendPixel(uint32_t under, COLORREF colour, double coverage);

void FillRoundRect(const Canvas& canvas, const RECT& r, double radius, COLORREF colour);
// A `thickness` wide outline just inside `r`.
void StrokeRoundRect(const Canvas& canvas, const RECT& r, double radius, double thickness, COLORREF colour);
void DrawLine(const Canvas& canvas, double x0, double y0, double x1, double y1, double width, COLORREF colour);

}  // namespace storvane::updater
