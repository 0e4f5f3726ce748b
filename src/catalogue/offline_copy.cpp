#include "catalogue/offline_copy.h"

#include <windows.h>

#include <span>

#include "catalogue/answer_trust.h"
#include "util/crypto.h"
#include "util/small_file.h"
#include "util/win_text.h"

namespace storvane {
namespace {

// Far above any catalogue or icon the service sends; a larger file is not read whole, and a
// truncated answer does not verify or parse.
constexpr std::size_t kLargestKeptFile = 16u << 20;

std::wstring KeptPath(std::string_view runDirectory, std::string_view name) {
  return GbkToWide(ConcatTexts(OfflineFolder(runDirectory), "/", name));
}

// Addresses come from the network: a digest gives every one a plain file name.
std::string IconName(std::string_view iconAddress) {
  const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(iconAddress.data()), iconAddress.size());
  const std::optional<Sha256Digest> digest = Sha256Of(bytes);
  return digest ? ConcatTexts("icon-", ToHex(*digest)) : std::string();
}

// The answer and its signature in one file, so that one rename replaces both: two files can be
// left as a new signature beside the old answer, a pair that never verifies again.
//   "storvane-answer 1\n" <signature length in decimal> "\n" <signature> <answer>
constexpr std::string_view kPairMark = "storvane-answer 1\n";
constexpr char kPairName[] = "zor.answer";
constexpr std::size_t kLargestSignature = 4096;

std::string PairBytes(const net::FetchedAnswer& answer) {
  return ConcatTexts(kPairMark, ToText(static_cast<int64_t>(answer.signature.size())), "\n", answer.signature,
                     answer.body);
}

std::optional<net::FetchedAnswer> ParsePair(std::string_view bytes) {
  if (bytes.substr(0, kPairMark.size()) != kPairMark) return std::nullopt;
  bytes.remove_prefix(kPairMark.size());
  const std::size_t end = bytes.find('\n');
  if (end == std::string_view::npos || end == 0 || end > 4) return std::nullopt;
  std::size_t length = 0;
  for (const char c : bytes.substr(0, end)) {
    if (c < '0' || c > '9') return std::nullopt;
    length = length * 10 + static_cast<std::size_t>(c - '0');
  }
  bytes.remove_prefix(end + 1);
  if (length > kLargestSignature || length >= bytes.size()) return std::nullopt;
  return net::FetchedAnswer{std::string(bytes.substr(length)), std::string(bytes.substr(0, length))};
}

}  // namespace

std::optional<net::FetchedAnswer> ReadOfflineAnswer(std::string_view runDirectory) {
  if (const std::optional<std::string> pair = ReadSmallFile(KeptPath(runDirectory, kPairName), kLargestKeptFile)) {
    return ParsePair(*pair);
  }
  // The two files earlier versions kept.
  std::optional<std::string> body = ReadSmallFile(KeptPath(runDirectory, "zor"), kLargestKeptFile);
  if (!body || body->empty()) return std::nullopt;
  const std::optional<std::string> signature = ReadSmallFile(KeptPath(runDirectory, "zor.sig"));
  return net::FetchedAnswer{std::move(*body), signature.value_or(std::string())};
}

bool SaveOfflineAnswer(std::string_view runDirectory, const net::FetchedAnswer& answer) {
  if (answer.body.empty() || answer.signature.size() > kLargestSignature || !EnsureOfflineFolder(runDirectory) ||
      !ReplaceSmallFile(KeptPath(runDirectory, kPairName), PairBytes(answer))) {
    return false;
  }
  ::DeleteFileW(KeptPath(runDirectory, "zor").c_str());
  ::DeleteFileW(KeptPath(runDirectory, "zor.sig").c_str());
  return true;
}

Bytes ReadOfflineIcon(std::string_view runDirectory, std::string_view iconAddress) {
  const std::string name = IconName(iconAddress);
  if (iconAddress.empty() || name.empty()) return {};
  const std::optional<std::string> bytes = ReadSmallFile(KeptPath(runDirectory, name), kLargestKeptFile);
  return bytes ? Bytes(bytes->begin(), bytes->end()) : Bytes{};
}

bool SaveOfflineIcon(std::string_view runDirectory, std::string_view iconAddress, const Bytes& icon) {
  const std::string name = IconName(iconAddress);
  if (icon.empty() || iconAddress.empty() || name.empty() || !EnsureOfflineFolder(runDirectory)) return false;
  const std::wstring path = KeptPath(runDirectory, name);
  const std::string_view bytes(reinterpret_cast<const char*>(icon.data()), icon.size());
  // Icons rarely change: an unchanged one is not written (and flushed to disk) again on every
  // start, which cost the list fill more than the icon's request.
  if (ReadSmallFile(path, bytes.size() + 1) == bytes) return true;
  return ReplaceSmallFile(path, bytes);
}

}  // namespace storvane
