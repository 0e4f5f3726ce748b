// Reading PE images of the program's own architecture (PE32 for machine 0x14C in the 32-bit
// build, PE32+ for machine 0x8664 in the 64-bit build), both as raw file bytes (before mapping)
// and as mapped images (after mapping), with every offset checked against the bytes that really
// exist. The two mappers of the skin-UI library share these steps; a damaged image is refused,
// never read past its end. The header, thunk and TLS types are windows.h's, which follow the
// build, so one source reads whichever layout the process itself has.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "util/pe_headers.h"

namespace storvane::uilib::pe {

// The mappers speak of the byte-level checks' verdicts and layouts as their own.
using namespace storvane::pe;  // NOLINT(google-build-using-namespace)

// Headers of an image held as file bytes; all pointers point into those bytes.
struct RawImage {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  const IMAGE_NT_HEADERS* nt = nullptr;
  const IMAGE_SECTION_HEADER* sections = nullptr;
  unsigned sectionCount = 0;
};

// Validates the headers of `size` bytes at `data` for this build's machine (CheckRawHeaders);
// anything but Accepted leaves `out` unspecified.
ImageVerdict ReadRawImage(const void* data, std::size_t size, HeaderCheck check, RawImage& out);

// Bytes the mapped image occupies (MappedExtentOf): everything CopyHeadersAndSections writes
// lies inside it.
std::size_t MappedExtent(const RawImage& image);

// A mapped image: base address and the headers as they lie in it.
struct MappedImage {
  std::uint8_t* base = nullptr;
  std::size_t extent = 0;  // bytes addressable from base
  const IMAGE_NT_HEADERS* nt = nullptr;
};

// The headers of an image mapped at `module`, checked against its own SizeOfImage; false for
// anything that does not look like a mapped image of this build's architecture.
bool ViewMappedImage(HMODULE module, MappedImage& out);

// Pointer to `size` bytes at `rva` inside the mapped image, or null when they lie outside it.
// (64-bit offsets, so that a pointer-sized value minus the base is never cut short into range.)
const void* At(const MappedImage& image, std::uint64_t rva, std::size_t size);

// Copies the headers (up to the end of the section table) and each section's raw data into the
// fresh allocation at `base` (at least MappedExtent bytes, zero-filled).
void CopyHeadersAndSections(const RawImage& raw, std::uint8_t* base);

// Adds (base − preferred base) to every pointer-sized relocation entry: high-low (32 bits) in
// the 32-bit build, dir64 in the 64-bit one. Blocks are walked while their page address is
// non-zero and they lie inside the relocation directory; other entry types are skipped. False
// when a block or an entry points outside the image.
bool ApplyRelocations(const MappedImage& image);

// Whether the relocation table is walked (and so checked) when the image got its preferred base.
enum class RelocationWalk { WhenMoved, Always };

// Lays `raw` out at `base` (a fresh zero-filled allocation of `extent` bytes, at least
// MappedExtent) and relocates it from its preferred base into `out`. False when it cannot run
// there: headers that do not read back, a fixed-base image away from its base, or a relocation
// outside the image.
bool PlaceImage(const RawImage& raw, std::uint8_t* base, std::size_t extent, RelocationWalk walk, MappedImage& out);

// One entry of an import descriptor's lookup table, and the address table slot it fills.
struct ImportEntry {
  const char* nameOrOrdinal = nullptr;  // an ordinal is a value up to 0xFFFF, as for FindExport
  bool byOrdinal = false;
  IMAGE_THUNK_DATA* slot = nullptr;  // write the routine's address to slot->u1.Function
};

enum class ImportRead { Entry, End, Damaged };

// Entry `index` of `desc`'s lookup table (OriginalFirstThunk, or FirstThunk when there is none).
// Damaged when a thunk, or a name with its terminating zero, lies outside the image.
ImportRead ReadImport(const MappedImage& image, const IMAGE_IMPORT_DESCRIPTOR& desc, std::uint32_t index,
                      ImportEntry& out);

// Runs the image's TLS callbacks with (base, reason, null), in table order. Images built by our
// toolchain always carry them: the C runtime's thread-local set-up and tear-down live there.
// The mappers allocate no TLS index: the image's index slot (AddressOfIndex) keeps its value.
// Our toolchain emulates thread-local storage with TlsAlloc, so its code never reads that slot.
void RunTlsCallbacks(const MappedImage& image, DWORD reason);

#if defined(_WIN64)
// The image's RUNTIME_FUNCTION table (exception directory), for RtlAddFunctionTable: 64-bit
// unwinding finds a function's unwind data only through tables the system knows of, and the
// system knows nothing of an image it did not load. Count 0 when there is none; false when the
// directory lies outside the image. (32-bit code of our toolchain unwinds through frame data
// that the image's C runtime registers itself from its entry point.)
bool FunctionTableOf(const MappedImage& image, PRUNTIME_FUNCTION& table, DWORD& count);
#endif

using EntryPoint = BOOL(WINAPI*)(HINSTANCE, DWORD, LPVOID);
// The image's entry point (AddressOfEntryPoint), or null when it has none.
EntryPoint EntryPointOf(const MappedImage& image);

// The process attach, as the system loader runs it: the TLS callbacks, then the entry point. When
// the entry point refuses, the detach runs at once and the result is false.
bool AttachImage(const MappedImage& image);
// The process detach: the TLS callbacks, then the entry point.
void DetachImage(const MappedImage& image);

// Export directory of a mapped image, or null when it has none (or it does not fit).
const IMAGE_EXPORT_DIRECTORY* ExportDirectory(const MappedImage& image);

// Function address for export index `index` (position in the function table), or null when the
// index is out of range, the slot is empty, or the address lies inside the export directory
// (a forwarder, whose "module.name" text is not code).
FARPROC ExportByIndex(const MappedImage& image, std::uint32_t index);

// Whether `nameOrOrdinal` is an ordinal (a value up to 0xFFFF) rather than a pointer to a name.
inline bool IsOrdinal(const char* nameOrOrdinal) { return reinterpret_cast<std::uintptr_t>(nameOrOrdinal) <= 0xFFFF; }

// An export by name (exact bytes, through the name-ordinal table: names and functions are not in
// the same order when ordinals were assigned by hand) or by ordinal (minus the export base);
// null when there is none or it is a forwarder.
FARPROC FindExport(const MappedImage& image, const char* nameOrOrdinal);

// Compares the zero-terminated name at `rva` in the image with `name`, never reading past the
// image's end.
bool NameAtEquals(const MappedImage& image, std::uint32_t rva, const char* name);

}  // namespace storvane::uilib::pe
