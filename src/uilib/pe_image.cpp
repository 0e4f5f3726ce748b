#include "uilib/pe_image.h"

#include <cstddef>
#include <cstring>

namespace storvane::uilib::pe {
namespace {

// The machine this build's code runs on, and the entry type that relocates a pointer of this
// build.
#if defined(_WIN64)
constexpr std::uint16_t kOwnMachine = kMachineAmd64;
constexpr int kPointerRelocation = IMAGE_REL_BASED_DIR64;
#else
constexpr std::uint16_t kOwnMachine = kMachineI386;
constexpr int kPointerRelocation = IMAGE_REL_BASED_HIGHLOW;
#endif

// The byte-level header checks read fields at fixed offsets; these are the structures the rest of
// this file reads the same bytes through.
static_assert(sizeof(IMAGE_DOS_HEADER) == kDosHeaderSize && offsetof(IMAGE_DOS_HEADER, e_lfanew) == 60);
static_assert(sizeof(IMAGE_NT_HEADERS) == NtHeadersSize(kOwnMachine));
static_assert(IMAGE_NT_OPTIONAL_HDR_MAGIC == (kOwnMachine == kMachineAmd64 ? 0x20B : 0x10B));
static_assert(offsetof(IMAGE_NT_HEADERS, OptionalHeader) == kOptionalHeaderOffset);
static_assert(offsetof(IMAGE_OPTIONAL_HEADER, DataDirectory) == DataDirectoryOffset(kOwnMachine));
static_assert(sizeof(IMAGE_OPTIONAL_HEADER) == OptionalHeaderSize(kOwnMachine));
static_assert(offsetof(IMAGE_OPTIONAL_HEADER, SectionAlignment) == 32 &&
              offsetof(IMAGE_OPTIONAL_HEADER, SizeOfImage) == 56 &&
              offsetof(IMAGE_OPTIONAL_HEADER, SizeOfHeaders) == 60);
static_assert(sizeof(IMAGE_SECTION_HEADER) == kSectionHeaderSize &&
              offsetof(IMAGE_SECTION_HEADER, Misc.VirtualSize) == 8 &&
              offsetof(IMAGE_SECTION_HEADER, VirtualAddress) == 12 &&
              offsetof(IMAGE_SECTION_HEADER, SizeOfRawData) == 16 &&
              offsetof(IMAGE_SECTION_HEADER, PointerToRawData) == 20);

// Whether [offset, offset + length) lies inside [0, limit), without overflow.
bool Inside(std::uint64_t offset, std::uint64_t length, std::uint64_t limit) {
  return offset <= limit && length <= limit - offset;
}

}  // namespace

ImageVerdict ReadRawImage(const void* data, std::size_t size, HeaderCheck check, RawImage& out) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  HeaderLayout layout;
  const ImageVerdict verdict = CheckRawHeaders(bytes, size, kOwnMachine, check, layout);
  if (verdict != ImageVerdict::Accepted) return verdict;
  out.data = bytes;
  out.size = size;
  out.nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(bytes + layout.ntOffset);
  out.sections = reinterpret_cast<const IMAGE_SECTION_HEADER*>(bytes + layout.sectionTable);
  out.sectionCount = layout.sectionCount;
  return ImageVerdict::Accepted;
}

std::size_t MappedExtent(const RawImage& image) {
  HeaderLayout layout;
  layout.machine = kOwnMachine;
  layout.ntOffset = static_cast<std::uint32_t>(reinterpret_cast<const std::uint8_t*>(image.nt) - image.data);
  layout.sectionTable = static_cast<std::uint64_t>(reinterpret_cast<const std::uint8_t*>(image.sections) - image.data);
  layout.sectionCount = image.sectionCount;
  return static_cast<std::size_t>(MappedExtentOf(image.data, layout));
}

