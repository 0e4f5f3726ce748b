// Reading 32-bit PE images, both as raw file bytes (before mapping) and as mapped images (after
// mapping), with every offset checked against the bytes that really exist. The two mappers of
// the skin-UI library share these steps; a damaged image is refused, never read past its end.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace storvane::uilib::pe {

// Headers of an image held as file bytes; all pointers point into those bytes.
struct RawImage {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  const IMAGE_NT_HEADERS32* nt = nullptr;
  const IMAGE_SECTION_HEADER* sections = nullptr;
  unsigned sectionCount = 0;
};

enum class HeaderCheck {
  // "MZ" and "PE\0\0", plus what is needed to read the rest safely: machine 0x14C with a
  // 32-bit optional header, the section table inside the bytes and every section's raw data
  // inside the bytes. (The mappers allocate MappedExtent, so every section fits the image.)
  Basic,
  // Basic, and the image must be marked executable with an optional header of at least 224 bytes.
  Strict,
};

// Validates the headers of `size` bytes at `data`; false leaves `out` unspecified.
bool ReadRawImage(const void* data, std::size_t size, HeaderCheck check, RawImage& out);

// Bytes the mapped image occupies: the larger of SizeOfImage and the end of the highest section
// (virtual address plus the larger of virtual and raw size, rounded up to the section alignment).
std::size_t MappedExtent(const RawImage& image);

// A mapped image: base address and the headers as they lie in it.
struct MappedImage {
  std::uint8_t* base = nullptr;
  std::size_t extent = 0;  // bytes addressable from base
  const IMAGE_NT_HEADERS32* nt = nullptr;
};

// The headers of an image mapped at `module`, checked against its own SizeOfImage; false for
// anything that does not look like a mapped 32-bit image.
bool ViewMappedImage(HMODULE module, MappedImage& out);

// Pointer to `size` bytes at `rva` inside the mapped image, or null when they lie outside it.
const void* At(const MappedImage& image, std::uint32_t rva, std::size_t size);

// Copies the headers (up to the end of the section table) and each section's raw data into the
// fresh allocation at `base` (at least MappedExtent bytes, zero-filled).
void CopyHeadersAndSections(const RawImage& raw, std::uint8_t* base);

// Adds (base − preferred base) to every 32-bit high-low relocation entry. Blocks are walked while
// their page address is non-zero and they lie inside the relocation directory; other entry types
// are skipped. False when a block or an entry points outside the image.
bool ApplyRelocations(const MappedImage& image);

// Runs the image's TLS callbacks with (base, reason, null), in table order. Images built by our
// toolchain always carry them: the C runtime's thread-local set-up and tear-down live there.
void RunTlsCallbacks(const MappedImage& image, DWORD reason);

using EntryPoint = BOOL(WINAPI*)(HINSTANCE, DWORD, LPVOID);
// The image's entry point (AddressOfEntryPoint), or null when it has none.
EntryPoint EntryPointOf(const MappedImage& image);

// Export directory of a mapped image, or null when it has none (or it does not fit).
const IMAGE_EXPORT_DIRECTORY* ExportDirectory(const MappedImage& image);

// Function address for export index `index` (position in the function table), or null when the
// index is out of range, the slot is empty, or the address lies inside the export directory
// (a forwarder, whose "module.name" text is not code).
FARPROC ExportByIndex(const MappedImage& image, std::uint32_t index);

// Whether `nameOrOrdinal` is an ordinal (a value up to 0xFFFF) rather than a pointer to a name.
inline bool IsOrdinal(const char* nameOrOrdinal) {
  return reinterpret_cast<std::uintptr_t>(nameOrOrdinal) <= 0xFFFF;
}

// An export by name (exact bytes, through the name-ordinal table: names and functions are not in
// the same order when ordinals were assigned by hand) or by ordinal (minus the export base);
// null when there is none or it is a forwarder.
FARPROC FindExport(const MappedImage& image, const char* nameOrOrdinal);

// Compares the zero-terminated name at `rva` in the image with `name`, never reading past the
// image's end.
bool NameAtEquals(const MappedImage& image, std::uint32_t rva, const char* name);

}  // namespace storvane::uilib::pe
