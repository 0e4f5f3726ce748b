// The skin support layer's image mapper: maps a DLL image held in memory the way the system
// loader would map the file (sections, relocations, imports, per-section protections, TLS
// callbacks, entry point), so the carried copy of the skin-UI library runs without any file.
#pragma once

#include <windows.h>

#include <cstddef>

namespace storvane::uilib {

// Maps `size` bytes of a DLL image built for this program's architecture; returns its base, or null when the image is
// damaged, an import cannot be resolved or the entry point refuses. A failure leaves no memory behind (modules loaded
// for its imports stay loaded).
HMODULE MapImageFromMemory(const void* image, std::size_t size);

// Export lookup on an image mapped by either mapper, through its name-ordinal table: a value
// above 0xFFFF is a name, matched exactly; a smaller value is an ordinal. Null when missing, out of range or forwarded
// elsewhere.
FARPROC WINAPI LookupMappedExport(HMODULE module, LPCSTR nameOrOrdinal);

// Detaches (TLS callbacks, then the entry point) and releases the whole mapped range.
BOOL WINAPI ReleaseMappedImage(HMODULE module);

}  // namespace storvane::uilib
