// Drawing primitives shared by the controls: colours, rounded shapes, text, and the off-screen
// surface every control paints into before one copy to the screen.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cstdint>
#include <string>

#include "util/handles.h"

namespace storvane::exui {

// ARGB (0xAARRGGBB) as a GDI+ colour; `fallback` when the alpha byte is 0 ("not set").
Gdiplus::Color Argb(uint32_t argb);
Gdiplus::Color ArgbOr(uint32_t argb, uint32_t fallback);

// A rectangle with rounded corners as a path; radius is clamped to half the shorter side.
void AddRoundRect(Gdiplus::GraphicsPath& path, const Gdiplus::RectF& rect, float radius);
void FillRoundRect(Gdiplus::Graphics& g, const Gdiplus::Brush& brush, const Gdiplus::RectF& rect, float radius);
// Strokes inside the rectangle: a 1 px pen lands on whole pixels.
void StrokeRoundRect(Gdiplus::Graphics& g, const Gdiplus::Color& colour, float width, const Gdiplus::RectF& rect,
                     float radius);

// Sets the quality the controls draw with (anti-aliased shapes and text, bicubic images).
void PrepareGraphics(Gdiplus::Graphics& g);

// Draws `text` into `rect` with the ExuiTextFormat bits: wrapping or one line, alignment,
// "…" where it does not fit.
void DrawTextIn(Gdiplus::Graphics& g, const std::wstring& text, const Gdiplus::Font* font, const Gdiplus::Color& colour,
                const Gdiplus::RectF& rect, int format);
// Where DrawTextIn puts the whole of `text` in `rect`, as if nothing were cut: one line as long
// as the text is, or every wrapped line however many fit. A text that does not fit its box
// reaches past it.
Gdiplus::RectF TextExtent(Gdiplus::Graphics& g, const std::wstring& text, const Gdiplus::Font* font,
                          const Gdiplus::RectF& rect, int format);
// Size the text takes on one line (no wrapping).
Gdiplus::SizeF MeasureLine(Gdiplus::Graphics& g, const std::wstring& text, const Gdiplus::Font* font);
// Height of one line of the font.
float LineHeight(Gdiplus::Graphics& g, const Gdiplus::Font* font);

// An off-screen 32-bit surface at least the size of a window's client area, kept between paints
// and made larger when a larger one is needed.
class Surface {
public:
  // Makes sure the surface is at least width x height; false when it cannot be made.
  bool Ensure(HDC reference, int width, int height);
  HDC Dc() const noexcept { return dc_.get(); }
  HBITMAP Bitmap() const noexcept { return bitmap_.get(); }
  int Width() const noexcept { return width_; }
  int Height() const noexcept { return height_; }
  bool Valid() const noexcept { return dc_.valid() && bitmap_.valid(); }
  // Gives the pixels back.
  void Release();

private:
  // The DC goes first, so the bitmap is no longer selected anywhere when it is deleted.
  UniqueBitmap bitmap_;
  UniqueMemoryDc dc_;
  HGDIOBJ original_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

// DPI scale of a window (1.0 at 96 DPI).
float ScaleOfWindow(HWND window);

}  // namespace storvane::exui
