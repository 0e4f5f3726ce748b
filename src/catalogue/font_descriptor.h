// The 84-byte font descriptor the skin library takes wherever a font is asked for.
#pragma once

#include <cstdint>
#include <string_view>

#include "util/text.h"

namespace storvane {

inline constexpr int kFontDescriptorSize = 84;
inline constexpr int kFontFaceBytes = 64;

// The program's one face, "微软雅黑".
inline constexpr char kUiFontFace[] = "微软雅黑";

// Face name (GBK) as UTF-16LE with its terminating zero in the first 64 bytes, then size and the
// four style switches as 32-bit little-endian integers. A face that does not convert gives an
// empty name; one longer than 31 UTF-16 units is cut there so that its terminator still fits
// and nothing spills into the size field.
Bytes MakeFontDescriptor(std::string_view face, int32_t size, int32_t switch1 = 0, int32_t switch2 = 0,
                         int32_t switch3 = 0, int32_t switch4 = 0);

}  // namespace storvane
