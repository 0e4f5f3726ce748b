// Catalogue entries name a tool's folder and executable; whatever IsPlainFileName accepts must
// reach the file system as one harmless name. Accepted names are read back through the C
// library's own code page 936 table, an oracle independent of the byte rules: no separator,
// drive colon, wildcard or control character may appear, no "..", no trailing dot or space.
// Web addresses accepted for the shell must be http(s) without quotes or control characters.
#include <iconv.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "catalogue/entry_rules.h"
#include "fuzz_check.h"

namespace {

constexpr char32_t kUnmapped = 0xFFFD;

// One code point per character as code page 936 reads the name: a lead byte 0x81-0xFE takes the
// next byte; a pair or byte the table lacks reads as kUnmapped.
std::u32string Decode936(std::string_view name) {
  static iconv_t cd = iconv_open("UTF-32LE", "CP936");
  FUZZ_CHECK(cd != reinterpret_cast<iconv_t>(-1));
  std::u32string out;
  for (size_t i = 0; i < name.size();) {
    const auto b = static_cast<unsigned char>(name[i]);
    const size_t width = (b >= 0x81 && b <= 0xFE && i + 1 < name.size()) ? 2 : 1;
    char* in = const_cast<char*>(name.data() + i);
    size_t inLeft = width;
    unsigned char unit[4] = {};
    char* outPtr = reinterpret_cast<char*>(unit);
    size_t outLeft = sizeof unit;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    const bool ok = iconv(cd, &in, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1) && inLeft == 0 && outLeft == 0;
    out.push_back(ok ? static_cast<char32_t>(unit[0] | unit[1] << 8 | unit[2] << 16 | unit[3] << 24) : kUnmapped);
    i += width;
  }
  return out;
}

bool IsRefused(char32_t c) {
  return c < 0x20 || c == 0x7F || std::u32string_view(U"\\/:*?\"<>|").find(c) != std::u32string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  if (storvane::IsPlainFileName(input)) {
    FUZZ_CHECK(!input.empty() && input.size() <= 200);
    const std::u32string wide = Decode936(input);
    for (char32_t c : wide) FUZZ_CHECK(!IsRefused(c));
    FUZZ_CHECK(wide.find(U"..") == std::u32string::npos);
    FUZZ_CHECK(wide.back() != U'.' && wide.back() != U' ');
  }

  if (storvane::IsWebAddress(input)) {
    std::string scheme(input.substr(0, 8));
    for (char& c : scheme) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    FUZZ_CHECK(scheme.starts_with("http://") || scheme == "https://");
    for (unsigned char c : input) FUZZ_CHECK(c >= 0x20 && c != 0x7F && c != '"');
  }
  return 0;
}
