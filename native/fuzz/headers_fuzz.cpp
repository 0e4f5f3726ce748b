// Header blocks as a server might send them (any bytes, CRLF lines): what the readers return is
// always a piece of the block, normalising keeps only header lines and is stable, and the Basic
// credentials encoding decodes back to its bytes.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "net/base64.h"
#include "net/headers.h"
#include "util/text.h"

namespace {

using namespace storvane;

// The name with ASCII letters lower-cased and '-' removed.
std::string FoldLetters(std::string_view name) {
  std::string out;
  for (char c : name) {
    if (c != '-') out.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c);
  }
  return out;
}

bool Contains(std::string_view haystack, std::string_view piece) { return haystack.find(piece) != std::string_view::npos; }

storvane::Bytes DecodeBase64(std::string_view text) {
  constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  storvane::Bytes out;
  uint32_t bits = 0;
  int held = 0;
  for (char c : text) {
    if (c == '=') break;
    const size_t v = kAlphabet.find(c);
    FUZZ_CHECK(v != std::string_view::npos);
    bits = (bits << 6) | static_cast<uint32_t>(v);
    held += 6;
    if (held >= 8) {
      held -= 8;
      out.push_back(static_cast<uint8_t>(bits >> held));
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const int start = in.ConsumeIntegralInRange<int>(-2, 300);
  const bool ignoreCase = in.ConsumeBool();
  const ExactText nameBytes(in.ConsumeRandomLengthString(24));
  const ExactText rightBytes(in.ConsumeRandomLengthString(12));
  const ExactText blockBytes(in.ConsumeRemainingBytesAsString());
  const std::string_view name = nameBytes.view(), right = rightBytes.view(), block = blockBytes.view();

  const std::string normal = net::NormalizeHeaderNames(block);
  FUZZ_CHECK(normal.size() <= block.size());
  // A text ends at its first zero byte for the length routines, so only zero-free blocks are
  // expected to come out whole: their header lines, in order, with the values untouched and the
  // names changed in letter case only (and in a trailing '-', which the word split drops).
  if (block.find('\0') == std::string_view::npos) {
    TextArray headerLines;
    for (const std::string& line : SplitText(block, "\r\n")) {
      if (FindText(line, ":") != -1) headerLines.push_back(line);
    }
    const TextArray lines = SplitText(normal, "\r\n");
    FUZZ_CHECK(lines.size() == headerLines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
      const int colon = FindText(lines[i], ":");
      const int oldColon = FindText(headerLines[i], ":");
      FUZZ_CHECK(colon != -1 && lines[i].substr(colon) == headerLines[i].substr(oldColon));
      FUZZ_CHECK(FoldLetters(lines[i].substr(0, colon - 1)) == FoldLetters(headerLines[i].substr(0, oldColon - 1)));
    }
  }

  FUZZ_CHECK(Contains(block, net::HeaderValue(block, name)));
  const std::string lineName = net::HeaderLineName(block);
  const std::string lineValue = net::HeaderLineValue(block);
  FUZZ_CHECK(Contains(block, lineName) && Contains(block, lineValue));
  FUZZ_CHECK(lineName.size() + lineValue.size() < block.size() || (lineName.empty() && lineValue.empty()));
  FUZZ_CHECK(Contains(block, net::TextBetween(block, name, right, start, ignoreCase)));

  const std::string encoded = net::Base64Encode(Bytes(block.begin(), block.end()));
  FUZZ_CHECK(encoded.size() == (block.size() + 2) / 3 * 4);
  FUZZ_CHECK(DecodeBase64(encoded) == Bytes(block.begin(), block.end()));
  return 0;
}
