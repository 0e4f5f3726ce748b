#include "draw.h"

#include <algorithm>

#include "exui/include/exui_api.h"
#include "util/window.h"

namespace storvane::exui {

Gdiplus::Color Argb(uint32_t argb) { return Gdiplus::Color(static_cast<Gdiplus::ARGB>(argb)); }

Gdiplus::Color ArgbOr(uint32_t argb, uint32_t fallback) { return Argb((argb >> 24) == 0 ? fallback : argb); }

void AddRoundRect(Gdiplus::GraphicsPath& path, const Gdiplus::RectF& rect, float radius) {
  radius = std::min({radius, rect.Width / 2.0f, rect.Height / 2.0f});
  if (radius <= 0.01f) {
    path.AddRectangle(rect);
    return;
  }
  float d = radius * 2.0f;
  float right = rect.X + rect.Width;
  float bottom = rect.Y + rect.Height;
  path.AddArc(rect.X, rect.Y, d, d, 180.0f, 90.0f);
  path.AddArc(right - d, rect.Y, d, d, 270.0f, 90.0f);
  path.AddArc(right - d, bottom - d, d, d, 0.0f, 90.0f);
  path.AddArc(rect.X, bottom - d, d, d, 90.0f, 90.0f);
  path.CloseFigure();
}

void FillRoundRect(Gdiplus::Graphics& g, const Gdiplus::Brush& brush, const Gdiplus::RectF& rect, float radius) {
  Gdiplus::GraphicsPath path;
  AddRoundRect(path, rect, radius);
  g.FillPath(&brush, &path);
}

void StrokeRoundRect(Gdiplus::Graphics& g, const Gdiplus::Color& colour, float width, const Gdiplus::RectF& rect,
                     float radius) {
  Gdiplus::RectF inner(rect.X + width, rect.Y + width, rect.Width - 2.0f * width, rect.Height - 2.0f * width);
  if (inner.Width <= 0 || inner.Height <= 0) return;
  // The outline is filled as the ring between two rounded rectangles rather than stroked along
  // the middle of its width: where a renderer puts the pixels of a stroke on a half-pixel line
  // differs, and a border that lands half a pixel outside the surface vanishes at the right and
  // bottom edges; the area of a filled shape is the same on every renderer.
  Gdiplus::GraphicsPath ring(Gdiplus::FillModeAlternate);
  AddRoundRect(ring, rect, radius);
  AddRoundRect(ring, inner, std::max(0.0f, radius - width));
  Gdiplus::SolidBrush brush(colour);
  g.FillPath(&brush, &ring);
}

void PrepareGraphics(Gdiplus::Graphics& g) {
  g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
  g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
  g.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
  g.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAliasGridFit);
  g.SetCompositingQuality(Gdiplus::CompositingQualityHighQuality);
}

namespace {

void ApplyFormat(Gdiplus::StringFormat& sf, int format) {
  int flags = Gdiplus::StringFormatFlagsNoClip;
  if (format & EXUI_TEXT_SINGLELINE) flags |= Gdiplus::StringFormatFlagsNoWrap;
  sf.SetFormatFlags(flags);
  sf.SetTrimming((format & EXUI_TEXT_SINGLELINE) ? Gdiplus::StringTrimmingEllipsisCharacter
                                                 : Gdiplus::StringTrimmingEllipsisWord);
  if (format & EXUI_TEXT_HCENTER) {
    sf.SetAlignment(Gdiplus::StringAlignmentCenter);
  } else if (format & EXUI_TEXT_RIGHT) {
    sf.SetAlignment(Gdiplus::StringAlignmentFar);
  } else {
    sf.SetAlignment(Gdiplus::StringAlignmentNear);
  }
  if (format & EXUI_TEXT_VCENTER) {
    sf.SetLineAlignment(Gdiplus::StringAlignmentCenter);
  } else if (format & EXUI_TEXT_BOTTOM) {
    sf.SetLineAlignment(Gdiplus::StringAlignmentFar);
  } else {
    sf.SetLineAlignment(Gdiplus::StringAlignmentNear);
  }
}

}  // namespace

float LineHeight(Gdiplus::Graphics& g, const Gdiplus::Font* font) {
  if (font == nullptr) return 0.0f;
  return font->GetHeight(&g);
}

