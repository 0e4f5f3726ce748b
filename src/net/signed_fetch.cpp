#include "net/signed_fetch.h"

#include <span>

#include "net/http_fetch.h"
#include "net/message_pump.h"
#include "net/system_proxy.h"
#include "util/crypto.h"

namespace storvane::net {
namespace {

// The request options for what is left of the limits at `deadline` (0: none).
HttpFetchOptions LimitedOptions(std::string_view url, const AnswerLimits& limits, uint64_t deadline) {
  HttpFetchOptions options;
  // The user's proxy, as the system's browsers use it: behind one, nothing gets through without it.
  options.proxy = SystemProxyFor(url);
  options.max_body_bytes = limits.max_body_bytes;
  if (deadline != 0) {
    const uint64_t now = GetTickCount64();
    // A deadline already passed still gets a moment, so that it fails as a request that timed out.
    options.deadline_ms = now < deadline ? static_cast<int>(deadline - now) : 1;
  }
  return options;
}

// The body as bytes, zero bytes included (a DER signature may hold some).
std::string FetchBytes(std::string_view url, HttpFetchOptions options) {
  Bytes bytes;
  options.body_bytes = &bytes;
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

std::optional<FetchedAnswer> FetchAnswer(std::string_view url, const AnswerKey& key, const AnswerLimits& limits) {
  // The signature shares the answer's deadline: together they take no longer than it.
  const uint64_t deadline = limits.deadline_ms > 0 ? DeadlineAfter(limits.deadline_ms) : 0;
  if (!key) return FetchedAnswer{HttpFetch(url, LimitedOptions(url, limits, deadline)), {}};
  FetchedAnswer answer{FetchBytes(url, LimitedOptions(url, limits, deadline)), {}};
  // Without a body there is nothing to vouch for: the signature is not asked for.
  if (answer.body.empty()) return std::nullopt;
  // A DER signature is at most 72 bytes: anything past the cap fails the request, and with it
  // counts as no signature at all.
  const std::string signatureUrl = std::string(url) + kSignatureSuffix;
  HttpFetchOptions signatureOptions = LimitedOptions(signatureUrl, limits, deadline);
  signatureOptions.max_body_bytes = kMaxSignatureBytes;
  answer.signature = FetchBytes(signatureUrl, signatureOptions);
  if (!SignedBy(key, answer.body, answer.signature)) return std::nullopt;
  return answer;
}

}  // namespace storvane::net
