// Image objects made from bytes (PNG, JPEG, BMP, GIF, ICO), with scaled copies cached for the
// sizes they are drawn at, so a list repaint does not resample every icon.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace storvane::exui {

class Image {
public:
  // Null for empty or undecodable bytes. The pixels are copied out of the decoder, so nothing
  // refers to the input afterwards.
  static std::shared_ptr<Image> Decode(const uint8_t* data, size_t length);

  int Width() const noexcept { return width_; }
  int Height() const noexcept { return height_; }
  Gdiplus::Bitmap* Original() const noexcept { return original_.get(); }

  // A copy scaled to exactly width x height with high-quality filtering, kept for the next
  // paint (the last few sizes are kept). Null when it cannot be made.
  Gdiplus::Bitmap* Scaled(int width, int height);

private:
  struct ScaledCopy {
    int width;
    int height;
    std::unique_ptr<Gdiplus::Bitmap> bitmap;
  };
  std::unique_ptr<Gdiplus::Bitmap> original_;
  int width_ = 0;
  int height_ = 0;
  std::mutex mutex_;
  std::vector<ScaledCopy> scaled_;
};

}  // namespace storvane::exui
