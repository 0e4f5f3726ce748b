// Answers of the version service that a vendor signs. A build may carry the vendor's public key;
// with it, every answer must come with an ECDSA P-256 signature of its exact bytes, served at the
// answer's own address with ".sig" appended, so that any static web server can serve both.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace storvane::net {

inline constexpr char kSignatureSuffix[] = ".sig";
// A DER ECDSA P-256 signature is at most 72 bytes; a ".sig" longer than this is not read on and
// counts as no signature.
inline constexpr size_t kMaxSignatureBytes = 1024;

// The key a build checks answers with: nullopt for a build without one, which trusts answers as
// they come. A key text that does not parse is kept as an empty key, which verifies nothing: a
// build meant to check must never fall back to trusting everything.
using AnswerKey = std::optional<std::vector<uint8_t>>;

// The key from the text a build carries (ParsePublicKey's form); the empty text gives nullopt.
AnswerKey AnswerKeyFromText(std::string_view text);

struct FetchedAnswer {
  // Without a key: the body as HttpFetch gives it, exactly as unsigned builds have always read
  // it. With a key: the body's bytes as they arrived, which is what the signature covers.
  std::string body;
  std::string signature;  // the ".sig" bytes; empty without a key
};

// True when `signature` is the key's valid signature over `body`; false without a key.
bool SignedBy(const AnswerKey& key, std::string_view body, std::string_view signature);

// What one answer may take: its signature included, `deadline_ms` in all (0: no deadline of our
// own), and at most `max_body_bytes` per body (0: no limit). An answer past either is no answer.
struct AnswerLimits {
  int deadline_ms = 0;
  size_t max_body_bytes = 0;
};

// Without a key: one request for `url`, never nullopt (a failed request gives an empty body).
// With a key: `url`, then `url` + ".sig" (read up to kMaxSignatureBytes); nullopt unless the
// signature verifies over the body.
std::optional<FetchedAnswer> FetchAnswer(std::string_view url, const AnswerKey& key, const AnswerLimits& limits = {});

}  // namespace storvane::net
