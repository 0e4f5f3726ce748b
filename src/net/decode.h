// Code-page conversions at the network boundary and the meta-charset decoding of response
// bodies. Local text is GBK (code page 936); "UTF-16 bytes" are little-endian code units that
// end with a zero terminator unit.
#pragma once

#include <string>
#include <string_view>

#include "util/text.h"

namespace storvane::net {

constexpr std::string_view kMetaCharsetPattern = "<meta.+?charset=[^\\w]?([-\\w]+)";
constexpr int kMetaSearchBytes = 1024;

// UTF-16 bytes of `text` (up to its first zero byte) read in `codePage`, with the terminator;
// the empty text gives the empty array.
Bytes TextToUtf16Cp(std::string_view text, unsigned codePage = 65001);

// Text in `codePage` of the UTF-16 bytes (up to the first zero unit); characters the code page
// cannot hold become its default character. Empty for empty input.
std::string Utf16ToLocal(const Bytes& utf16, unsigned codePage = 936);

// UTF-8 bytes to local text. A byte-order mark cannot be held in GBK and comes out as '?'.
std::string Utf8ToLocal(std::string_view utf8);

// Re-reads `raw` in the charset named by an HTML meta tag within the first 1024 bytes of
// `bodyText` and returns the result as local text. Without a tag, for "gbk" and "gb2312"
// (exact, case-sensitive), or when the charset cannot be decoded, `bodyText` is returned
// unchanged. Initialises COM for its own duration and pumps the thread's pending window
// messages once after the search.
std::string DecodeMetaCharset(std::string_view bodyText, const Bytes& raw);

// The charset named by the first meta tag of `text` (first 1024 bytes), or empty.
std::string FindMetaCharset(std::string_view text);

}  // namespace storvane::net
