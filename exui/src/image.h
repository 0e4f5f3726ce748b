// Image objects made from bytes (PNG, JPEG, BMP, GIF, ICO). An image keeps its encoded bytes and
// is decoded only when it is first drawn, and kept only at the sizes it is drawn at: a catalogue of
// fifty icons, most of them scrolled out of sight, then holds a few kilobytes per icon instead of
// its full decoded picture, and filling the list decodes none of them.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace storvane::exui {

class Image {
public:
  // Null for empty bytes, bytes of no known picture format, or a picture whose structure is not
  // complete (a cut-off download). The bytes are copied. Bytes that pass and still fail to decode
  // draw as no picture.
  static std::shared_ptr<Image> Decode(const uint8_t* data, size_t length);

  int Width() const noexcept { return width_; }
  int Height() const noexcept { return height_; }

  // A copy scaled to exactly width x height with high-quality filtering, kept for the next
  // paint (the last few sizes are kept). Null when it cannot be made.
  Gdiplus::Bitmap* Scaled(int width, int height);

  // Whether decoding was tried and failed: such a picture is not decoded again at every paint.
  bool Undecodable() const noexcept { return undecodable_; }

private:
  struct ScaledCopy {
    int width;
    int height;
    std::unique_ptr<Gdiplus::Bitmap> bitmap;
  };
  std::vector<uint8_t> encoded_;
  int width_ = 0;
  int height_ = 0;
  std::atomic<bool> undecodable_ = false;
  std::mutex mutex_;
  std::vector<ScaledCopy> scaled_;
};

}  // namespace storvane::exui
