#include "util/crypto.h"

#include <windows.h>
#include <bcrypt.h>

#include <algorithm>
#include <cstring>

#include "util/handles.h"

namespace storvane {
namespace {

// CNG handles live only in this file, so their owners do too.
void CloseAlgorithm(BCRYPT_ALG_HANDLE h) noexcept { ::BCryptCloseAlgorithmProvider(h, 0); }
using UniqueBcryptAlgorithm = UniqueResource<handle_traits::NullEmpty<BCRYPT_ALG_HANDLE, CloseAlgorithm>>;
using UniqueBcryptHash = UniqueResource<handle_traits::NullEmpty<BCRYPT_HASH_HANDLE, ::BCryptDestroyHash>>;
using UniqueBcryptKey = UniqueResource<handle_traits::NullEmpty<BCRYPT_KEY_HANDLE, ::BCryptDestroyKey>>;

bool Succeeded(NTSTATUS status) { return status >= 0; }

// One running SHA-256. Windows 7 cannot hash in one call (BCryptHash came with Windows 10),
// and wants the hash object's memory from the caller, which must outlive the hash handle:
// the members are declared so that the handle is destroyed first.
class Sha256Hasher {
public:
  bool Start() {
    if (!Succeeded(::BCryptOpenAlgorithmProvider(algorithm_.put(), BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
      return false;
    }
    DWORD objectSize = 0;
    ULONG written = 0;
    if (!Succeeded(::BCryptGetProperty(algorithm_.get(), BCRYPT_OBJECT_LENGTH, reinterpret_cast<PUCHAR>(&objectSize),
                                       sizeof objectSize, &written, 0))) {
      return false;
    }
    object_.assign(objectSize, 0);
    return Succeeded(::BCryptCreateHash(algorithm_.get(), hash_.put(), object_.data(),
                                        static_cast<ULONG>(object_.size()), nullptr, 0, 0));
  }

  bool Add(const uint8_t* data, std::size_t size) {
    // A span larger than a ULONG goes in several calls.
    while (size > 0) {
      const ULONG piece = static_cast<ULONG>(std::min<std::size_t>(size, 1u << 30));
      if (!Succeeded(::BCryptHashData(hash_.get(), const_cast<PUCHAR>(data), piece, 0))) return false;
      data += piece;
      size -= piece;
    }
    return true;
  }

  std::optional<Sha256Digest> Finish() {
    Sha256Digest digest{};
    if (!Succeeded(::BCryptFinishHash(hash_.get(), digest.data(), static_cast<ULONG>(digest.size()), 0))) {
      return std::nullopt;
    }
    return digest;
  }

private:
  UniqueBcryptAlgorithm algorithm_;
  std::vector<uint8_t> object_;
  UniqueBcryptHash hash_;
};

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

constexpr std::size_t kCoordinateSize = 32;

// Reads one DER INTEGER at `at` into a 32-byte big-endian slot and moves `at` past it. Only
// the minimal encoding of a positive value below 2^256 passes: DER has exactly one encoding
// for each value, and accepting others would let one signature be sent in many forms.
bool ReadDerInteger(std::span<const uint8_t> der, std::size_t& at, uint8_t* slot) {
  if (der.size() - at < 2 || der[at] != 0x02) return false;
  const std::size_t length = der[at + 1];
  at += 2;
  if (length == 0 || length > kCoordinateSize + 1 || length > der.size() - at) return false;
  std::span<const uint8_t> value = der.subspan(at, length);
  at += length;
  if (value[0] & 0x80) return false;  // negative
  if (value[0] == 0) {
    if (length == 1) return false;         // zero is never a valid r or s
    if (!(value[1] & 0x80)) return false;  // a leading zero only where the sign needs it
    value = value.subspan(1);
  }
  if (value.size() > kCoordinateSize) return false;
  std::memset(slot, 0, kCoordinateSize);
  std::memcpy(slot + (kCoordinateSize - value.size()), value.data(), value.size());
  return true;
}

// SEQUENCE { INTEGER r, INTEGER s } to r||s. The longest such sequence is 70 content bytes,
// so its length always has the short form.
std::optional<std::array<uint8_t, 2 * kCoordinateSize>> DerSignatureToRaw(std::span<const uint8_t> der) {
  if (der.size() < 2 || der[0] != 0x30 || der[1] >= 0x80 || der[1] != der.size() - 2) return std::nullopt;
  std::array<uint8_t, 2 * kCoordinateSize> raw{};
  std::size_t at = 2;
  if (!ReadDerInteger(der, at, raw.data()) || !ReadDerInteger(der, at, raw.data() + kCoordinateSize)) {
    return std::nullopt;
  }
  if (at != der.size()) return std::nullopt;
  return raw;
}

// Strict base64 (RFC 4648 alphabet, padding only at the end, unused bits zero) of the text
// left once armour lines and white space are dropped.
std::optional<std::vector<uint8_t>> DecodeArmouredBase64(std::string_view text) {
  std::string letters;
  std::size_t lineStart = 0;
  while (lineStart <= text.size()) {
    std::size_t lineEnd = text.find('\n', lineStart);
    if (lineEnd == std::string_view::npos) lineEnd = text.size();
    const std::string_view line = text.substr(lineStart, lineEnd - lineStart);
    if (line.substr(0, 5) != "-----") {
      for (char c : line) {
        if (c != ' ' && c != '\t' && c != '\r') letters += c;
      }
    }
    lineStart = lineEnd + 1;
  }
  if (letters.empty() || letters.size() % 4 != 0) return std::nullopt;
  auto value = [](char c) -> int {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
  };
  std::size_t padding = 0;
  if (letters.back() == '=') ++padding;
  if (letters[letters.size() - 2] == '=') ++padding;
  std::vector<uint8_t> bytes;
  uint32_t bits = 0;
  int bitCount = 0;
  for (std::size_t i = 0; i < letters.size() - padding; ++i) {
    const int v = value(letters[i]);
    if (v < 0) return std::nullopt;
    bits = (bits << 6) | static_cast<uint32_t>(v);
    bitCount += 6;
    if (bitCount >= 8) {
      bitCount -= 8;
      bytes.push_back(static_cast<uint8_t>(bits >> bitCount));
      bits &= (1u << bitCount) - 1;
    }
  }
  if (bits != 0) return std::nullopt;
  return bytes;
}

// DER SubjectPublicKeyInfo of an EC key (OID 1.2.840.10045.2.1) on P-256 (OID
// 1.2.840.10045.3.1.7) up to and including the uncompressed-point marker 0x04; X and Y follow.
constexpr uint8_t kP256InfoPrefix[] = {0x30, 0x59, 0x30, 0x13, 0x06, 0x07, 0x2a, 0x86, 0x48,
                                       0xce, 0x3d, 0x02, 0x01, 0x06, 0x08, 0x2a, 0x86, 0x48,
                                       0xce, 0x3d, 0x03, 0x01, 0x07, 0x03, 0x42, 0x00, 0x04};

}  // namespace

std::optional<Sha256Digest> Sha256Of(std::span<const uint8_t> data) {
  Sha256Hasher hasher;
  if (!hasher.Start() || !hasher.Add(data.data(), data.size())) return std::nullopt;
  return hasher.Finish();
}

std::optional<Sha256Digest> Sha256OfFile(const std::wstring& path) {
  UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return std::nullopt;
  Sha256Hasher hasher;
  if (!hasher.Start()) return std::nullopt;
  std::vector<uint8_t> buffer(64 * 1024);
  for (;;) {
    DWORD read = 0;
    if (!::ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) {
      return std::nullopt;
    }
    if (read == 0) break;
    if (!hasher.Add(buffer.data(), read)) return std::nullopt;
  }
  return hasher.Finish();
}

std::string ToHex(std::span<const uint8_t> bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (uint8_t b : bytes) {
    text += kDigits[b >> 4];
    text += kDigits[b & 0x0f];
  }
  return text;
}

std::optional<Sha256Digest> ParseSha256Hex(std::string_view text) {
  Sha256Digest digest{};
  if (text.size() != 2 * digest.size()) return std::nullopt;
  for (std::size_t i = 0; i < digest.size(); ++i) {
    const int high = HexValue(text[2 * i]);
    const int low = HexValue(text[2 * i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    digest[i] = static_cast<uint8_t>(high << 4 | low);
  }
  return digest;
}

bool VerifyEcdsaP256(std::span<const uint8_t> publicKey, std::span<const uint8_t> message,
                     std::span<const uint8_t> signature) {
  if (publicKey.size() != 2 * kCoordinateSize) return false;
  std::array<uint8_t, 2 * kCoordinateSize> raw{};
  if (auto fromDer = DerSignatureToRaw(signature)) {
    raw = *fromDer;
  } else if (signature.size() == raw.size()) {
    std::copy(signature.begin(), signature.end(), raw.begin());
  } else {
    return false;
  }
  const std::optional<Sha256Digest> digest = Sha256Of(message);
  if (!digest) return false;

  UniqueBcryptAlgorithm algorithm;
  if (!Succeeded(::BCryptOpenAlgorithmProvider(algorithm.put(), BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0))) {
    return false;
  }
  std::vector<uint8_t> blob(sizeof(BCRYPT_ECCKEY_BLOB) + publicKey.size());
  const BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, static_cast<ULONG>(kCoordinateSize)};
  std::memcpy(blob.data(), &header, sizeof header);
  std::memcpy(blob.data() + sizeof header, publicKey.data(), publicKey.size());
  UniqueBcryptKey key;
  if (!Succeeded(::BCryptImportKeyPair(algorithm.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, key.put(), blob.data(),
                                       static_cast<ULONG>(blob.size()), 0))) {
    return false;
  }
  // Only STATUS_SUCCESS is a good signature; every other status, warnings included, is not.
  return ::BCryptVerifySignature(key.get(), nullptr, const_cast<PUCHAR>(digest->data()),
                                 static_cast<ULONG>(digest->size()), raw.data(), static_cast<ULONG>(raw.size()),
                                 0) == 0;
}

std::optional<std::vector<uint8_t>> ParsePublicKey(std::string_view text) {
  const std::optional<std::vector<uint8_t>> info = DecodeArmouredBase64(text);
  if (!info || info->size() != sizeof kP256InfoPrefix + 2 * kCoordinateSize ||
      !std::equal(std::begin(kP256InfoPrefix), std::end(kP256InfoPrefix), info->begin())) {
    return std::nullopt;
  }
  return std::vector<uint8_t>(info->begin() + sizeof kP256InfoPrefix, info->end());
}

}  // namespace storvane
