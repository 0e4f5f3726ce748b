#include "image.h"

#include <shlwapi.h>
#include <wincodec.h>

#include "library.h"
#include "util/com.h"
#include "util/image_format.h"

namespace storvane::exui {

namespace {

constexpr size_t kScaledCopiesKept = 3;
constexpr int kLargestSide = 16384;

bool SizeAcceptable(UINT width, UINT height) {
  return width > 0 && height > 0 && width <= kLargestSide && height <= kLargestSide;
}

// Premultiplied 32-bit pixels, the form every copy is drawn from.
std::unique_ptr<Gdiplus::Bitmap> DecodeWithImagingComponent(IWICImagingFactory& factory, IStream& stream) {
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  ComPtr<IWICFormatConverter> converter;
  UINT width = 0;
  UINT height = 0;
  if (FAILED(factory.CreateDecoderFromStream(&stream, nullptr, WICDecodeMetadataCacheOnDemand, decoder.put())) ||
      FAILED(decoder->GetFrame(0, frame.put())) || FAILED(frame->GetSize(&width, &height)) ||
      !SizeAcceptable(width, height) || FAILED(factory.CreateFormatConverter(converter.put())) ||
      FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr, 0,
                                   WICBitmapPaletteTypeCustom))) {
    return nullptr;
  }
  auto bitmap =
      std::make_unique<Gdiplus::Bitmap>(static_cast<INT>(width), static_cast<INT>(height), PixelFormat32bppPARGB);
  if (bitmap->GetLastStatus() != Gdiplus::Ok) return nullptr;
  Gdiplus::Rect all(0, 0, static_cast<INT>(width), static_cast<INT>(height));
  Gdiplus::BitmapData data{};
  if (bitmap->LockBits(&all, Gdiplus::ImageLockModeWrite, PixelFormat32bppPARGB, &data) != Gdiplus::Ok) return nullptr;
  const UINT stride = static_cast<UINT>(data.Stride);
  // The whole picture must decode: a cut-off download fails here rather than showing half.
  const bool copied =
      SUCCEEDED(converter->CopyPixels(nullptr, stride, stride * height, static_cast<BYTE*>(data.Scan0)));
  bitmap->UnlockBits(&data);
  return copied ? std::move(bitmap) : nullptr;
}

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

// The full picture in premultiplied pixels; null when the bytes do not decode.
std::unique_ptr<Gdiplus::Bitmap> DecodeFull(const std::vector<uint8_t>& bytes) {
  if (bytes.empty() || bytes.size() > 0x7FFFFFFF) return nullptr;
  if (!Library::Instance().EnsureGdiplus()) return nullptr;
  ComPtr<IStream> stream(::SHCreateMemStream(bytes.data(), static_cast<UINT>(bytes.size())));
  if (!stream) return nullptr;
  if (IWICImagingFactory* factory = Library::Instance().ImagingFactory())
    return DecodeWithImagingComponent(*factory, *stream.get());
  std::unique_ptr<Gdiplus::Bitmap> decoded(Gdiplus::Bitmap::FromStream(stream.get()));
  if (!decoded || decoded->GetLastStatus() != Gdiplus::Ok) return nullptr;
  if (!SizeAcceptable(decoded->GetWidth(), decoded->GetHeight())) return nullptr;
  // GDI+ keeps reading the stream while the picture lives; the copy owns its pixels.
  return CopyToPremultiplied(*decoded, static_cast<int>(decoded->GetWidth()), static_cast<int>(decoded->GetHeight()));
}

}  // namespace

std::shared_ptr<Image> Image::Decode(const uint8_t* data, size_t length) {
  if (data == nullptr || length == 0) return nullptr;
  auto image = std::shared_ptr<Image>(new Image());
  image->encoded_.assign(data, data + length);
  if (const std::optional<ImageHeader> header = ReadImageHeader(data, length)) {
    image->width_ = header->width;
    image->height_ = header->height;
    return image;
  }
  // Decoders forgive a missing end (a PNG's last checksum, a GIF's trailer); a cut-off download
  // of a format the header reader knows is refused. Any other format (TIFF, metafiles) is decoded
  // here, the only check there is for it.
  if (HasKnownImageSignature(data, length)) return nullptr;
  std::unique_ptr<Gdiplus::Bitmap> full = DecodeFull(image->encoded_);
  if (!full) return nullptr;
  image->width_ = static_cast<int>(full->GetWidth());
  image->height_ = static_cast<int>(full->GetHeight());
  return image;
}

Gdiplus::Bitmap* Image::Scaled(int width, int height) {
  if (width <= 0 || height <= 0 || undecodable_) return nullptr;
  std::lock_guard lock(mutex_);
  for (auto& copy : scaled_) {
    if (copy.width == width && copy.height == height) return copy.bitmap.get();
  }
  std::unique_ptr<Gdiplus::Bitmap> bitmap = DecodeFull(encoded_);
  // Bytes that do not decode now never will: the list paints often, and each try costs as
  // much as a good decode.
  if (!bitmap) undecodable_ = true;
  if (bitmap && (width != width_ || height != height_)) bitmap = CopyToPremultiplied(*bitmap, width, height);
  if (!bitmap) return nullptr;
  if (scaled_.size() >= kScaledCopiesKept) scaled_.erase(scaled_.begin());
  scaled_.push_back({width, height, std::move(bitmap)});
  return scaled_.back().bitmap.get();
}

}  // namespace storvane::exui
