// Reads raw bytes in a character set named the way web pages name it ("utf-8", "big5", ...),
// through the operating system's components.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "util/text.h"

namespace storvane::net {

// The bytes decoded by the "Adodb.Stream" component, reached through its early-bound stream
// interface: binary write, then read back as text in `charset`. nullopt when the component is
// missing or cannot decode that charset. COM must be initialised on the calling thread.
std::optional<std::wstring> DecodeWithStream(const Bytes& raw, std::string_view charset);

// The bytes decoded with the code page the system's language service names for `charset`.
// nullopt when the charset is unknown there. COM must be initialised on the calling thread.
std::optional<std::wstring> DecodeWithCodePageOf(const Bytes& raw, std::string_view charset);

// The code page the language service gives for `charset` (its internet encoding), or 0.
unsigned CodePageOfCharset(std::string_view charset);

// Stream first, the language service's code page when the stream cannot decode the charset.
std::optional<std::wstring> DecodeCharset(const Bytes& raw, std::string_view charset);

}  // namespace storvane::net
