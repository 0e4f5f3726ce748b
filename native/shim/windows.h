// The native build's stand-in for the system header, for tests whose only system call is the
// code page 936 conversion. The C library's own GBK table answers it, which makes such a test a
// cross-check against a second, independent table. Invalid input turns into '?' as the system
// does without MB_ERR_INVALID_CHARS: one for a lead and trail pair the table lacks, one for each
// other byte that makes no character.
#pragma once

#include <iconv.h>

#include <cstddef>
#include <cstdint>

inline int MultiByteToWideChar(unsigned codePage, unsigned long /*flags*/, const char* text, int size,
                               wchar_t* out, int capacity) {
  if (codePage != 936 || text == nullptr || size < 0 || out == nullptr) return 0;
  iconv_t cd = iconv_open("WCHAR_T", "CP936");
  if (cd == reinterpret_cast<iconv_t>(-1)) return 0;
  int written = 0;
  std::size_t i = 0;
  const auto n = static_cast<std::size_t>(size);
  while (i < n && written < capacity) {
    // One character at a time, so that a bad one costs only itself.
    const auto b = static_cast<unsigned char>(text[i]);
    const bool pair = b >= 0x81 && b <= 0xFE && i + 1 < n;
    std::size_t width = pair ? 2 : 1;
    char* in = const_cast<char*>(text + i);
    std::size_t inLeft = width;
    wchar_t wide = 0;
    char* outPtr = reinterpret_cast<char*>(&wide);
    std::size_t outLeft = sizeof wide;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0) {
      const auto trail = pair ? static_cast<unsigned char>(text[i + 1]) : 0;
      if (pair && !(trail >= 0x40 && trail <= 0xFE && trail != 0x7F)) width = 1;
      wide = L'?';
    }
    out[written++] = wide;
    i += width;
  }
  iconv_close(cd);
  return written;
}
