// Header validation and layout arithmetic shared by both mappers.
#include "uilib/pe_image.h"

#include <gtest/gtest.h>

#include <string_view>

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
  ASSERT_EQ(ReadRawImage(image_.data(), image_.size(), HeaderCheck::Basic, raw), ImageVerdict::Accepted);
  EXPECT_GT(raw.sectionCount, 2u);
  EXPECT_EQ(raw.size, image_.size());
  EXPECT_EQ(raw.nt->OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR_MAGIC);  // the build's own layout
  ASSERT_EQ(ReadRawImage(image_.data(), image_.size(), HeaderCheck::Strict, raw), ImageVerdict::Accepted);
}

TEST_F(RawImageTest, RefusesEveryDamageAndTellsTheOtherArchitectureApart) {
  for (const test::Damage& damage : ImageDamages()) {
    std::vector<std::uint8_t> broken = image_;
    damage.apply(broken);
    const ImageVerdict expected =
        std::string_view(damage.name) == "foreign machine" ? ImageVerdict::ForeignMachine : ImageVerdict::Refused;
    RawImage raw;
    EXPECT_EQ(ReadRawImage(broken.data(), broken.size(), HeaderCheck::Basic, raw), expected) << damage.name;
    EXPECT_EQ(ReadRawImage(broken.data(), broken.size(), HeaderCheck::Strict, raw), expected) << damage.name;
  }
}

TEST_F(RawImageTest, StrictModeAlsoWantsAnExecutableImage) {
  auto* nt =
      reinterpret_cast<IMAGE_NT_HEADERS*>(image_.data() + reinterpret_cast<IMAGE_DOS_HEADER*>(image_.data())->e_lfanew);
  nt->FileHeader.Characteristics &= ~IMAGE_FILE_EXECUTABLE_IMAGE;
  RawImage raw;
  EXPECT_EQ(ReadRawImage(image_.data(), image_.size(), HeaderCheck::Basic, raw), ImageVerdict::Accepted);
  EXPECT_EQ(ReadRawImage(image_.data(), image_.size(), HeaderCheck::Strict, raw), ImageVerdict::Refused);
}

TEST_F(RawImageTest, ExtentCoversSectionsLargerThanTheirDeclaredImage) {
  RawImage raw;
  ASSERT_EQ(ReadRawImage(image_.data(), image_.size(), HeaderCheck::Basic, raw), ImageVerdict::Accepted);
  const std::size_t declared = raw.nt->OptionalHeader.SizeOfImage;
  EXPECT_EQ(MappedExtent(raw), declared);

  // A last section whose raw data is larger than its virtual size, reaching past SizeOfImage,
  // must still fit the allocation it is copied into.
  auto* nt = const_cast<IMAGE_NT_HEADERS*>(raw.nt);
  nt->OptionalHeader.SizeOfImage = raw.sections[raw.sectionCount - 1].VirtualAddress;
  const IMAGE_SECTION_HEADER& last = raw.sections[raw.sectionCount - 1];
  const std::uint32_t alignment = nt->OptionalHeader.SectionAlignment;
  const std::uint32_t span = std::max<std::uint32_t>(last.Misc.VirtualSize, last.SizeOfRawData);
  EXPECT_EQ(MappedExtent(raw), (last.VirtualAddress + span + alignment - 1) / alignment * alignment);
}

}  // namespace
}  // namespace storvane::uilib::pe