bool ViewMappedImage(HMODULE module, MappedImage& out) {
  auto* base = reinterpret_cast<std::uint8_t*>(module);
  if (base == nullptr) return false;
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  if (dos->e_magic != IMAGE_DOS_SIGNATURE) return false;
  const auto ntOffset = static_cast<std::uint32_t>(dos->e_lfanew);
  if (ntOffset > 0x1000 - sizeof(IMAGE_NT_HEADERS)) return false;  // headers live in the first page
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + ntOffset);
  if (nt->Signature != IMAGE_NT_SIGNATURE) return false;
  if (nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR_MAGIC) return false;
  out.base = base;
  out.extent = nt->OptionalHeader.SizeOfImage;
  out.nt = nt;
  return true;
}

const void* At(const MappedImage& image, std::uint64_t rva, std::size_t size) {
  if (!Inside(rva, size, image.extent)) return nullptr;
  return image.base + rva;
}

void CopyHeadersAndSections(const RawImage& raw, std::uint8_t* base) {
  const auto* tableEnd = reinterpret_cast<const std::uint8_t*>(raw.sections + raw.sectionCount);
  std::memcpy(base, raw.data, static_cast<std::size_t>(tableEnd - raw.data));
  for (unsigned i = 0; i < raw.sectionCount; ++i) {
    const IMAGE_SECTION_HEADER& s = raw.sections[i];
    if (s.SizeOfRawData != 0) std::memcpy(base + s.VirtualAddress, raw.data + s.PointerToRawData, s.SizeOfRawData);
  }
}

bool ApplyRelocations(const MappedImage& image) {
  const auto& opt = image.nt->OptionalHeader;
  // Modulo the pointer width: a move downwards wraps around, as the addresses it is added to do.
  const std::uintptr_t delta =
      reinterpret_cast<std::uintptr_t>(image.base) - static_cast<std::uintptr_t>(opt.ImageBase);
  const IMAGE_DATA_DIRECTORY& dir = opt.DataDirectory[IMAGE_DIRECTORY_ENTRY_BASERELOC];
  if (dir.VirtualAddress == 0 || dir.Size == 0) return true;
  if (At(image, dir.VirtualAddress, dir.Size) == nullptr) return false;
  std::uint32_t offset = 0;
  while (dir.Size - offset >= sizeof(IMAGE_BASE_RELOCATION)) {
    const auto* block = static_cast<const IMAGE_BASE_RELOCATION*>(
        At(image, dir.VirtualAddress + offset, sizeof(IMAGE_BASE_RELOCATION)));
    if (block->VirtualAddress == 0) break;
    if (block->SizeOfBlock < sizeof(IMAGE_BASE_RELOCATION) || block->SizeOfBlock > dir.Size - offset) return false;
    const auto* entries = reinterpret_cast<const std::uint16_t*>(block + 1);
    const std::uint32_t count = (block->SizeOfBlock - sizeof(IMAGE_BASE_RELOCATION)) / 2;
    for (std::uint32_t i = 0; i < count; ++i) {
      if ((entries[i] >> 12) != kPointerRelocation) continue;
      const std::uint64_t target = std::uint64_t{block->VirtualAddress} + (entries[i] & 0x0FFF);
      auto* slot = const_cast<void*>(At(image, target, sizeof(std::uintptr_t)));
      if (slot == nullptr) return false;
      std::uintptr_t value;  // not necessarily aligned
      std::memcpy(&value, slot, sizeof(value));
      value += delta;
      std::memcpy(slot, &value, sizeof(value));
    }
    offset += block->SizeOfBlock;
  }
  return true;
}

bool PlaceImage(const RawImage& raw, std::uint8_t* base, std::size_t extent, RelocationWalk walk, MappedImage& out) {
  CopyHeadersAndSections(raw, base);
  if (!ViewMappedImage(reinterpret_cast<HMODULE>(base), out)) return false;
  out.extent = extent;
  const bool moved =
      reinterpret_cast<std::uintptr_t>(base) != static_cast<std::uintptr_t>(raw.nt->OptionalHeader.ImageBase);
  const IMAGE_DATA_DIRECTORY& relocs = out.nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_BASERELOC];
  const bool relocatable = relocs.VirtualAddress != 0 && relocs.Size != 0;
  if (moved && !relocatable) return false;  // an image without relocations runs only at its base
  return (moved || walk == RelocationWalk::Always) ? ApplyRelocations(out) : true;
}

