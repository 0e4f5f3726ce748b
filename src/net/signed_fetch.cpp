#include "net/signed_fetch.h"

#include <span>

#include "net/http_fetch.h"
#include "util/crypto.h"

namespace storvane::net {
namespace {

// The body as bytes, zero bytes included (a DER signature may hold some); at most one byte past
// `limit` (0: no limit).
std::string FetchBytes(std::string_view url, size_t limit = 0) {
  Bytes bytes;
  HttpFetchOptions options;
  options.body_bytes = &bytes;
  options.max_body_bytes = limit;
  HttpFetch(url, options);
  return std::string(bytes.begin(), bytes.end());
}

std::span<const uint8_t> AsBytes(std::string_view text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

}  // namespace

AnswerKey AnswerKeyFromText(std::string_view text) {
  if (text.empty()) return std::nullopt;
  return ParsePublicKey(text).value_or(std::vector<uint8_t>{});
}

bool SignedBy(const AnswerKey& key, std::string_view body, std::string_view signature) {
  return key && !key->empty() && VerifyEcdsaP256(*key, AsBytes(body), AsBytes(signature));
}

std::optional<FetchedAnswer> FetchAnswer(std::string_view url, const AnswerKey& key) {
  if (!key) return FetchedAnswer{HttpFetch(url), {}};
  FetchedAnswer answer{FetchBytes(url), {}};
  // Without a body there is nothing to vouch for: the signature is not asked for.
  if (answer.body.empty()) return std::nullopt;
  answer.signature = FetchBytes(std::string(url) + kSignatureSuffix, kMaxSignatureBytes);
  if (answer.signature.size() > kMaxSignatureBytes) answer.signature.clear();
  if (!SignedBy(key, answer.body, answer.signature)) return std::nullopt;
  return answer;
}

}  // namespace storvane::net
