// Fonts as the program describes them (the 84-byte descriptor) and the GDI+ fonts drawn with.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cstdint>
#include <string>
#include <vector>

namespace storvane::exui {

struct FontSpec {
  std::wstring face = L"微软雅黑";
  int size = 12;  // pixels at 96 DPI
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strikeout = false;

  // Reads an 84-byte descriptor. Shorter input, an empty face or a size <= 0 fall back to the
  // defaults field by field; a face without terminator inside its 64 bytes is cut there.
  static FontSpec FromDescriptor(const std::vector<uint8_t>& bytes);
  static FontSpec Make(std::wstring face, int size, bool bold = false);
  std::vector<uint8_t> ToDescriptor() const;

  int Style() const;  // Gdiplus::FontStyle bits
  bool operator==(const FontSpec&) const = default;
};

// A GDI+ font for the description at a DPI scale, owned by a process-wide cache (valid for the life of
// the process; used on the user-interface thread). When the face is not installed the nearest
// Chinese UI face is taken, then the generic sans-serif. Null only when GDI+ is not running.
Gdiplus::Font* CachedFont(const FontSpec& wanted, float scale);

// The face actually used for a description (for tests: tells a missing face from a present one).
std::wstring ResolvedFace(const FontSpec& wanted);

}  // namespace storvane::exui