ImportRead ReadImport(const MappedImage& image, const IMAGE_IMPORT_DESCRIPTOR& desc, std::uint32_t index,
                      ImportEntry& out) {
  const std::uint32_t lookupRva = desc.OriginalFirstThunk != 0 ? desc.OriginalFirstThunk : desc.FirstThunk;
  const std::uint64_t offset = std::uint64_t{index} * sizeof(IMAGE_THUNK_DATA);
  const auto* entry = static_cast<const IMAGE_THUNK_DATA*>(At(image, lookupRva + offset, sizeof(IMAGE_THUNK_DATA)));
  auto* slot =
      static_cast<IMAGE_THUNK_DATA*>(const_cast<void*>(At(image, desc.FirstThunk + offset, sizeof(IMAGE_THUNK_DATA))));
  if (entry == nullptr || slot == nullptr) return ImportRead::Damaged;
  const auto value = entry->u1.AddressOfData;
  if (value == 0) return ImportRead::End;
  out.slot = slot;
  out.byOrdinal = IMAGE_SNAP_BY_ORDINAL(value);
  if (out.byOrdinal) {
    out.nameOrOrdinal = reinterpret_cast<const char*>(static_cast<std::uintptr_t>(IMAGE_ORDINAL(value)));
    return ImportRead::Entry;
  }
  // The RVA of two bytes of hint, then the name; the system reads the name to its zero.
  const std::uint64_t nameRva = std::uint64_t{value} + 2;
  const auto* name = static_cast<const char*>(At(image, nameRva, 1));
  if (name == nullptr || std::memchr(name, 0, image.extent - nameRva) == nullptr) return ImportRead::Damaged;
  out.nameOrOrdinal = name;
  return ImportRead::Entry;
}

void RunTlsCallbacks(const MappedImage& image, DWORD reason) {
  const IMAGE_DATA_DIRECTORY& dir = image.nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_TLS];
  if (dir.VirtualAddress == 0) return;
  const auto* tls = static_cast<const IMAGE_TLS_DIRECTORY*>(At(image, dir.VirtualAddress, sizeof(IMAGE_TLS_DIRECTORY)));
  if (tls == nullptr || tls->AddressOfCallBacks == 0) return;
  // The callback table holds absolute (already relocated) pointers and ends with a null entry.
  // An address below the base wraps to far beyond the image, so At refuses it.
  const std::uintptr_t base = reinterpret_cast<std::uintptr_t>(image.base);
  std::uintptr_t tableRva = static_cast<std::uintptr_t>(tls->AddressOfCallBacks) - base;
  for (;; tableRva += sizeof(std::uintptr_t)) {
    const auto* slot = static_cast<const std::uintptr_t*>(At(image, tableRva, sizeof(std::uintptr_t)));
    if (slot == nullptr || *slot == 0) break;
    if (At(image, *slot - base, 1) == nullptr) break;
    auto callback = reinterpret_cast<PIMAGE_TLS_CALLBACK>(*slot);
    callback(image.base, reason, nullptr);
  }
}

#if defined(_WIN64)
bool FunctionTableOf(const MappedImage& image, PRUNTIME_FUNCTION& table, DWORD& count) {
  table = nullptr;
  count = 0;
  const IMAGE_DATA_DIRECTORY& dir = image.nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXCEPTION];
  if (dir.VirtualAddress == 0 || dir.Size < sizeof(RUNTIME_FUNCTION)) return true;
  // Within SizeOfImage, not only the mapped extent: the release, which sees only the headers,
  // must find the very table that was registered.
  if (!Inside(dir.VirtualAddress, dir.Size, image.nt->OptionalHeader.SizeOfImage)) return false;
  const void* entries = At(image, dir.VirtualAddress, dir.Size);
  if (entries == nullptr) return false;
  table = static_cast<PRUNTIME_FUNCTION>(const_cast<void*>(entries));
  count = dir.Size / sizeof(RUNTIME_FUNCTION);
  return true;
}
#endif

