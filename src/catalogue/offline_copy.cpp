#include "catalogue/offline_copy.h"

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

}  // namespace

std::optional<net::FetchedAnswer> ReadOfflineAnswer(std::string_view runDirectory) {
  std::optional<std::string> body = ReadSmallFile(KeptPath(runDirectory, "zor"), kLargestKeptFile);
  if (!body || body->empty()) return std::nullopt;
  const std::optional<std::string> signature = ReadSmallFile(KeptPath(runDirectory, "zor.sig"));
  return net::FetchedAnswer{std::move(*body), signature.value_or(std::string())};
}

bool SaveOfflineAnswer(std::string_view runDirectory, const net::FetchedAnswer& answer) {
  if (!EnsureOfflineFolder(runDirectory)) return false;
  // The signature first: the kept pair only matches again once the answer follows it.
  if (!answer.signature.empty() && !ReplaceSmallFile(KeptPath(runDirectory, "zor.sig"), answer.signature)) {
    return false;
  }
  return ReplaceSmallFile(KeptPath(runDirectory, "zor"), answer.body);
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
