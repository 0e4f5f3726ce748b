// Whether a file on disk is a whole Windows program: what a download must be before it may take
// the place of the launcher or of a tool. A portal's web page, an empty answer, a compressed body
// or a body cut off inside a section is none.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "util/pe_headers.h"

namespace storvane {

// The machine this program is built for.
#ifdef _WIN64
inline constexpr std::uint16_t kBuildMachine = pe::kMachineAmd64;
#else
inline constexpr std::uint16_t kBuildMachine = pe::kMachineI386;
#endif

// True when the file holds an executable image for one of `machines` (kMachineI386,
// kMachineAmd64) whose headers pass the strict check and whose every section's raw data lies
// inside the file. False for anything else, also when the file cannot be read.
bool IsCompleteImageFile(const std::wstring& path, std::initializer_list<std::uint16_t> machines);

}  // namespace storvane
