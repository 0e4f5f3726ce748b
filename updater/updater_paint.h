// Drawing of the updater's window and controls: flat white surfaces, the accent blue of the
// product, antialiased rounded shapes (canvas.h) and text through GDI.
#pragma once

#include <windows.h>

#include <string>

#include "updater/canvas.h"
#include "util/handles.h"

namespace storvane::updater {

inline constexpr COLORREF kWindowColour = RGB(0xFF, 0xFF, 0xFF);
inline constexpr COLORREF kBorderColour = RGB(0xDA, 0xDC, 0xE0);
inline constexpr COLORREF kCaptionColour = RGB(0x33, 0x33, 0x33);
inline constexpr COLORREF kHeadingColour = RGB(0x1F, 0x23, 0x29);
inline constexpr COLORREF kGreyTextColour = RGB(0x80, 0x80, 0x80);
inline constexpr COLORREF kNoticeColour = RGB(0x60, 0x60, 0x60);
inline constexpr COLORREF kAccentColour = RGB(0x2D, 0x8C, 0xF0);
inline constexpr COLORREF kTrackColour = RGB(0xEE, 0xEE, 0xEE);

// An off-screen 32-bit surface for `area` of the target, in the target's coordinates: GDI draws
// on dc(), the antialiased shapes on canvas(). Copied to the target when it goes out of scope,
// so nothing flickers while the layers are drawn.
class PaintSurface {
public:
  PaintSurface(HDC target, const RECT& area);
  ~PaintSurface();
  PaintSurface(const PaintSurface&) = delete;
  PaintSurface& operator=(const PaintSurface&) = delete;

  HDC dc() const { return memory_.valid() ? memory_.get() : target_; }
  // The pixels, after pending GDI drawing has reached them; empty when the surface could not
  // be made (drawing then goes straight to the target, without the shapes).
  Canvas canvas() const;

private:
  HDC target_;
  RECT area_;
  UniqueMemoryDc memory_;
  UniqueBitmap bitmap_;
  uint32_t* bits_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

void FillRectColour(HDC dc, const RECT& r, COLORREF colour);
void FrameRectColour(HDC dc, const RECT& r, COLORREF colour);
void DrawTextColour(HDC dc, HFONT font, const std::wstring& text, RECT r, COLORREF colour, UINT format);

// The progress track with its fill; position is clamped to [0, maximum].
void DrawProgressTrack(const PaintSurface& surface, const RECT& track, int position, int maximum);

enum class ButtonLook { Primary, Close, Link };
struct ButtonState {
  bool hover = false;
  bool pressed = false;
  bool focused = false;
  bool disabled = false;
};

// Draws a whole owner-drawn button into `r` (the button's client rectangle).
void DrawButton(const PaintSurface& surface, const RECT& r, ButtonLook look, const ButtonState& state, HFONT font,
                const std::wstring& text, int dpi);

}  // namespace storvane::updater
