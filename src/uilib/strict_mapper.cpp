#include "uilib/strict_mapper.h"

#include <winternl.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "uilib/function_cast.h"
#include "uilib/pe_image.h"
#include "util/handles.h"

namespace storvane::uilib {
namespace {

wchar_t FoldAscii(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

// Compares the file name part of a module's full path (winternl.h's loader entry publishes the
// full path, not the base name) with `wanted`.
bool SameBaseName(const UNICODE_STRING& path, std::wstring_view wanted) {
  if (path.Buffer == nullptr) return false;
  std::wstring_view name(path.Buffer, path.Length / sizeof(wchar_t));
  if (const std::size_t slash = name.find_last_of(L"\\/"); slash != std::wstring_view::npos)
    name.remove_prefix(slash + 1);
  if (name.size() != wanted.size()) return false;
  for (std::size_t i = 0; i < wanted.size(); ++i) {
    if (FoldAscii(name[i]) != FoldAscii(wanted[i])) return false;
  }
  return true;
}

constexpr int kMaxForwardDepth = 4;

FARPROC LookupInLoadedModule(HMODULE module, const char* name, int depth);

// "MODULE.Function" or "MODULE.#ordinal", as forwarders are written.
FARPROC FollowForwarder(const char* forwarder, int depth) {
  const char* dot = std::strrchr(forwarder, '.');
  if (dot == nullptr || depth >= kMaxForwardDepth) return nullptr;
  std::wstring moduleName(forwarder, dot);
  moduleName += L".dll";
  HMODULE target = FindLoadedSystemModule(moduleName);
  if (target == nullptr) return nullptr;
  if (dot[1] == '#') {
    const unsigned long ordinal = std::strtoul(dot + 2, nullptr, 10);
    if (ordinal == 0 || ordinal > 0xFFFF) return nullptr;
    return LookupInLoadedModule(target, reinterpret_cast<const char*>(static_cast<std::uintptr_t>(ordinal)), depth + 1);
  }
  return LookupInLoadedModule(target, dot + 1, depth + 1);
}

FARPROC LookupInLoadedModule(HMODULE module, const char* name, int depth) {
  pe::MappedImage image;
  if (!pe::ViewMappedImage(module, image)) return nullptr;
  const IMAGE_EXPORT_DIRECTORY* exports = pe::ExportDirectory(image);
  if (exports == nullptr) return nullptr;
  std::uint32_t index = 0xFFFFFFFFu;
  if (pe::IsOrdinal(name)) {
    const auto ordinal = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(name));
    if (ordinal >= exports->Base) index = ordinal - exports->Base;
  } else {
    for (std::uint32_t i = 0; i < exports->NumberOfNames; ++i) {
      const auto* nameRva =
          static_cast<const std::uint32_t*>(pe::At(image, exports->AddressOfNames + std::uint64_t{i} * 4, 4));
      if (nameRva == nullptr) return nullptr;
      if (!pe::NameAtEquals(image, *nameRva, name)) continue;
      const auto* ordinal = static_cast<const std::uint16_t*>(pe::At(image, exports->AddressOfNameOrdinals + i * 2, 2));
      if (ordinal != nullptr) index = *ordinal;
      break;
    }
  }
  if (index >= exports->NumberOfFunctions) return nullptr;
  const auto* slot =
      static_cast<const std::uint32_t*>(pe::At(image, exports->AddressOfFunctions + std::uint64_t{index} * 4, 4));
  if (slot == nullptr || *slot == 0) return nullptr;
  const IMAGE_DATA_DIRECTORY& dir = image.nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  if (*slot >= dir.VirtualAddress && *slot - dir.VirtualAddress < dir.Size) {
    const char* text = static_cast<const char*>(pe::At(image, *slot, 1));
    return text == nullptr ? nullptr : FollowForwarder(text, depth);
  }
  return reinterpret_cast<FARPROC>(image.base + *slot);
}

// The system routines this mapper works with, all taken from kernel32's export table.
struct SystemRoutines {
  decltype(&::LoadLibraryA) loadLibrary = nullptr;
  decltype(&::FreeLibrary) freeLibrary = nullptr;
  decltype(&::GetProcAddress) getProcAddress = nullptr;
  decltype(&::GetModuleHandleA) getModuleHandle = nullptr;
  decltype(&::VirtualAlloc) virtualAlloc = nullptr;
  decltype(&::VirtualFree) virtualFree = nullptr;
#if defined(_WIN64)
  decltype(&::RtlAddFunctionTable) addFunctionTable = nullptr;
  decltype(&::RtlDeleteFunctionTable) deleteFunctionTable = nullptr;
#endif

