// The text primitives on arbitrary GBK bytes: every position they give lies inside its text on
// a character start, every match really matches, and the operations that undo or repeat each
// other do. Also the download bar's arithmetic, which turns two 32-bit counts into a position.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "net/download_progress.h"
#include "util/text.h"

namespace {

using namespace storvane;

// All ASCII letters folded, trail bytes included: equal under this is necessary (not enough)
// for a case-insensitive match.
std::string FoldAll(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return out;
}

// Whether byte offset `pos` starts a character when the text is read from its beginning.
bool IsCharacterStart(std::string_view s, size_t pos) {
  size_t i = 0;
  while (i < pos) i += IsLeadByte(static_cast<unsigned char>(s[i])) ? 2 : 1;
  return i == pos;
}

int Sign(int v) { return (v > 0) - (v < 0); }

std::string Join(const TextArray& parts, std::string_view delimiter) {
  std::string out;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) out.append(delimiter);
    out += parts[i];
  }
  return out;
}

void CheckSearches(std::string_view text, std::string_view what, int start, bool ignoreCase) {
  const auto n = static_cast<long long>(text.size());
  const auto m = static_cast<long long>(what.size());
  const auto hitMatches = [&](int found) {
    const std::string_view hit = text.substr(static_cast<size_t>(found) - 1, what.size());
    return IsCharacterStart(text, static_cast<size_t>(found) - 1) &&
           (ignoreCase ? FoldAll(hit) == FoldAll(what) : hit == what);
  };
  const int found = FindText(text, what, start, ignoreCase);
  FUZZ_CHECK(found == -1 || (found >= 1 && found <= n));
  if (found > 0 && !what.empty()) {
    FUZZ_CHECK(found >= start && found - 1 + m <= n);
    FUZZ_CHECK(hitMatches(found));
  }
  const int before = FindTextBackward(text, what, start, ignoreCase);
  FUZZ_CHECK(before == -1 || (before >= 1 && before <= n));
  if (before > 0 && !what.empty()) {
    FUZZ_CHECK(before + m <= start);  // wholly in front of start
    FUZZ_CHECK(hitMatches(before));
  }
  // Forward and backward agree on whether there is any occurrence at all.
  const int first = FindText(text, what, 1, ignoreCase);
  const int last = FindTextBackward(text, what, std::nullopt, ignoreCase);
  FUZZ_CHECK((first == -1) == (last == -1) && last >= first);

  const std::string head = TextBefore(text, what, start, ignoreCase);
  FUZZ_CHECK(StartsWith(text, head));
  const std::string tail = TextAfter(text, what, start, ignoreCase);
  FUZZ_CHECK(tail.size() <= text.size() && text.ends_with(tail));
}

void CheckRewrites(std::string_view text, std::string_view what, std::string_view replacement, int start,
                   int count, bool ignoreCase) {
  const auto n = static_cast<long long>(text.size());
  FUZZ_CHECK(ReplaceText(text, what, what, start, count, true) == text);
  const std::string replaced = ReplaceText(text, what, replacement, start, count, !ignoreCase);
  const long long grow = static_cast<long long>(replacement.size()) - static_cast<long long>(what.size());
  const long long delta = static_cast<long long>(replaced.size()) - n;
  FUZZ_CHECK(grow == 0 ? delta == 0 : delta % grow == 0 && delta / grow >= 0);

  // Splitting and joining again gives the text back, less at most one trailing delimiter.
  const TextArray parts = SplitText(text, what);
  const std::string joined = Join(parts, what);
  FUZZ_CHECK(joined == text || joined + std::string(what) == text);
  if (count > 0) {
    const TextArray limited = SplitText(text, what, count);
    FUZZ_CHECK(limited.size() <= static_cast<size_t>(count) && limited.size() <= parts.size());
    for (size_t i = 0; i < limited.size(); ++i) FUZZ_CHECK(limited[i] == parts[i]);
  }

  const std::string trimmed = TrimText(text);
  FUZZ_CHECK(text.find(trimmed) != std::string_view::npos && TrimText(trimmed) == trimmed);

  if (count >= 0 && count <= n) {
    FUZZ_CHECK(LeftText(text, count) + RightText(text, static_cast<int>(n) - count) == text);
  }
  const std::string mid = MidText(text, start, count);
  FUZZ_CHECK(mid.empty() || (mid.size() <= static_cast<size_t>(count) &&
                             text.substr(static_cast<size_t>(start) - 1).starts_with(mid)));

  const std::string ascii = FullWidthToAscii(text);
  FUZZ_CHECK(ascii.size() <= text.size() && FullWidthToAscii(ascii) == ascii);
  FUZZ_CHECK(ToInteger(ascii) == ToInteger(text));
}

void CheckComparisons(std::string_view a, std::string_view b, bool caseSensitive) {
  FUZZ_CHECK(CompareTextCase(a, a, caseSensitive) == 0);
  FUZZ_CHECK(Sign(CompareTextCase(a, b, caseSensitive)) == -Sign(CompareTextCase(b, a, caseSensitive)));
  // Case-sensitive comparison is plain unsigned byte order.
  FUZZ_CHECK(CompareText(a, b) == Sign(a.compare(b)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const int start = in.ConsumeIntegralInRange<int>(-300, 300);
  const int count = in.ConsumeIntegralInRange<int>(-3, 300);
  const bool ignoreCase = in.ConsumeBool();
  const int number = in.ConsumeIntegral<int>();
  const int32_t contentLength = in.ConsumeIntegral<int32_t>();
  const int32_t received = in.ConsumeIntegral<int32_t>();
  const int maximum = in.ConsumeIntegral<int>();
  const ExactText whatBytes(in.ConsumeRandomLengthString(24));
  const ExactText replacementBytes(in.ConsumeRandomLengthString(24));
  const ExactText textBytes(in.ConsumeRemainingBytesAsString());
  const std::string_view what = whatBytes.view(), replacement = replacementBytes.view(), text = textBytes.view();

  CheckSearches(text, what, start, ignoreCase);
  CheckRewrites(text, what, replacement, start, count, ignoreCase);
  CheckComparisons(text, what, !ignoreCase);
  FUZZ_CHECK(ToInteger(ToText(number)) == number);

  const int position = DownloadProgressPosition(contentLength, received, maximum);
  FUZZ_CHECK(position >= 0 && position <= (maximum > 0 ? maximum : 0));
  return 0;
}
