#include "image.h"

#include <shlwapi.h>

#include "library.h"
#include "util/com.h"

namespace storvane::exui {

namespace {

constexpr size_t kScaledCopiesKept = 3;

std::unique_ptr<Gdiplus::Bitmap> CopyToPremultiplied(Gdiplus::Bitmap& source, int width, int height) {
  auto copy = std::make_unique<Gdiplus::Bitmap>(width, height, PixelFormat32bppPARGB);
  if (copy->GetLastStatus() != Gdiplus::Ok) return nullptr;
  Gdiplus::Graphics g(copy.get());
  g.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
  g.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
  g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
  // Tile-flip wrapping keeps the edge pixels from blending with transparent black.
  Gdiplus::ImageAttributes attributes;
  attributes.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
  Gdiplus::Rect target(0, 0, width, height);
  if (g.DrawImage(&source, target, 0, 0, static_cast<INT>(source.GetWidth()), static_cast<INT>(source.GetHeight()),
                  Gdiplus::UnitPixel, &attributes) != Gdiplus::Ok) {
    return nullptr;
  }
  return copy;
}

}  // namespace

std::shared_ptr<Image> Image::Decode(const uint8_t* data, size_t length) {
  if (data == nullptr || length == 0 || length > 0x7FFFFFFF) return nullptr;
  if (!Library::Instance().EnsureGdiplus()) return nullptr;
  ComPtr<IStream> stream(::SHCreateMemStream(data, static_cast<UINT>(length)));
  if (!stream) return nullptr;
  std::unique_ptr<Gdiplus::Bitmap> decoded(Gdiplus::Bitmap::FromStream(stream.get()));
  if (!decoded || decoded->GetLastStatus() != Gdiplus::Ok) return nullptr;
  int width = static_cast<int>(decoded->GetWidth());
  int height = static_cast<int>(decoded->GetHeight());
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return nullptr;
  auto image = std::shared_ptr<Image>(new Image());
  image->original_ = CopyToPremultiplied(*decoded, width, height);
  if (!image->original_) return nullptr;
  image->width_ = width;
  image->height_ = height;
  return image;
}

Gdiplus::Bitmap* Image::Scaled(int width, int height) {
  if (width <= 0 || height <= 0) return nullptr;
  if (width == width_ && height == height_) return original_.get();
  std::lock_guard lock(mutex_);
  for (auto& copy : scaled_) {
    if (copy.width == width && copy.height == height) return copy.bitmap.get();
  }
  auto bitmap = CopyToPremultiplied(*original_, width, height);
  if (!bitmap) return nullptr;
  if (scaled_.size() >= kScaledCopiesKept) scaled_.erase(scaled_.begin());
  scaled_.push_back({width, height, std::move(bitmap)});
  return scaled_.back().bitmap.get();
}

}  // namespace storvane::exui
