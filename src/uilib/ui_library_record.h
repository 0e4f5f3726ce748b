// The record through which the rest of the program reaches a loaded skin-UI library, whether it
// came from a file (the system loader) or was mapped from memory (our own mappers). Slots 3 and 4
// have the system routines' signatures so that either kind of routine can sit in them.
#pragma once

#include <windows.h>

#include <cstdint>

namespace storvane::uilib {

using LookupRoutine = FARPROC(WINAPI*)(HMODULE module, LPCSTR nameOrOrdinal);
using ReleaseRoutine = BOOL(WINAPI*)(HMODULE module);

// Five 32-bit slots, in this order.
struct UiLibraryRecord {
  HMODULE module = nullptr;          // base address; null while nothing is loaded
  std::uint32_t fromMemory = 0;      // 1 when mapped from memory, 0 when loaded from a file
  FARPROC load = nullptr;            // LoadLibraryA, or the mapper that made the module
  LookupRoutine lookup = nullptr;    // GetProcAddress, or the mapped-image export lookup
  ReleaseRoutine release = nullptr;  // FreeLibrary, or the mapped-image release
};

static_assert(sizeof(void*) != 4 || sizeof(UiLibraryRecord) == 5 * 4, "five 32-bit slots");

// The record of a library that the system loader loaded from `module`.
UiLibraryRecord FileLibraryRecord(HMODULE module);

}  // namespace storvane::uilib
