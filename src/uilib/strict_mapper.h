// The program's own image mapper, used when the program is handed a library image directly.
// It checks the image more strictly than the support layer's mapper, maps it in one
// read-write-execute allocation, and takes every system routine it needs from kernel32's
// export table as found in the process's loaded-module list, not from its own import table.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace storvane::uilib {

// Base of the loaded module whose base name equals `baseName` (ASCII letters compared without
// case), found by walking the process's loaded-module list; null when none is loaded.
HMODULE FindLoadedSystemModule(std::wstring_view baseName);

// Export `name` of a module the system loaded, read from its export table; an export forwarded
// to another loaded module is followed there. Null when missing.
FARPROC LookupExportInModule(HMODULE module, const char* name);

// Asked first for every import: (module name, name or ordinal, whether it is an ordinal, user
// value). Null lets GetProcAddress resolve it.
using ImportResolver = FARPROC (*)(const char* moduleName, const char* nameOrOrdinal, bool byOrdinal,
                                   std::uintptr_t user);

// Maps `size` bytes of an image built for this program's architecture; null on any failure, with everything it loaded
// or allocated released again.
HMODULE MapImageStrict(const void* image, std::size_t size, ImportResolver resolver = nullptr, std::uintptr_t user = 0);

// Exports of an image made here are looked up as those of any mapped image: LookupMappedExport
// (image_mapper.h).

// Detaches a DLL image, frees the modules its imports loaded and releases its memory.
BOOL WINAPI ReleaseImageStrict(HMODULE module);

}  // namespace storvane::uilib
