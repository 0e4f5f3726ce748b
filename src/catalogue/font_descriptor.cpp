#include "catalogue/font_descriptor.h"

#include <cstring>
#include <string>

#include "util/win_text.h"

namespace storvane {
namespace {

void PutInt32(Bytes& out, size_t offset, int32_t value) {
  const auto v = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) out[offset + i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

Bytes MakeFontDescriptor(std::string_view face, int32_t size, int32_t switch1, int32_t switch2, int32_t switch3,
                         int32_t switch4) {
  Bytes out(kFontDescriptorSize, 0);
  std::wstring wide = CodePageToWide(face.substr(0, face.find('\0')), kGbkCodePage);
  // Room for 31 units and the terminator; a longer name would overwrite the size field.
  constexpr size_t kMaxUnits = kFontFaceBytes / 2 - 1;
  if (wide.size() > kMaxUnits) wide.resize(kMaxUnits);
  for (size_t i = 0; i < wide.size(); ++i) {
    const auto unit = static_cast<uint16_t>(wide[i]);
    out[2 * i] = static_cast<uint8_t>(unit & 0xFF);
    out[2 * i + 1] = static_cast<uint8_t>(unit >> 8);
  }
  PutInt32(out, 64, size);
  PutInt32(out, 68, switch1);
  PutInt32(out, 72, switch2);
  PutInt32(out, 76, switch3);
  PutInt32(out, 80, switch4);
  return out;
}

}  // namespace storvane
