// The font descriptor's byte layout: what the skin library reads at each offset.
#include "catalogue/font_descriptor.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace storvane {
namespace {

int32_t IntAt(const Bytes& b, size_t offset) {
  return static_cast<int32_t>(b[offset] | (b[offset + 1] << 8) | (b[offset + 2] << 16) |
                              (static_cast<uint32_t>(b[offset + 3]) << 24));
}

uint16_t UnitAt(const Bytes& b, size_t index) { return static_cast<uint16_t>(b[2 * index] | (b[2 * index + 1] << 8)); }

TEST(FontDescriptor, FaceIsUtf16WithTerminatorAndTheRestOfItsFieldZero) {
  const Bytes d = MakeFontDescriptor("微软雅黑", 14, 1, 0, 0, 0);
  ASSERT_EQ(d.size(), 84u);
  // 微 软 雅 黑 as the system's UTF-16 knows them.
  const uint16_t expected[] = {0x5FAE, 0x8F6F, 0x96C5, 0x9ED1, 0};
  for (size_t i = 0; i < 5; ++i) EXPECT_EQ(UnitAt(d, i), expected[i]) << i;
  for (size_t i = 10; i < 64; ++i) EXPECT_EQ(d[i], 0) << i;
  EXPECT_EQ(IntAt(d, 64), 14);
  EXPECT_EQ(IntAt(d, 68), 1);
  EXPECT_EQ(IntAt(d, 72), 0);
  EXPECT_EQ(IntAt(d, 76), 0);
  EXPECT_EQ(IntAt(d, 80), 0);
}

TEST(FontDescriptor, SizeAndEachSwitchLandInTheirOwnLittleEndianField) {
  const Bytes d = MakeFontDescriptor("Tahoma", -15, 2, 3, 4, 0x01020304);
  EXPECT_EQ(IntAt(d, 64), -15);
  EXPECT_EQ(IntAt(d, 68), 2);
  EXPECT_EQ(IntAt(d, 72), 3);
  EXPECT_EQ(IntAt(d, 76), 4);
  EXPECT_EQ(d[80], 0x04);
  EXPECT_EQ(d[83], 0x01);
  EXPECT_EQ(UnitAt(d, 0), u'T');
  EXPECT_EQ(UnitAt(d, 6), 0);
}

TEST(FontDescriptor, AnEmptyFaceLeavesTheNameFieldZero) {
  const Bytes d = MakeFontDescriptor("", 12);
  ASSERT_EQ(d.size(), 84u);
  for (size_t i = 0; i < 64; ++i) EXPECT_EQ(d[i], 0) << i;
  EXPECT_EQ(IntAt(d, 64), 12);
}

TEST(FontDescriptor, ALongFaceIsCutSoItNeitherOverwritesTheSizeNorLosesItsTerminator) {
  const std::string longFace(80, 'F');
  const Bytes d = MakeFontDescriptor(longFace, 12, 1);
  ASSERT_EQ(d.size(), 84u);
  for (size_t i = 0; i < 31; ++i) EXPECT_EQ(UnitAt(d, i), u'F') << i;
  EXPECT_EQ(UnitAt(d, 31), 0);
  EXPECT_EQ(IntAt(d, 64), 12);
  EXPECT_EQ(IntAt(d, 68), 1);
}

}  // namespace
}  // namespace storvane