void DrawTextIn(Gdiplus::Graphics& g, const std::wstring& text, const Gdiplus::Font* font, const Gdiplus::Color& colour,
                const Gdiplus::RectF& rect, int format) {
  if (text.empty() || font == nullptr || rect.Width <= 0) return;
  Gdiplus::StringFormat sf(Gdiplus::StringFormat::GenericTypographic());
  ApplyFormat(sf, format);
  Gdiplus::RectF box = rect;
  float line = LineHeight(g, font);
  // A box lower than one line would hide the text entirely: let one line overflow it evenly
  // rather than clip it; wrapped text keeps to the lines that fit.
  if (box.Height < line) {
    float grow = line - box.Height;
    box.Y -= grow / 2.0f;
    box.Height = line;
  } else if (!(format & EXUI_TEXT_SINGLELINE)) {
    sf.SetFormatFlags(sf.GetFormatFlags() | Gdiplus::StringFormatFlagsLineLimit);
  }
  Gdiplus::SolidBrush brush(colour);
  g.DrawString(text.c_str(), static_cast<INT>(text.size()), font, box, &sf, &brush);
}

Gdiplus::RectF TextExtent(Gdiplus::Graphics& g, const std::wstring& text, const Gdiplus::Font* font,
                          const Gdiplus::RectF& rect, int format) {
  if (text.empty() || font == nullptr || rect.Width <= 0) return {};
  Gdiplus::StringFormat sf(Gdiplus::StringFormat::GenericTypographic());
  ApplyFormat(sf, format);
  sf.SetTrimming(Gdiplus::StringTrimmingNone);
  sf.SetAlignment(Gdiplus::StringAlignmentNear);
  sf.SetLineAlignment(Gdiplus::StringAlignmentNear);
  const bool oneLine = (format & EXUI_TEXT_SINGLELINE) != 0;
  constexpr float kUnbounded = 1.0e6f;
  Gdiplus::RectF layout(0.0f, 0.0f, oneLine ? kUnbounded : rect.Width, kUnbounded);
  Gdiplus::RectF need;
  g.MeasureString(text.c_str(), static_cast<INT>(text.size()), font, layout, &sf, &need);
  const float line = LineHeight(g, font);
  need.Height = std::max(need.Height, line);
  // Aligned in the box as DrawTextIn aligns it, in a box grown to one line where it is lower.
  Gdiplus::RectF box = rect;
  if (box.Height < line) {
    box.Y -= (line - box.Height) / 2.0f;
    box.Height = line;
  }
  float x = box.X;
  if (format & EXUI_TEXT_HCENTER) {
    x += (box.Width - need.Width) / 2.0f;
  } else if (format & EXUI_TEXT_RIGHT) {
    x += box.Width - need.Width;
  }
  float y = box.Y;
  if (format & EXUI_TEXT_VCENTER) {
    y += (box.Height - need.Height) / 2.0f;
  } else if (format & EXUI_TEXT_BOTTOM) {
    y += box.Height - need.Height;
  }
  return Gdiplus::RectF(x, y, need.Width, need.Height);
}

Gdiplus::SizeF MeasureLine(Gdiplus::Graphics& g, const std::wstring& text, const Gdiplus::Font* font) {
  if (text.empty() || font == nullptr) return {};
  Gdiplus::StringFormat sf(Gdiplus::StringFormat::GenericTypographic());
  sf.SetFormatFlags(Gdiplus::StringFormatFlagsNoWrap | Gdiplus::StringFormatFlagsMeasureTrailingSpaces);
  Gdiplus::RectF bounds;
  g.MeasureString(text.c_str(), static_cast<INT>(text.size()), font, Gdiplus::PointF(0, 0), &sf, &bounds);
  return {bounds.Width, bounds.Height};
}

void Surface::Release() {
  if (dc_.valid() && original_ != nullptr) ::SelectObject(dc_.get(), original_);
  original_ = nullptr;
  dc_.reset();
  bitmap_.reset();
  width_ = 0;
  height_ = 0;
}

bool Surface::Ensure(HDC reference, int width, int height) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  if (Valid() && width <= width_ && height <= height_) return true;
  if (dc_.valid() && original_ != nullptr) ::SelectObject(dc_.get(), original_);
  bitmap_.reset();
  dc_.reset(::CreateCompatibleDC(reference));
  if (!dc_) return false;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  bitmap_.reset(::CreateDIBSection(reference, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap_) {
    dc_.reset();
    return false;
  }
  original_ = ::SelectObject(dc_.get(), bitmap_.get());
  width_ = width;
  height_ = height;
  return true;
}

float ScaleOfWindow(HWND window) {
  return static_cast<float>(DpiOfWindow(window)) / static_cast<float>(USER_DEFAULT_SCREEN_DPI);
}

}  // namespace storvane::exui