  bool Complete() const {
#if defined(_WIN64)
    if (!addFunctionTable || !deleteFunctionTable) return false;
#endif
    return loadLibrary && freeLibrary && getProcAddress && getModuleHandle && virtualAlloc && virtualFree;
  }
};

template <typename F>
void Resolve(HMODULE kernel, const char* name, F& out) {
  out = FunctionCast<F>(LookupExportInModule(kernel, name));
}

SystemRoutines FindSystemRoutines() {
  SystemRoutines r;
  HMODULE kernel = FindLoadedSystemModule(L"kernel32.dll");
  if (kernel == nullptr) return r;
  Resolve(kernel, "LoadLibraryA", r.loadLibrary);
  Resolve(kernel, "FreeLibrary", r.freeLibrary);
  Resolve(kernel, "GetProcAddress", r.getProcAddress);
  Resolve(kernel, "GetModuleHandleA", r.getModuleHandle);
  Resolve(kernel, "VirtualAlloc", r.virtualAlloc);
  Resolve(kernel, "VirtualFree", r.virtualFree);
#if defined(_WIN64)
  Resolve(kernel, "RtlAddFunctionTable", r.addFunctionTable);  // forwarded to ntdll
  Resolve(kernel, "RtlDeleteFunctionTable", r.deleteFunctionTable);
#endif
  return r;
}

#if defined(_WIN64)
// The image's unwind tables, registered before any of its code runs and taken back before its
// memory goes (see pe::FunctionTableOf).
bool RegisterFunctionTable(const pe::MappedImage& image, const SystemRoutines& sys) {
  PRUNTIME_FUNCTION table;
  DWORD count;
  if (!pe::FunctionTableOf(image, table, count)) return false;
  return count == 0 || sys.addFunctionTable(table, count, reinterpret_cast<DWORD64>(image.base));
}

void UnregisterFunctionTable(const pe::MappedImage& image, const SystemRoutines& sys) {
  PRUNTIME_FUNCTION table;
  DWORD count;
  if (pe::FunctionTableOf(image, table, count) && count != 0) sys.deleteFunctionTable(table);
}
#else
// 32-bit images register their own unwind data from their entry point.
bool RegisterFunctionTable(const pe::MappedImage&, const SystemRoutines&) { return true; }
void UnregisterFunctionTable(const pe::MappedImage&, const SystemRoutines&) {}
#endif

// Frees, by name, the modules of the first `count` import descriptors (all when count is -1).
void FreeImportedModules(const pe::MappedImage& image, const SystemRoutines& sys, int count) {
  const IMAGE_DATA_DIRECTORY& dir = image.nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (dir.VirtualAddress == 0 || dir.Size == 0) return;
  for (int i = 0; count < 0 || i < count; ++i) {
    const auto* desc = static_cast<const IMAGE_IMPORT_DESCRIPTOR*>(
        pe::At(image, dir.VirtualAddress + i * sizeof(IMAGE_IMPORT_DESCRIPTOR), sizeof(IMAGE_IMPORT_DESCRIPTOR)));
    if (desc == nullptr || desc->Name == 0) break;
    const auto* name = static_cast<const char*>(pe::At(image, desc->Name, 1));
    if (name == nullptr) break;
    if (HMODULE module = sys.getModuleHandle(name)) sys.freeLibrary(module);
  }
}

// Resolves every import; `loaded` counts the descriptors whose module was loaded, so that a
// failure can give exactly those back.
bool ResolveImports(const pe::MappedImage& image, const SystemRoutines& sys, ImportResolver resolver,
                    std::uintptr_t user, int& loaded) {
  loaded = 0;
  const IMAGE_DATA_DIRECTORY& dir = image.nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (dir.VirtualAddress == 0 || dir.Size == 0) return true;
  for (std::uint32_t rva = dir.VirtualAddress;; rva += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
    const auto* desc = static_cast<const IMAGE_IMPORT_DESCRIPTOR*>(pe::At(image, rva, sizeof(IMAGE_IMPORT_DESCRIPTOR)));
    if (desc == nullptr) return false;
    if (desc->Name == 0) return true;
    const auto* moduleName = static_cast<const char*>(pe::At(image, desc->Name, 1));
    if (moduleName == nullptr) return false;
    HMODULE module = sys.loadLibrary(moduleName);
    if (module == nullptr) return false;
    ++loaded;
    pe::ImportEntry entry;
    for (std::uint32_t i = 0;; ++i) {
      const pe::ImportRead read = pe::ReadImport(image, *desc, i, entry);
      if (read == pe::ImportRead::Damaged) return false;
      if (read == pe::ImportRead::End) break;
      FARPROC proc = resolver != nullptr ? resolver(moduleName, entry.nameOrOrdinal, entry.byOrdinal, user) : nullptr;
      if (proc == nullptr) proc = sys.getProcAddress(module, entry.nameOrOrdinal);
      if (proc == nullptr) return false;
      entry.slot->u1.Function = reinterpret_cast<ULONG_PTR>(proc);
    }
  }
}

bool IsDll(const pe::MappedImage& image) { return (image.nt->FileHeader.Characteristics & IMAGE_FILE_DLL) != 0; }

}  // namespace

HMODULE FindLoadedSystemModule(std::wstring_view baseName) {
  // The thread's block points to the process's, whose loader data lists every loaded module;
  // the structures' pointer-sized fields give the right layout in both builds.
  // (GCC 12 takes the segment-relative read inside NtCurrentTeb for a null pointer access.)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
  const PEB* peb = NtCurrentTeb()->ProcessEnvironmentBlock;
#pragma GCC diagnostic pop
  if (peb == nullptr || peb->Ldr == nullptr) return nullptr;
  const LIST_ENTRY* head = &peb->Ldr->InMemoryOrderModuleList;
  for (const LIST_ENTRY* link = head->Flink; link != nullptr && link != head; link = link->Flink) {
    const auto* entry = CONTAINING_RECORD(link, LDR_DATA_TABLE_ENTRY, InMemoryOrderLinks);
    if (SameBaseName(entry->FullDllName, baseName)) return static_cast<HMODULE>(entry->DllBase);
  }
  return nullptr;
}

FARPROC LookupExportInModule(HMODULE module, const char* name) {
  if (name == nullptr) return nullptr;
  return LookupInLoadedModule(module, name, 0);
}

HMODULE MapImageStrict(const void* image, std::size_t size, ImportResolver resolver, std::uintptr_t user) {
  pe::RawImage raw;
  if (size < 64 || pe::ReadRawImage(image, size, pe::HeaderCheck::Strict, raw) != pe::ImageVerdict::Accepted) {
    return nullptr;
  }
  const SystemRoutines sys = FindSystemRoutines();
  if (!sys.Complete()) return nullptr;

  const auto preferred = static_cast<std::uintptr_t>(raw.nt->OptionalHeader.ImageBase);
  const std::size_t extent = pe::MappedExtent(raw);
  constexpr DWORD kType = MEM_RESERVE | MEM_COMMIT;
  UniqueVirtualMemory memory(
      sys.virtualAlloc(reinterpret_cast<void*>(preferred), extent, kType, PAGE_EXECUTE_READWRITE));
  if (!memory) memory.reset(sys.virtualAlloc(nullptr, extent, kType, PAGE_EXECUTE_READWRITE));
  if (!memory) return nullptr;
  pe::MappedImage mapped;
  if (!pe::PlaceImage(raw, static_cast<std::uint8_t*>(memory.get()), extent, pe::RelocationWalk::Always, mapped)) {
    return nullptr;
  }
  int loaded = 0;
  if (!ResolveImports(mapped, sys, resolver, user, loaded)) {
    FreeImportedModules(mapped, sys, loaded);
    return nullptr;
  }
  if (!RegisterFunctionTable(mapped, sys)) {
    FreeImportedModules(mapped, sys, -1);
    return nullptr;
  }
  if (IsDll(mapped) && !pe::AttachImage(mapped)) {
    UnregisterFunctionTable(mapped, sys);
    FreeImportedModules(mapped, sys, -1);
    return nullptr;
  }
  return reinterpret_cast<HMODULE>(memory.release());
}

BOOL WINAPI ReleaseImageStrict(HMODULE module) {
  pe::MappedImage image;
  if (!pe::ViewMappedImage(module, image)) return FALSE;
  const SystemRoutines sys = FindSystemRoutines();
  if (!sys.Complete()) return FALSE;
  if (IsDll(image)) pe::DetachImage(image);
  UnregisterFunctionTable(image, sys);
  FreeImportedModules(image, sys, -1);
  return sys.virtualFree(module, 0, MEM_RELEASE);
}

}  // namespace storvane::uilib
