#include "util/pe_headers.h"

namespace storvane::pe {
namespace {

constexpr std::uint16_t kDosSignature = 0x5A4D;     // "MZ"
constexpr std::uint32_t kNtSignature = 0x00004550;  // "PE\0\0"
constexpr std::uint16_t kExecutableImage = 0x0002;
constexpr std::uint32_t kMaxImageSize = 0x40000000u;

// Offsets from the signature, from the optional header and within a section header.
constexpr std::size_t kMachineField = 4, kSectionCountField = 6, kOptionalSizeField = 20, kCharacteristicsField = 22;
constexpr std::size_t kMagicField = 0, kSectionAlignmentField = 32, kSizeOfImageField = 56, kSizeOfHeadersField = 60;
constexpr std::size_t kVirtualSizeField = 8, kVirtualAddressField = 12, kRawSizeField = 16, kRawPointerField = 20;

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t U32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}

// Whether [offset, offset + length) lies inside [0, limit), without overflow.
bool Inside(std::uint64_t offset, std::uint64_t length, std::uint64_t limit) {
  return offset <= limit && length <= limit - offset;
}

// In 64 bits: an alignment near 4 GiB must not wrap a section's end around to below its start
// (a value up to 1 GiB rounds to at most 4 GiB - 1).
std::uint64_t RoundUp(std::uint64_t value, std::uint64_t alignment) {
  if (alignment == 0) return value;
  return (value + alignment - 1) / alignment * alignment;
}

std::uint32_t SectionSpan(const std::uint8_t* section) {
  const std::uint32_t virtualSize = U32(section + kVirtualSizeField);
  const std::uint32_t rawSize = U32(section + kRawSizeField);
  return virtualSize > rawSize ? virtualSize : rawSize;
}

}  // namespace

ImageVerdict CheckRawHeaders(const std::uint8_t* bytes, std::size_t size, std::uint16_t ownMachine, HeaderCheck check,
                             HeaderLayout& out) {
  constexpr ImageVerdict kRefused = ImageVerdict::Refused;
  const std::uint16_t foreignMachine = ownMachine == kMachineAmd64 ? kMachineI386 : kMachineAmd64;
  if (bytes == nullptr || size < kDosHeaderSize) return kRefused;
  if (U16(bytes) != kDosSignature) return kRefused;
  const std::uint32_t ntOffset = U32(bytes + 60);  // e_lfanew
  // The machine decides the optional header's layout, so it is judged from the file header
  // alone, before the optional header is read as this build's type.
  if (!Inside(ntOffset, kOptionalHeaderOffset, size)) return kRefused;
  const std::uint8_t* nt = bytes + ntOffset;
  if (U32(nt) != kNtSignature) return kRefused;
  const std::uint16_t machine = U16(nt + kMachineField);
  if (machine == foreignMachine) return ImageVerdict::ForeignMachine;
  if (machine != ownMachine) return kRefused;
  // Signature, file header and the whole optional header of this layout.
  if (!Inside(ntOffset, NtHeadersSize(ownMachine), size)) return kRefused;
  const std::uint8_t* opt = nt + kOptionalHeaderOffset;
  if (U16(opt + kMagicField) != (ownMachine == kMachineAmd64 ? 0x20B : 0x10B)) return kRefused;
  const std::uint32_t optionalSize = U16(nt + kOptionalSizeField);
  if (optionalSize < DataDirectoryOffset(ownMachine)) return kRefused;
  if (check == HeaderCheck::Strict) {
    if ((U16(nt + kCharacteristicsField) & kExecutableImage) == 0) return kRefused;
    if (optionalSize < OptionalHeaderSize(ownMachine)) return kRefused;
  }
  const std::uint64_t sectionTable = std::uint64_t{ntOffset} + kOptionalHeaderOffset + optionalSize;
  const unsigned count = U16(nt + kSectionCountField);
  if (!Inside(sectionTable, std::uint64_t{count} * kSectionHeaderSize, size)) return kRefused;
  const std::uint32_t sizeOfImage = U32(opt + kSizeOfImageField);
  if (sizeOfImage == 0 || sizeOfImage > kMaxImageSize) return kRefused;
  if (U32(opt + kSizeOfHeadersField) > sizeOfImage || sectionTable > sizeOfImage) return kRefused;
  for (unsigned i = 0; i < count; ++i) {
    const std::uint8_t* s = bytes + sectionTable + std::uint64_t{i} * kSectionHeaderSize;
    const std::uint32_t rawSize = U32(s + kRawSizeField);
    if (rawSize != 0 && !Inside(U32(s + kRawPointerField), rawSize, size)) return kRefused;
    // The copy of the raw data and the virtual range must both fit the mapped image.
    if (!Inside(U32(s + kVirtualAddressField), SectionSpan(s), kMaxImageSize)) return kRefused;
  }
  out.machine = ownMachine;
  out.ntOffset = ntOffset;
  out.sectionTable = sectionTable;
  out.sectionCount = count;
  return ImageVerdict::Accepted;
}

std::uint64_t MappedExtentOf(const std::uint8_t* bytes, const HeaderLayout& layout) {
  const std::uint8_t* opt = bytes + layout.ntOffset + kOptionalHeaderOffset;
  const std::uint32_t alignment = U32(opt + kSectionAlignmentField);
  std::uint64_t extent = U32(opt + kSizeOfImageField);
  // The headers are copied up to the end of the section table, which only has to start inside
  // SizeOfImage.
  const std::uint64_t tableEnd = layout.sectionTable + std::uint64_t{layout.sectionCount} * kSectionHeaderSize;
  if (tableEnd > extent) extent = tableEnd;
  for (unsigned i = 0; i < layout.sectionCount; ++i) {
    const std::uint8_t* s = bytes + layout.sectionTable + std::uint64_t{i} * kSectionHeaderSize;
    const std::uint64_t end = RoundUp(std::uint64_t{U32(s + kVirtualAddressField)} + SectionSpan(s), alignment);
    if (end > extent) extent = end;
  }
  return extent;
}

}  // namespace storvane::pe
