#include "net/download_digest.h"

#include <windows.h>

#include <charconv>

namespace storvane {

std::optional<ExpectedDigest> NamedDigest(std::string_view sha256, std::string_view size) {
  if (sha256.empty() && size.empty()) return std::nullopt;
  return ExpectedDigest{std::string(sha256), std::string(size)};
}

std::optional<ParsedDigest> ParseExpectedDigest(const ExpectedDigest& expected) {
  const std::optional<Sha256Digest> sha256 = ParseSha256Hex(expected.sha256);
  if (!sha256) return std::nullopt;
  // from_chars alone would take a leading part ("12abc") or, for signed types, a minus sign.
  const std::string& text = expected.size;
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
  uint64_t size = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), size);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return ParsedDigest{*sha256, size};
}

bool FileMatchesDigest(const std::wstring& path, const ParsedDigest& expected) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
  const uint64_t size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  // The size is free to read; a file of another size is not hashed at all.
  if (size != expected.size) return false;
  const std::optional<Sha256Digest> digest = Sha256OfFile(path);
  return digest && *digest == expected.sha256;
}

std::string DigestArgument(const ExpectedDigest& expected) { return expected.sha256 + ":" + expected.size; }

std::optional<ExpectedDigest> DigestFromArgument(std::string_view argument) {
  // Cut at the first colon: a digest text that held one leaves a colon in the size part, which
  // no plain decimal has, so no malformed pair can come back well-formed.
  const size_t cut = argument.find(':');
  if (cut == std::string_view::npos) return std::nullopt;
  return ExpectedDigest{std::string(argument.substr(0, cut)), std::string(argument.substr(cut + 1))};
}

}  // namespace storvane
