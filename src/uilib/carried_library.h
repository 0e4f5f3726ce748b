// The copy of the skin-UI library that the program carries in its read-only data, generated at
// build time from the library the build produced.
#pragma once

#include <cstdint>
#include <span>

namespace storvane::uilib {

// The whole DLL image, starting with "MZ"; empty in a build made without the library.
std::span<const std::uint8_t> CarriedUiLibrary();

}  // namespace storvane::uilib
