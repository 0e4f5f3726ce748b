// The header checks of a PE image held as file bytes, over the bytes alone. Fields are read at
// their file-format offsets (little-endian, any alignment) instead of through windows.h's
// structures, so the checks also build natively, where sanitizers and fuzzers exercise them on
// damaged images. The skin-UI library's mappers read the structures of the bytes accepted here
// (uilib/pe_image.h); downloads of programs are judged by them too (util/image_file.h).
#pragma once

#include <cstddef>
#include <cstdint>

namespace storvane::pe {

inline constexpr std::uint16_t kMachineI386 = 0x14C;    // PE32 images
inline constexpr std::uint16_t kMachineAmd64 = 0x8664;  // PE32+ images

enum class HeaderCheck {
  // "MZ" and "PE\0\0", plus what is needed to read the rest safely: the machine of this build
  // with its optional header type, the section table inside the bytes and every section's raw
  // data inside the bytes. (The mappers allocate MappedExtent, so every section fits the image.)
  Basic,
  // Basic, and the image must be marked executable with a whole optional header (224 bytes for
  // PE32, 240 for PE32+).
  Strict,
};

enum class ImageVerdict {
  Accepted,
  Refused,  // damaged, or not what the check asks for
  // A readable image for the other architecture (0x8664 in the 32-bit build, 0x14C in the
  // 64-bit one). Told apart from damage because the cure differs: the file is fine, it is the
  // wrong build of the library for this program.
  ForeignMachine,
};

// Where the accepted headers lie in the bytes.
struct HeaderLayout {
  std::uint16_t machine = 0;
  std::uint32_t ntOffset = 0;      // "PE\0\0", followed by the file and optional headers
  std::uint64_t sectionTable = 0;  // the first section header
  unsigned sectionCount = 0;
};

// Byte sizes and offsets of the two layouts that the checks rely on.
inline constexpr std::size_t kDosHeaderSize = 64;
inline constexpr std::size_t kSectionHeaderSize = 40;
inline constexpr std::size_t kOptionalHeaderOffset = 24;  // from the signature
inline constexpr std::size_t NtHeadersSize(std::uint16_t machine) { return machine == kMachineAmd64 ? 264 : 248; }
inline constexpr std::size_t DataDirectoryOffset(std::uint16_t machine) { return machine == kMachineAmd64 ? 112 : 96; }
inline constexpr std::size_t OptionalHeaderSize(std::uint16_t machine) { return machine == kMachineAmd64 ? 240 : 224; }

// Validates the headers of `size` bytes at `bytes` for an image of `ownMachine` (kMachineI386
// or kMachineAmd64); anything but Accepted leaves `out` unspecified.
ImageVerdict CheckRawHeaders(const std::uint8_t* bytes, std::size_t size, std::uint16_t ownMachine, HeaderCheck check,
                             HeaderLayout& out);

// Bytes the mapped image occupies, for headers accepted by CheckRawHeaders: the largest of
// SizeOfImage, the end of the section table and the end of the highest section (virtual address
// plus the larger of virtual and raw size, rounded up to the section alignment). Everything
// CopyHeadersAndSections writes lies inside it, and it is below 4 GiB.
std::uint64_t MappedExtentOf(const std::uint8_t* bytes, const HeaderLayout& layout);

}  // namespace storvane::pe
