// What the version service names for a download, so that only that very file takes a program's
// place: its SHA-256 and its size, and the check of a downloaded file against them.
//
// The expectation travels as the service's own texts and is read only where it is checked, so a
// text in any other form than the one expected cannot be mistaken for "no expectation": it
// verifies nothing, and every file fails against it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "util/crypto.h"

namespace storvane {

struct ExpectedDigest {
  std::string sha256;  // exactly 64 hex digits, either case
  std::string size;    // bytes, plain decimal digits
};

// The expectation the service's texts make; none when it named neither. One named without the
// other is an expectation that nothing meets.
std::optional<ExpectedDigest> NamedDigest(std::string_view sha256, std::string_view size);

struct ParsedDigest {
  Sha256Digest sha256{};
  uint64_t size = 0;
};

// nullopt when either text is not in its one form.
std::optional<ParsedDigest> ParseExpectedDigest(const ExpectedDigest& expected);

// True only when the file at `path` can be read and has exactly the expected size and digest.
bool FileMatchesDigest(const std::wstring& path, const ParsedDigest& expected);

// The expectation as one command-line argument, "<sha256>:<size>", and back: nullopt for a text
// without the colon, which is no such argument at all.
std::string DigestArgument(const ExpectedDigest& expected);
std::optional<ExpectedDigest> DigestFromArgument(std::string_view argument);

}  // namespace storvane
