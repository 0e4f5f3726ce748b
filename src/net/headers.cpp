#include "net/headers.h"

#include "util/text.h"

namespace storvane::net {
namespace {

constexpr std::string_view kCrlf = "\r\n";
// Lets callers write a double quote inside a delimiter without escaping it.
constexpr std::string_view kQuoteWord = "#引号";

}  // namespace

std::string CapitalizeFirst(std::string_view text) {
  std::string out(text);
  if (!out.empty() && out[0] >= 'a' && out[0] <= 'z') out[0] = static_cast<char>(out[0] - 'a' + 'A');
  return out;
}

std::string NormalizeHeaderNames(std::string_view block) {
  std::string out;
  for (const std::string& line : SplitText(block, kCrlf)) {
    const int colon = FindText(line, ":");
    if (colon == -1) continue;
    const std::string name = LeftText(line, colon - 1);
    const std::string rest = line.substr(static_cast<size_t>(colon - 1));
    std::string newName;
    if (FindText(name, "-") != -1) {
      const TextArray words = SplitText(name, "-");
      for (size_t i = 0; i < words.size(); ++i) {
        if (i > 0) newName += '-';
        newName += CapitalizeFirst(words[i]);
      }
    } else {
      newName = CapitalizeFirst(name);
    }
    out += newName + rest + std::string(kCrlf);
  }
  return LeftText(out, TextLength(out) - 2);
}

std::string HeaderValue(std::string_view block, std::string_view name) {
  const std::string key = std::string(name) + ": ";
  for (const std::string& line : SplitText(block, kCrlf)) {
    if (LeftText(line, TextLength(name)) != name) continue;
    return TextAfter(line, key);
  }
  return {};
}

std::string HeaderLineName(std::string_view line) { return TrimText(TextBefore(line, ":")); }

std::string HeaderLineValue(std::string_view line) {
  // Forward search, so the value keeps any later colons (a URL, a time of day).
  return TrimText(TextAfter(line, ":", -1));
}

std::string TextBetween(std::string_view text, std::string_view left, std::string_view right, int start,
                        bool ignoreCase) {
  const std::string l = ReplaceText(left, kQuoteWord, "\"");
  const std::string r = ReplaceText(right, kQuoteWord, "\"");
  const int found = FindText(text, l, start < 1 ? 1 : start, ignoreCase);
  if (found == -1) return {};
  const int from = found + TextLength(l);
  const int to = FindText(text, r, from, ignoreCase);
  if (to == -1) return {};
  return MidText(text, from, to - from);
}

}  // namespace storvane::net
