// Digests against published vectors; signatures against keys and signatures openssl made for
// this run (tests/util/signing_vectors.py lists them).
#include "util/crypto.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/scratch_folder.h"
#include "util/small_file.h"
#include "util/text.h"

using namespace storvane;

namespace {

std::string Hex(std::string_view text) {
  auto digest = Sha256Of({reinterpret_cast<const uint8_t*>(text.data()), text.size()});
  return digest ? ToHex(*digest) : "failed";
}

Bytes Vector(const std::string& name) {
  const char* dir = std::getenv("STORVANE_SIGNING_VECTORS");
  const std::string path = "Z:" + std::string(dir ? dir : "/missing") + "/" + name;
  auto text = ReadSmallFile(std::wstring(path.begin(), path.end()), 1 << 16);
  EXPECT_TRUE(text) << path;
  return text ? Bytes(text->begin(), text->end()) : Bytes{};
}

std::vector<uint8_t> Key(const std::string& name) {
  const Bytes text = Vector(name);
  return ParsePublicKey({reinterpret_cast<const char*>(text.data()), text.size()}).value_or(std::vector<uint8_t>{});
}

Bytes Cat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
Bytes Tlv(uint8_t tag, const Bytes& content) { return Cat({tag, static_cast<uint8_t>(content.size())}, content); }
// The minimal INTEGER content of a 32-byte big-endian value.
Bytes Minimal(const uint8_t* value) {
  Bytes v(value, value + 32);
  while (v.size() > 1 && v[0] == 0) v.erase(v.begin());
  if (v[0] & 0x80) v.insert(v.begin(), 0);
  return v;
}

}  // namespace

TEST(Sha256, KnownVectorsAndStreamedFile) {
  EXPECT_EQ(Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");

  // A million 'a': sixteen full reads and a partial one.
  testsupport::ScratchFolder folder(L"sha");
  ASSERT_TRUE(ReplaceSmallFile(folder / L"a.bin", std::string(1000000, 'a')));
  auto digest = Sha256OfFile(folder / L"a.bin");
  ASSERT_TRUE(digest);
  EXPECT_EQ(ToHex(*digest), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
  EXPECT_FALSE(Sha256OfFile(folder / L"missing.bin"));
}

TEST(Sha256, HexIsExactlySixtyFourDigits) {
  const std::string hex = "BA7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015AD";
  auto parsed = ParseSha256Hex(hex);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(ToHex(*parsed), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  for (const std::string& bad : {hex.substr(1), hex + "0", hex.substr(1) + " ", hex.substr(1) + "g", std::string()}) {
    EXPECT_FALSE(ParseSha256Hex(bad)) << bad;
  }
}

class Signatures : public ::testing::Test {
protected:
  std::vector<uint8_t> key_ = Key("public.txt");
  Bytes message_ = Vector("message.bin");
  Bytes good_ = Vector("good.sig");
  Bytes raw_ = Vector("good.raw");

  bool Verify(const Bytes& signature) { return VerifyEcdsaP256(key_, message_, signature); }
};

TEST_F(Signatures, OpensslSignaturesAndRawFormVerify) {
  ASSERT_EQ(key_.size(), 64u);
  EXPECT_TRUE(Verify(good_));
  EXPECT_TRUE(Verify(Vector("short.sig")));   // an integer padded back to 32 bytes
  EXPECT_TRUE(Verify(Vector("padded.sig")));  // a sign byte dropped
  EXPECT_TRUE(Verify(raw_));
}

TEST_F(Signatures, AnyChangeIsRefused) {
  Bytes message = message_;
  message[100] ^= 1;
  EXPECT_FALSE(VerifyEcdsaP256(key_, message, good_));
  EXPECT_FALSE(VerifyEcdsaP256(Key("other_public.txt"), message_, good_));
  for (Bytes signature : {good_, raw_}) {
    signature[signature.size() - 5] ^= 0x10;
    EXPECT_FALSE(Verify(signature));
  }
  EXPECT_FALSE(VerifyEcdsaP256(std::span(key_).first(63), message_, good_));
}

TEST_F(Signatures, OnlyStrictDerIsRead) {
  // Each case carries the good r and s, so only the parser can refuse it.
  const Bytes r = Minimal(raw_.data()), s = Minimal(raw_.data() + 32);
  const Bytes content = Cat(Tlv(0x02, r), Tlv(0x02, s));
  ASSERT_TRUE(Verify(Tlv(0x30, content)));
  Bytes overlong = Tlv(0x30, content);
  overlong[1] += 1;
  const Bytes padded = Vector("padded.sig");
  Bytes negative = Tlv(0x30, Cat(Tlv(0x02, Bytes(padded.begin() + 5, padded.begin() + 4 + padded[3])),
                                 Bytes(padded.begin() + 4 + padded[3], padded.end())));
  const std::vector<std::pair<const char*, Bytes>> cases = {
      {"truncated", Bytes(good_.begin(), good_.end() - 1)},
      {"overlong length", overlong},
      {"byte after the sequence", Cat(Tlv(0x30, content), {0})},
      {"element after s", Tlv(0x30, Cat(content, {0x05, 0x00}))},
      {"long-form length", Cat({0x30, 0x81, static_cast<uint8_t>(content.size())}, content)},
      {"needless leading zero", Tlv(0x30, Cat(Tlv(0x02, Cat({0}, r)), Tlv(0x02, s)))},
      {"negative integer", negative},
      {"empty integer", Tlv(0x30, Cat(Tlv(0x02, {}), Tlv(0x02, s)))},
      {"not an integer", Tlv(0x30, Cat(Tlv(0x03, r), Tlv(0x02, s)))},
      {"empty", {}},
      {"raw one byte short", Bytes(raw_.begin(), raw_.end() - 1)},
  };
  for (const auto& [name, signature] : cases) EXPECT_FALSE(Verify(signature)) << name;
}

TEST(PublicKey, Base64SubjectPublicKeyInfoOnly) {
  const Bytes pem = Vector("public.pem");
  const Bytes line = Vector("public.txt");
  const std::string text(line.begin(), line.end());
  auto fromLine = ParsePublicKey(text);
  ASSERT_TRUE(fromLine);
  EXPECT_EQ(fromLine, ParsePublicKey({reinterpret_cast<const char*>(pem.data()), pem.size()}));

  const Bytes p384 = Vector("p384_public.txt");
  EXPECT_FALSE(ParsePublicKey({reinterpret_cast<const char*>(p384.data()), p384.size()}));
  EXPECT_FALSE(ParsePublicKey(text.substr(0, 120)));  // cut short
  EXPECT_FALSE(ParsePublicKey("MFkw" + text));        // bytes in front
  std::string changedCurve = text;
  changedCurve[30] = changedCurve[30] == 'A' ? 'B' : 'A';  // inside the curve's name
  EXPECT_FALSE(ParsePublicKey(changedCurve));
  std::string badLetter = text;
  badLetter[60] = '*';
  EXPECT_FALSE(ParsePublicKey(badLetter));
  std::string strayBits = text;
  strayBits[strayBits.find("==") - 1] += 1;  // only bits the padding leaves unused
  EXPECT_FALSE(ParsePublicKey(strayBits));
}