EntryPoint EntryPointOf(const MappedImage& image) {
  const std::uint32_t rva = image.nt->OptionalHeader.AddressOfEntryPoint;
  if (rva == 0 || At(image, rva, 1) == nullptr) return nullptr;
  return reinterpret_cast<EntryPoint>(image.base + rva);
}

bool AttachImage(const MappedImage& image) {
  RunTlsCallbacks(image, DLL_PROCESS_ATTACH);
  const EntryPoint entry = EntryPointOf(image);
  if (entry == nullptr || entry(reinterpret_cast<HINSTANCE>(image.base), DLL_PROCESS_ATTACH, nullptr)) return true;
  DetachImage(image);
  return false;
}

void DetachImage(const MappedImage& image) {
  RunTlsCallbacks(image, DLL_PROCESS_DETACH);
  if (const EntryPoint entry = EntryPointOf(image)) {
    entry(reinterpret_cast<HINSTANCE>(image.base), DLL_PROCESS_DETACH, nullptr);
  }
}

const IMAGE_EXPORT_DIRECTORY* ExportDirectory(const MappedImage& image) {
  const IMAGE_DATA_DIRECTORY& dir = image.nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  if (dir.VirtualAddress == 0 || dir.Size == 0) return nullptr;
  return static_cast<const IMAGE_EXPORT_DIRECTORY*>(At(image, dir.VirtualAddress, sizeof(IMAGE_EXPORT_DIRECTORY)));
}

FARPROC ExportByIndex(const MappedImage& image, std::uint32_t index) {
  const IMAGE_EXPORT_DIRECTORY* exports = ExportDirectory(image);
  if (exports == nullptr || index >= exports->NumberOfFunctions) return nullptr;
  const auto* slot =
      static_cast<const std::uint32_t*>(At(image, exports->AddressOfFunctions + std::uint64_t{index} * 4, 4));
  if (slot == nullptr || *slot == 0) return nullptr;
  const IMAGE_DATA_DIRECTORY& dir = image.nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  if (*slot >= dir.VirtualAddress && *slot - dir.VirtualAddress < dir.Size) return nullptr;  // forwarder
  if (At(image, *slot, 1) == nullptr) return nullptr;
  return reinterpret_cast<FARPROC>(image.base + *slot);
}

FARPROC FindExport(const MappedImage& image, const char* nameOrOrdinal) {
  const IMAGE_EXPORT_DIRECTORY* exports = ExportDirectory(image);
  if (exports == nullptr) return nullptr;
  if (IsOrdinal(nameOrOrdinal)) {
    const auto ordinal = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(nameOrOrdinal));
    return ordinal < exports->Base ? nullptr : ExportByIndex(image, ordinal - exports->Base);
  }
  for (std::uint32_t i = 0; i < exports->NumberOfNames; ++i) {
    const auto* nameRva =
        static_cast<const std::uint32_t*>(At(image, exports->AddressOfNames + std::uint64_t{i} * 4, 4));
    if (nameRva == nullptr) return nullptr;
    if (!NameAtEquals(image, *nameRva, nameOrOrdinal)) continue;
    const auto* index = static_cast<const std::uint16_t*>(At(image, exports->AddressOfNameOrdinals + i * 2, 2));
    return index == nullptr ? nullptr : ExportByIndex(image, *index);
  }
  return nullptr;
}

bool NameAtEquals(const MappedImage& image, std::uint32_t rva, const char* name) {
  for (std::size_t i = 0;; ++i) {
    const auto* c = static_cast<const char*>(At(image, rva + i, 1));
    if (c == nullptr || *c != name[i]) return false;
    if (*c == '\0') return true;
  }
}

}  // namespace storvane::uilib::pe
