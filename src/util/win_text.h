// Conversions between the program's GBK text and the UTF-16 the system wants, and shell
// execution. Text reaches the system only through these, always to the wide (W) functions and
// always with code page 936 named explicitly, so a machine whose ANSI code page is not 936
// behaves the same.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "util/text.h"

namespace storvane {

constexpr unsigned kGbkCodePage = 936;
constexpr unsigned kUtf8CodePage = 65001;

// The text (up to its first zero byte) as UTF-16LE bytes with the two terminator bytes;
// cutAtZero = true drops the terminator. The empty text gives the empty array.
Bytes TextToUtf16(std::string_view text, bool cutAtZero);

// UTF-16LE bytes of `bytes` (up to the first zero byte) read in `codePage`, ending with the two
// terminator bytes; empty input gives the empty array.
Bytes MultiByteToUtf16(const Bytes& bytes, unsigned codePage);

// Opens `file` with the shell verb "Open". Show kind: 1 hidden, 2 minimised without
// activation, anything else normal. False only when the shell reports file-not-found.
bool ShellOpenWide(std::string_view file, std::string_view parameters = {}, int show = 0);
// The same with file and parameters already in UTF-16 (zero-terminated or not).
bool ShellExecuteOpen(const Bytes& file, const Bytes& parameters, int showKind);

// GBK (code page 936) <-> UTF-16. Unconvertible characters become the code page's default.
std::wstring GbkToWide(std::string_view text);
std::string WideToGbk(std::wstring_view text);

// UTF-8 <-> UTF-16.
std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);

// Any code page <-> UTF-16; empty on failure.
std::wstring CodePageToWide(std::string_view text, unsigned codePage);
std::string WideToCodePage(std::wstring_view text, unsigned codePage);

// UTF-16LE bytes (an odd last byte is ignored) <-> std::wstring.
std::wstring Utf16BytesToWide(const Bytes& utf16);
Bytes WideToUtf16Bytes(std::wstring_view text);

}  // namespace storvane
