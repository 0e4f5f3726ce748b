// Header validation and layout arithmetic shared by both mappers.
#include "uilib/pe_image.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace storvane::uilib::pe {
namespace {

using test::ImageDamages;
using test::ReadBesideProgram;

class RawImageTest : public ::testing::Test {
protected:
  void SetUp() override {
    image_ = ReadBesideProgram("uilib_probe.dll");
    ASSERT_GT(image_.size(), 1024u);
  }
  std::vector<std::uint8_t> image_;
};

TEST_F(RawImageTest, AcceptsAWellFormedDllInBothModes) {
  RawImage raw;
  ASSERT_TRUE(ReadRawImage(image_.data(), image_.size(), HeaderCheck::Basic, raw));
  EXPECT_GT(raw.sectionCount, 2u);
  EXPECT_EQ(raw.size, image_.size());
  ASSERT_TRUE(ReadRawImage(image_.data(), image_.size(), HeaderCheck::Strict, raw));
}

TEST_F(RawImageTest, RefusesEveryDamage) {
  for (const test::Damage& damage : ImageDamages()) {
    std::vector<std::uint8_t> broken = image_;
    damage.apply(broken);
    RawImage raw;
    EXPECT_FALSE(ReadRawImage(broken.data(), broken.size(), HeaderCheck::Basic, raw)) << damage.name;
    EXPECT_FALSE(ReadRawImage(broken.data(), broken.size(), HeaderCheck::Strict, raw)) << damage.name;
  }
}

TEST_F(RawImageTest, StrictModeAlsoWantsAnExecutableImage) {
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS32*>(image_.data() + reinterpret_cast<IMAGE_DOS_HEADER*>(image_.data())->e_lfanew);
  nt->FileHeader.Characteristics &= ~IMAGE_FILE_EXECUTABLE_IMAGE;
  RawImage raw;
  EXPECT_TRUE(ReadRawImage(image_.data(), image_.size(), HeaderCheck::Basic, raw));
  EXPECT_FALSE(ReadRawImage(image_.data(), image_.size(), HeaderCheck::Strict, raw));
}

TEST_F(RawImageTest, ExtentCoversSectionsLargerThanTheirDeclaredImage) {
  RawImage raw;
  ASSERT_TRUE(ReadRawImage(image_.data(), image_.size(), HeaderCheck::Basic, raw));
  const std::size_t declared = raw.nt->OptionalHeader.SizeOfImage;
  EXPECT_EQ(MappedExtent(raw), declared);

  // A last section whose raw data is larger than its virtual size, reaching past SizeOfImage,
  // must still fit the allocation it is copied into.
  auto* nt = const_cast<IMAGE_NT_HEADERS32*>(raw.nt);
  nt->OptionalHeader.SizeOfImage = raw.sections[raw.sectionCount - 1].VirtualAddress;
  const IMAGE_SECTION_HEADER& last = raw.sections[raw.sectionCount - 1];
  const std::uint32_t alignment = nt->OptionalHeader.SectionAlignment;
  const std::uint32_t span = std::max<std::uint32_t>(last.Misc.VirtualSize, last.SizeOfRawData);
  EXPECT_EQ(MappedExtent(raw), (last.VirtualAddress + span + alignment - 1) / alignment * alignment);
}

}  // namespace
}  // namespace storvane::uilib::pe
