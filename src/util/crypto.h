// SHA-256 digests and ECDSA P-256 signature checks through the system's CNG (bcrypt.dll), in
// the calls Windows 7 already has. Everything here answers with a value: nullopt or false when
// the input is unusable or the system refuses, never an exception.
//
// Signatures and digests come from the network, so every parser here treats its input as
// hostile: lengths are checked before each read and anything not in the one expected form is
// refused rather than repaired.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace storvane {

using Sha256Digest = std::array<uint8_t, 32>;

// The digest of the file's whole content, read in pieces, so size does not matter. nullopt
// when the file cannot be opened or read to its end.
std::optional<Sha256Digest> Sha256OfFile(const std::wstring& path);

std::optional<Sha256Digest> Sha256Of(std::span<const uint8_t> data);

// Lower-case hex, two digits per byte.
std::string ToHex(std::span<const uint8_t> bytes);

// Exactly 64 hex digits, either case, nothing around them.
std::optional<Sha256Digest> ParseSha256Hex(std::string_view text);

// True only when `signature` is a valid ECDSA signature by `publicKey` (64 bytes: X then Y,
// big-endian) over the SHA-256 digest of `message`.
//
// `signature` is either DER (SEQUENCE of the INTEGERs r and s, as `openssl dgst -sign` writes
// it), or the raw 64 bytes r||s. DER is parsed strictly: minimal lengths and integers, nothing
// after the sequence. A 64-byte value counts as DER when it parses as DER, else as r||s.
bool VerifyEcdsaP256(std::span<const uint8_t> publicKey, std::span<const uint8_t> message,
                     std::span<const uint8_t> signature);

// The public key in the form a build carries it: the base64 text of its DER
// SubjectPublicKeyInfo, which is the body of the PEM file `openssl pkey -pubout` writes (and
// what `tools/publish.py keygen` prints). PEM armour lines and white space are ignored, so the
// whole PEM file also works. The key must be an EC key on P-256 in uncompressed form; gives
// its 64 bytes X||Y for VerifyEcdsaP256, or nullopt for anything else.
std::optional<std::vector<uint8_t>> ParsePublicKey(std::string_view text);

}  // namespace storvane
