// The byte-level header checks on images built here, in both layouts: what they accept, and an
// extent that covers every byte the mappers copy even when the headers are hostile.
#include "util/pe_headers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace storvane::pe {
namespace {

constexpr std::size_t kOpt = 64 + kOptionalHeaderOffset;  // the optional header, behind e_lfanew 64

void Put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  Put16(b, at, v);
  Put16(b, at + 2, v >> 16);
}

// A DLL for `machine` whose sections have 0x200 raw bytes each, mapped at 0x1000, 0x2000, ...
std::vector<std::uint8_t> BuildImage(std::uint16_t machine, unsigned sections) {
  std::vector<std::uint8_t> b(0x200 + 0x200 * sections);
  b[0] = 'M';
  b[1] = 'Z';
  Put32(b, 60, 64);
  std::memcpy(&b[64], "PE\0\0", 4);
  Put16(b, 68, machine);
  Put16(b, 70, sections);
  Put16(b, 84, static_cast<std::uint32_t>(OptionalHeaderSize(machine)));
  Put16(b, 86, 0x2102);  // executable, 32-bit words, DLL
  Put16(b, kOpt, machine == kMachineAmd64 ? 0x20B : 0x10B);
  Put32(b, kOpt + 32, 0x1000);                   // section alignment
  Put32(b, kOpt + 56, 0x1000 * (sections + 1));  // SizeOfImage
  Put32(b, kOpt + 60, 0x200);                    // SizeOfHeaders
  const std::size_t table = kOpt + OptionalHeaderSize(machine);
  for (unsigned i = 0; i < sections; ++i) {
    Put32(b, table + 40 * i + 8, 0x10);
    Put32(b, table + 40 * i + 12, 0x1000 * (i + 1));
    Put32(b, table + 40 * i + 16, 0x200);
    Put32(b, table + 40 * i + 20, 0x200 * (i + 1));
  }
  return b;
}

class PeHeadersTest : public ::testing::TestWithParam<std::uint16_t> {
protected:
  ImageVerdict Check(const std::vector<std::uint8_t>& image, HeaderCheck check = HeaderCheck::Basic) {
    return CheckRawHeaders(image.data(), image.size(), GetParam(), check, layout_);
  }
  HeaderLayout layout_;
};

TEST_P(PeHeadersTest, AcceptsAWellFormedImageAndTellsTheOtherMachineApart) {
  std::vector<std::uint8_t> image = BuildImage(GetParam(), 2);
  ASSERT_EQ(Check(image, HeaderCheck::Strict), ImageVerdict::Accepted);
  EXPECT_EQ(layout_.sectionTable, kOpt + OptionalHeaderSize(GetParam()));
  EXPECT_EQ(layout_.sectionCount, 2u);
  EXPECT_EQ(MappedExtentOf(image.data(), layout_), 0x3000u);
  const std::uint16_t other = GetParam() == kMachineAmd64 ? kMachineI386 : kMachineAmd64;
  EXPECT_EQ(CheckRawHeaders(image.data(), image.size(), other, HeaderCheck::Basic, layout_),
            ImageVerdict::ForeignMachine);
  image.pop_back();  // the last section's raw data is cut short
  EXPECT_EQ(Check(image), ImageVerdict::Refused);
}

TEST_P(PeHeadersTest, ExtentCoversEverythingTheMappersCopy) {
  // Sections beyond a small SizeOfImage: an alignment near 4 GiB must not wrap their rounded
  // ends around to below them.
  std::vector<std::uint8_t> image = BuildImage(GetParam(), 2);
  Put32(image, kOpt + 56, 0x1000);
  Put32(image, kOpt + 32, 0xFFFFF000);
  ASSERT_EQ(Check(image), ImageVerdict::Accepted);
  EXPECT_GE(MappedExtentOf(image.data(), layout_), 0x2200u);

  // A section table that starts inside SizeOfImage but runs past it is copied whole.
  image = BuildImage(GetParam(), 0);
  const std::size_t table = kOpt + OptionalHeaderSize(GetParam());
  Put16(image, 70, 4);  // four empty sections
  Put32(image, kOpt + 56, static_cast<std::uint32_t>(table + 1));
  Put32(image, kOpt + 60, 0);
  ASSERT_EQ(Check(image), ImageVerdict::Accepted);
  EXPECT_GE(MappedExtentOf(image.data(), layout_), table + 4 * kSectionHeaderSize);
}

INSTANTIATE_TEST_SUITE_P(BothLayouts, PeHeadersTest, ::testing::Values(kMachineI386, kMachineAmd64));

}  // namespace
}  // namespace storvane::pe
