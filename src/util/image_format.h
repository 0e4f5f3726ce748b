// What an image file says about itself before it is decoded: its size, and whether the bytes
// reach the end the format marks. Decoding a catalogue icon takes milliseconds; reading its
// header and chunk lengths takes microseconds, and a cut-off download still shows as one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace storvane {

struct ImageHeader {
  int width = 0;
  int height = 0;
};

// The size of a PNG, JPEG, GIF, BMP or ICO whose structure is complete (the PNG's chunks reach
// IEND, the JPEG ends with its end marker, the GIF with its trailer, the BMP and the icon's pictures
// lie within the bytes). Nothing for any other bytes, a cut-off file or an absurd size.
std::optional<ImageHeader> ReadImageHeader(const uint8_t* data, size_t length);

// Whether the bytes begin as one of those formats (whatever follows).
bool HasKnownImageSignature(const uint8_t* data, size_t length);

}  // namespace storvane
