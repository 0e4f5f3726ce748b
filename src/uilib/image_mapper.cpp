#include "uilib/image_mapper.h"

#include <cstdint>

#include "uilib/pe_image.h"
#include "util/handles.h"

namespace storvane::uilib {
namespace {

// Protection by (executable, readable, writable).
constexpr DWORD kProtections[2][2][2] = {
    {{PAGE_NOACCESS, PAGE_WRITECOPY}, {PAGE_READONLY, PAGE_READWRITE}},
    {{PAGE_EXECUTE, PAGE_EXECUTE_WRITECOPY}, {PAGE_EXECUTE_READ, PAGE_EXECUTE_READWRITE}},
};

UniqueVirtualMemory ReserveImage(std::uintptr_t preferredBase, std::size_t extent) {
  UniqueVirtualMemory memory(
      ::VirtualAlloc(reinterpret_cast<void*>(preferredBase), extent, MEM_RESERVE, PAGE_READWRITE));
  if (!memory) memory.reset(::VirtualAlloc(nullptr, extent, MEM_RESERVE, PAGE_READWRITE));
  if (!memory) return {};
  if (::VirtualAlloc(memory.get(), extent, MEM_COMMIT, PAGE_READWRITE) == nullptr) return {};
  return memory;
}

bool ResolveImports(const pe::MappedImage& image) {
  const IMAGE_DATA_DIRECTORY& dir = image.nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (dir.VirtualAddress == 0 || dir.Size == 0) return true;
  for (std::uint32_t rva = dir.VirtualAddress;; rva += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
    const auto* desc = static_cast<const IMAGE_IMPORT_DESCRIPTOR*>(pe::At(image, rva, sizeof(IMAGE_IMPORT_DESCRIPTOR)));
    if (desc == nullptr || desc->Name == 0) break;
    const auto* name = static_cast<const char*>(pe::At(image, desc->Name, 1));
    if (name == nullptr) return false;
    // These references belong to the mapped library from now on; the system releases them
    // at process end.
    HMODULE module = ::LoadLibraryA(name);
    if (module == nullptr) return false;
    pe::ImportEntry entry;
    for (std::uint32_t i = 0;; ++i) {
      const pe::ImportRead read = pe::ReadImport(image, *desc, i, entry);
      if (read == pe::ImportRead::Damaged) return false;
      if (read == pe::ImportRead::End) break;
      FARPROC proc = ::GetProcAddress(module, entry.nameOrOrdinal);
      if (proc == nullptr) return false;
      entry.slot->u1.Function = reinterpret_cast<ULONG_PTR>(proc);
    }
  }
  return true;
}

void ProtectSections(const pe::MappedImage& image) {
  const IMAGE_NT_HEADERS* nt = image.nt;
  const auto* sections = IMAGE_FIRST_SECTION(nt);
  SYSTEM_INFO info;
  ::GetSystemInfo(&info);
  for (unsigned i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
    const IMAGE_SECTION_HEADER& s = sections[i];
    std::uint8_t* address = image.base + s.VirtualAddress;
    const DWORD c = s.Characteristics;
    if ((c & IMAGE_SCN_MEM_DISCARDABLE) != 0) {
      // Only whole pages of its own can go; with a smaller alignment the page is shared.
      if (nt->OptionalHeader.SectionAlignment >= info.dwPageSize && s.Misc.VirtualSize != 0) {
        ::VirtualFree(address, s.Misc.VirtualSize, MEM_DECOMMIT);
      }
      continue;
    }
    DWORD size = s.SizeOfRawData;
    if (size == 0) {
      if ((c & IMAGE_SCN_CNT_INITIALIZED_DATA) != 0)
        size = nt->OptionalHeader.SizeOfInitializedData;
      else if ((c & IMAGE_SCN_CNT_UNINITIALIZED_DATA) != 0)
        size = nt->OptionalHeader.SizeOfUninitializedData;
    }
    if (size == 0) continue;
    if (s.VirtualAddress + std::size_t{size} > image.extent) size = static_cast<DWORD>(image.extent - s.VirtualAddress);
    DWORD protection =
        kProtections[(c & IMAGE_SCN_MEM_EXECUTE) != 0][(c & IMAGE_SCN_MEM_READ) != 0][(c & IMAGE_SCN_MEM_WRITE) != 0];
    if ((c & IMAGE_SCN_MEM_NOT_CACHED) != 0) protection |= PAGE_NOCACHE;
    DWORD old;
    ::VirtualProtect(address, size, protection, &old);
  }
}

#if defined(_WIN64)
// Registered once the image is in place and before any of its code runs, taken back before its
// memory goes: the system's unwinder reads these tables for as long as they are registered.
bool RegisterFunctionTable(const pe::MappedImage& image) {
  PRUNTIME_FUNCTION table;
  DWORD count;
  if (!pe::FunctionTableOf(image, table, count)) return false;
  return count == 0 || ::RtlAddFunctionTable(table, count, reinterpret_cast<DWORD64>(image.base));
}

void UnregisterFunctionTable(const pe::MappedImage& image) {
  PRUNTIME_FUNCTION table;
  DWORD count;
  if (pe::FunctionTableOf(image, table, count) && count != 0) ::RtlDeleteFunctionTable(table);
}
#else
// 32-bit images register their own unwind data from their entry point.
bool RegisterFunctionTable(const pe::MappedImage&) { return true; }
void UnregisterFunctionTable(const pe::MappedImage&) {}
#endif

}  // namespace

HMODULE MapImageFromMemory(const void* image, std::size_t size) {
  pe::RawImage raw;
  if (pe::ReadRawImage(image, size, pe::HeaderCheck::Basic, raw) != pe::ImageVerdict::Accepted) return nullptr;
  const auto preferred = static_cast<std::uintptr_t>(raw.nt->OptionalHeader.ImageBase);
  const std::size_t extent = pe::MappedExtent(raw);
  UniqueVirtualMemory memory = ReserveImage(preferred, extent);
  if (!memory) return nullptr;
  pe::MappedImage mapped;
  if (!pe::PlaceImage(raw, static_cast<std::uint8_t*>(memory.get()), extent, pe::RelocationWalk::WhenMoved, mapped)) {
    return nullptr;
  }
  if (!ResolveImports(mapped)) return nullptr;
  ProtectSections(mapped);
  if (!RegisterFunctionTable(mapped)) return nullptr;

  if (!pe::AttachImage(mapped)) {
    UnregisterFunctionTable(mapped);
    return nullptr;
  }
  return reinterpret_cast<HMODULE>(memory.release());
}

FARPROC WINAPI LookupMappedExport(HMODULE module, LPCSTR nameOrOrdinal) {
  pe::MappedImage image;
  if (!pe::ViewMappedImage(module, image)) return nullptr;
  return pe::FindExport(image, nameOrOrdinal);
}

BOOL WINAPI ReleaseMappedImage(HMODULE module) {
  pe::MappedImage image;
  if (!pe::ViewMappedImage(module, image)) return FALSE;
  pe::DetachImage(image);
  UnregisterFunctionTable(image);
  return ::VirtualFree(module, 0, MEM_RELEASE);
}

}  // namespace storvane::uilib
