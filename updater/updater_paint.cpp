#include "updater/updater_paint.h"

#include <algorithm>

#include "updater/updater_layout.h"

namespace storvane::updater {
namespace {

COLORREF Blend(COLORREF a, COLORREF b, int bPercent) {
  auto mix = [&](int x, int y) { return (x * (100 - bPercent) + y * bPercent) / 100; };
  return RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)), mix(GetBValue(a), GetBValue(b)));
}

void DrawCross(const Canvas& canvas, const RECT& r, COLORREF colour, int dpi) {
  const double width = std::max(1.0, dpi / 96.0);
  const double half = ScaleToDpi(5, dpi);
  const double cx = (r.left + r.right) / 2.0, cy = (r.top + r.bottom) / 2.0;
  DrawLine(canvas, cx - half, cy - half, cx + half, cy + half, width, colour);
  DrawLine(canvas, cx - half, cy + half, cx + half, cy - half, width, colour);
}

}  // namespace

PaintSurface::PaintSurface(HDC target, const RECT& area) : target_(target), area_(area) {
  const int width = area.right - area.left, height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  bitmap_.reset(::CreateDIBSection(target, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  memory_.reset(::CreateCompatibleDC(target));
  if (!bitmap_ || !memory_ || bits == nullptr) {
    memory_.reset();
    bitmap_.reset();
    return;
  }
  bits_ = static_cast<uint32_t*>(bits);
  previous_ = ::SelectObject(memory_.get(), bitmap_.get());
  ::SetViewportOrgEx(memory_.get(), -area.left, -area.top, nullptr);
}

PaintSurface::~PaintSurface() {
  if (!memory_) return;
  ::SetViewportOrgEx(memory_.get(), 0, 0, nullptr);
  ::BitBlt(target_, area_.left, area_.top, area_.right - area_.left, area_.bottom - area_.top, memory_.get(), 0, 0,
           SRCCOPY);
  ::SelectObject(memory_.get(), previous_);
}

Canvas PaintSurface::canvas() const {
  if (bits_ == nullptr) return {};
  ::GdiFlush();
  return Canvas{bits_, area_.right - area_.left, area_.bottom - area_.top, POINT{area_.left, area_.top}};
}

void FillRectColour(HDC dc, const RECT& r, COLORREF colour) {
  UniqueBrush brush(::CreateSolidBrush(colour));
  ::FillRect(dc, &r, brush.get());
}

void FrameRectColour(HDC dc, const RECT& r, COLORREF colour) {
  UniqueBrush brush(::CreateSolidBrush(colour));
  ::FrameRect(dc, &r, brush.get());
}

void DrawTextColour(HDC dc, HFONT font, const std::wstring& text, RECT r, COLORREF colour, UINT format) {
  ScopedSelectObject selected(dc, font);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, colour);
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, format | DT_NOPREFIX);
}

void DrawProgressTrack(const PaintSurface& surface, const RECT& track, int position, int maximum) {
  const Canvas canvas = surface.canvas();
  const int height = track.bottom - track.top;
  const double radius = height / 2.0;
  FillRoundRect(canvas, track, radius, kTrackColour);
  if (maximum <= 0 || position <= 0) return;
  position = std::min(position, maximum);
  const int width = track.right - track.left;
  // The fill never gets narrower than its own rounded ends, so small values still show.
  const int filled = std::max(height, static_cast<int>(static_cast<long long>(width) * position / maximum));
  RECT fill = track;
  fill.right = track.left + std::min(filled, width);
  FillRoundRect(canvas, fill, radius, kAccentColour);
}

void DrawButton(const PaintSurface& surface, const RECT& r, ButtonLook look, const ButtonState& state, HFONT font,
                const std::wstring& text, int dpi) {
  const HDC dc = surface.dc();
  FillRectColour(dc, r, kWindowColour);
  switch (look) {
    case ButtonLook::Primary: {
      COLORREF fill = kAccentColour;
      if (state.disabled)
        fill = Blend(kAccentColour, kWindowColour, 55);
      else if (state.pressed)
        fill = Blend(kAccentColour, RGB(0, 0, 0), 22);
      else if (state.hover)
        fill = Blend(kAccentColour, RGB(0, 0, 0), 10);
      const double radius = ScaleToDpi(4, dpi);
      FillRoundRect(surface.canvas(), r, radius, fill);
      if (state.focused && !state.disabled) {
        const int inset = ScaleToDpi(2, dpi);
        const RECT ring{r.left + inset, r.top + inset, r.right - inset, r.bottom - inset};
        StrokeRoundRect(surface.canvas(), ring, std::max(1.0, radius - inset / 2.0), 1.0, RGB(0xFF, 0xFF, 0xFF));
      }
      DrawTextColour(dc, font, text, r, RGB(0xFF, 0xFF, 0xFF), DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      break;
    }
    case ButtonLook::Close: {
      COLORREF glyph = RGB(0x5F, 0x63, 0x68);
      if (state.pressed) {
        FillRectColour(dc, r, RGB(0xF1, 0x70, 0x7A));
        glyph = RGB(0xFF, 0xFF, 0xFF);
      } else if (state.hover) {
        FillRectColour(dc, r, RGB(0xE8, 0x11, 0x23));
        glyph = RGB(0xFF, 0xFF, 0xFF);
      } else if (state.focused) {
        FillRectColour(dc, r, RGB(0xF0, 0xF0, 0xF0));
      }
      DrawCross(surface.canvas(), r, glyph, dpi);
      break;
    }
    case ButtonLook::Link: {
      const COLORREF colour = state.disabled                   ? RGB(0xB0, 0xB0, 0xB0)
                              : (state.hover || state.pressed) ? Blend(kAccentColour, RGB(0, 0, 0), 18)
                                                               : kAccentColour;
      LOGFONTW face{};
      ::GetObjectW(font, sizeof face, &face);
      face.lfUnderline = state.hover && !state.disabled;
      UniqueFont drawn(::CreateFontIndirectW(&face));
      RECT textArea = r;
      textArea.left += ScaleToDpi(2, dpi);
      DrawTextColour(dc, drawn ? drawn.get() : font, text, textArea, colour, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
      if (state.focused) {
        RECT ring = r;
        ::SetTextColor(dc, colour);
        ::SetBkColor(dc, kWindowColour);
        ::DrawFocusRect(dc, &ring);
      }
      break;
    }
  }
}

}  // namespace storvane::updater
