// Pictures made from bytes: the structure check before decoding, and a picture that does not decode.
#include "image.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "util/com.h"

namespace storvane::exui {
namespace {

void AddChunk(std::vector<uint8_t>& png, const char* type, std::vector<uint8_t> data) {
  const auto length = static_cast<uint32_t>(data.size());
  for (int shift = 24; shift >= 0; shift -= 8) png.push_back(static_cast<uint8_t>(length >> shift));
  png.insert(png.end(), type, type + 4);
  png.insert(png.end(), data.begin(), data.end());
  png.insert(png.end(), 4, 0);  // a checksum that does not match
}

// A PNG whose chunks are all there and whose pixels are not.
std::vector<uint8_t> UndecodablePng() {
  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  AddChunk(png, "IHDR", {0, 0, 0, 16, 0, 0, 0, 16, 8, 6, 0, 0, 0});
  AddChunk(png, "IDAT", {1, 2, 3, 4, 5, 6, 7, 8});
  AddChunk(png, "IEND", {});
  return png;
}

TEST(Image, APictureThatDoesNotDecodeIsNotTriedAgain) {
  ComInit com;
  const std::vector<uint8_t> png = UndecodablePng();
  std::shared_ptr<Image> image = Image::Decode(png.data(), png.size());
  ASSERT_NE(image, nullptr);  // its structure is whole: the bytes are kept until drawn
  EXPECT_EQ(image->Width(), 16);
  EXPECT_FALSE(image->Undecodable());
  EXPECT_EQ(image->Scaled(16, 16), nullptr);
  EXPECT_TRUE(image->Undecodable());
  EXPECT_EQ(image->Scaled(32, 32), nullptr);
  // A cut-off one is refused before anything is kept.
  EXPECT_EQ(Image::Decode(png.data(), png.size() - 12), nullptr);
}

}  // namespace
}  // namespace storvane::exui
