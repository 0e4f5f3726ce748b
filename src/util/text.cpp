#include "util/text.h"

#include <climits>
#include <cstdio>

// Kept free of any platform header: the byte-level rules here are the ones fuzzers and
// sanitizer builds exercise natively. Chinese literals are written as GBK escapes so the bytes
// do not depend on the compiler's execution character set.

namespace storvane {

namespace {

constexpr unsigned char kFullWidthLead = 0xA3;  // GBK row holding the full-width ASCII forms
constexpr unsigned char kIdeoSpace = 0xA1;      // A1 A1 is the full-width space

unsigned char At(std::string_view s, size_t i) { return static_cast<unsigned char>(s[i]); }

unsigned char FoldAscii(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

// Length of the character starting at byte i: 2 for a lead byte with a partner, 1 for a
// single-byte character, 0 for a lead byte that is the last byte (the scans stop there).
size_t CharLength(std::string_view s, size_t i) {
  if (!IsLeadByte(At(s, i))) return 1;
  return i + 1 < s.size() ? 2 : 0;
}

// Whether `what` occurs at byte offset `pos` of `text`, `pos` being a character start. The
// match must cover whole characters of `text`, and only single-byte characters are folded
// when ignoring case, so a trail byte that looks like a letter is never folded.
bool MatchesAt(std::string_view text, size_t pos, std::string_view what, bool ignoreCase) {
  const size_t m = what.size();
  if (pos + m > text.size()) return false;
  size_t k = 0;
  while (k < m) {
    const unsigned char t = At(text, pos + k);
    const unsigned char w = At(what, k);
    if (IsLeadByte(t)) {
      // A two-byte character of the text: both bytes must be inside `what` and equal.
      if (k + 1 >= m || pos + k + 1 >= text.size()) return false;
      if (t != w || At(text, pos + k + 1) != At(what, k + 1)) return false;
      k += 2;
      continue;
    }
    if (ignoreCase ? FoldAscii(t) != FoldAscii(w) : t != w) return false;
    ++k;
  }
  return true;
}

std::string FormatNumber(const char* format, double value) {
  char buffer[64];
  const int n = std::snprintf(buffer, sizeof buffer, format, value);
  if (n < 0) return {};
  return std::string(buffer, static_cast<size_t>(n) < sizeof buffer ? static_cast<size_t>(n) : sizeof buffer - 1);
}

bool IsFullWidthDigitOrLetter(unsigned char trail) {
  return (trail >= 0xB0 && trail <= 0xB9) || (trail >= 0xC1 && trail <= 0xDA) || (trail >= 0xE1 && trail <= 0xFA);
}

}  // namespace

int FindText(std::string_view text, std::string_view what, int start, bool ignoreCase) {
  if (what.empty()) return text.empty() ? -1 : 1;
  const size_t first = start > 1 ? static_cast<size_t>(start) - 1 : 0;
  for (size_t i = 0; i < text.size();) {
    const size_t len = CharLength(text, i);
    if (len == 0) break;
    if (i >= first && MatchesAt(text, i, what, ignoreCase)) return static_cast<int>(i) + 1;
    i += len;
  }
  return -1;
}

int FindTextBackward(std::string_view text, std::string_view what, std::optional<int> start, bool ignoreCase) {
  if (what.empty()) return text.empty() ? -1 : 1;
  // The occurrence has to end before `start`, i.e. its last byte lies at most at start - 1.
  const long long n = static_cast<long long>(text.size());
  const long long limit = (!start || *start > n + 1) ? n + 1 : *start;
  int found = -1;
  for (size_t i = 0; i < text.size();) {
    const size_t len = CharLength(text, i);
    if (len == 0) break;
    if (static_cast<long long>(i + what.size()) + 1 > limit) break;
    if (MatchesAt(text, i, what, ignoreCase)) found = static_cast<int>(i) + 1;
    i += len;
  }
  return found;
}

std::string ReplaceText(std::string_view text, std::string_view what, std::string_view replacement, int start,
                        std::optional<int> count, bool caseSensitive) {
  const size_t first = start > 1 ? static_cast<size_t>(start) - 1 : 0;
  if (text.empty() || what.empty() || first >= text.size() || (count && *count == 0)) return std::string(text);
  long long remaining = (count && *count > 0) ? *count : -1;  // -1: no limit
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const size_t len = CharLength(text, i);
    if (len == 0) break;
    if (remaining != 0 && i >= first && MatchesAt(text, i, what, !caseSensitive)) {
      out.append(replacement);
      i += what.size();
      if (remaining > 0) --remaining;
      continue;
    }
    out.append(text.substr(i, len));
    i += len;
  }
  out.append(text.substr(i));  // a trailing lone lead byte goes through unchanged
  return out;
}

TextArray SplitText(std::string_view text, std::string_view delimiter, std::optional<int> maxCount) {
  TextArray parts;
  if (text.empty()) return parts;
  if (delimiter.empty()) {
    parts.emplace_back(text);
    return parts;
  }
  const size_t limit = (maxCount && *maxCount > 0) ? static_cast<size_t>(*maxCount) : SIZE_MAX;
  size_t segment = 0;
  size_t i = 0;
  while (i < text.size()) {
    const size_t len = CharLength(text, i);
    if (len == 0) break;
    if (MatchesAt(text, i, delimiter, false)) {
      parts.emplace_back(text.substr(segment, i - segment));
      if (parts.size() >= limit) return parts;
      i += delimiter.size();
      segment = i;
      continue;
    }
    i += len;
  }
  if (segment < text.size()) parts.emplace_back(text.substr(segment));
  return parts;
}

std::string TrimText(std::string_view text) {
  size_t begin = 0;
  size_t end = 0;  // one past the last character that is not a space
  bool leading = true;
  for (size_t i = 0; i < text.size();) {
    size_t len = CharLength(text, i);
    if (len == 0) len = 1;  // a lone trailing lead byte is content
    const bool space =
        (len == 1 && At(text, i) == ' ') || (len == 2 && At(text, i) == kIdeoSpace && At(text, i + 1) == kIdeoSpace);
    if (!space) {
      if (leading) {
        begin = i;
        leading = false;
      }
      end = i + len;
    }
    i += len;
  }
  if (leading) return {};
  return std::string(text.substr(begin, end - begin));
}

std::string LeftText(std::string_view text, int count) {
  if (count <= 0) return {};
  return std::string(text.substr(0, static_cast<size_t>(count)));
}

std::string RightText(std::string_view text, int count) {
  if (count <= 0) return {};
  const size_t n = static_cast<size_t>(count) < text.size() ? static_cast<size_t>(count) : text.size();
  return std::string(text.substr(text.size() - n));
}

std::string MidText(std::string_view text, int start, int count) {
  if (count <= 0 || start < 1 || static_cast<size_t>(start) > text.size()) return {};
  return std::string(text.substr(static_cast<size_t>(start) - 1, static_cast<size_t>(count)));
}

std::string ToText(int value) { return std::to_string(value); }
std::string ToText(unsigned value) { return std::to_string(value); }
std::string ToText(long long value) { return std::to_string(value); }
std::string ToText(double value) { return FormatNumber("%.13g", value); }
std::string ToText(float value) { return FormatNumber("%.6g", static_cast<double>(value)); }
std::string ToText(bool value) { return value ? "\xD5\xE6" : "\xBC\xD9"; }  // 真 / 假

std::string ToText(const Bytes& bytes) {
  size_t n = 0;
  while (n < bytes.size() && bytes[n] != 0) ++n;
  return std::string(reinterpret_cast<const char*>(bytes.data()), n);
}

std::string ToText(std::string_view text) { return std::string(text); }
std::string ToText(const char* text) { return std::string(detail::AsTextView(text)); }
std::string ToText(const std::string& text) { return text; }

std::string FullWidthToAscii(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const size_t len = CharLength(text, i);
    if (len == 2 && At(text, i) == kFullWidthLead && IsFullWidthDigitOrLetter(At(text, i + 1))) {
      out.push_back(static_cast<char>(At(text, i + 1) - 0x80));
    } else {
      out.append(text.substr(i, len == 0 ? 1 : len));
    }
    i += len == 0 ? 1 : len;
  }
  return out;
}

int ToInteger(std::string_view text) {
  const std::string ascii = FullWidthToAscii(text);
  size_t i = 0;
  while (i < ascii.size() && (ascii[i] == ' ' || (ascii[i] >= '\t' && ascii[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < ascii.size() && (ascii[i] == '+' || ascii[i] == '-')) negative = ascii[i++] == '-';
  long long value = 0;
  for (; i < ascii.size() && ascii[i] >= '0' && ascii[i] <= '9'; ++i) {
    value = value * 10 + (ascii[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) {
      value = static_cast<long long>(INT_MAX) + 1;  // saturate; the digits go on but cannot matter
    }
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

int ToInteger(const char* text) { return ToInteger(detail::AsTextView(text)); }
int ToInteger(const std::string& text) { return ToInteger(std::string_view(text)); }
int ToInteger(bool value) { return value ? 1 : 0; }

int CompareTextCase(std::string_view a, std::string_view b, bool caseSensitive) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  bool trail = false;  // both texts agree byte for byte up to i, so they share character boundaries
  for (size_t i = 0; i < n; ++i) {
    unsigned char ca = At(a, i);
    unsigned char cb = At(b, i);
    if (!caseSensitive && !trail) {
      ca = FoldAscii(ca);
      cb = FoldAscii(cb);
    }
    if (ca != cb) return ca < cb ? -1 : 1;
    trail = !trail && IsLeadByte(ca);
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool StartsWith(std::string_view a, std::string_view b) { return a.size() >= b.size() && a.substr(0, b.size()) == b; }

int CompareText(const char* a, const char* b) { return CompareText(detail::AsTextView(a), detail::AsTextView(b)); }

int CompareText(std::string_view a, std::string_view b) {
  const int c = CompareTextCase(a, b, true);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int TextLength(const char* text) { return static_cast<int>(detail::AsTextView(text).size()); }

int TextLength(std::string_view text) {
  const size_t zero = text.find('\0');
  return static_cast<int>(zero == std::string_view::npos ? text.size() : zero);
}

std::string TextBefore(std::string_view text, std::string_view delimiter, int start, bool ignoreCase) {
  const int length = static_cast<int>(text.size());
  int found;
  if (start < 0) {
    int s = -start;
    if (s == 1) s = 0;
    found = FindTextBackward(text, delimiter, length - s + 1, ignoreCase);
  } else {
    found = FindText(text, delimiter, start == 0 ? 1 : start, ignoreCase);
  }
  if (found < 0) return {};
  return LeftText(text, found - 1);
}

std::string TextAfter(std::string_view text, std::string_view delimiter, int start, bool ignoreCase) {
  const int length = static_cast<int>(text.size());
  int found;
  if (start < 0) {
    int s = -start;
    if (s == 1) s = 0;
    found = FindText(text, delimiter, s == 0 ? 1 : s, ignoreCase);
  } else {
    found = FindTextBackward(text, delimiter, length - start + 1, ignoreCase);
  }
  if (found < 0) return {};
  return RightText(text, length - static_cast<int>(delimiter.size()) - found + 1);
}

uint32_t ColorToArgb(uint32_t colour, std::optional<uint8_t> alpha) {
  const uint32_t red = colour & 0xFFu;
  const uint32_t green = (colour >> 8) & 0xFFu;
  const uint32_t blue = (colour >> 16) & 0xFFu;
  const uint32_t a = alpha ? *alpha : 0xFFu;
  return (a << 24) | (red << 16) | (green << 8) | blue;
}

Bytes ConcatBytes(const std::vector<const Bytes*>& arrays) {
  size_t total = 0;
  for (const Bytes* a : arrays) {
    if (a != nullptr) total += a->size();
  }
  Bytes out;
  out.reserve(total);
  for (const Bytes* a : arrays) {
    if (a != nullptr) out.insert(out.end(), a->begin(), a->end());
  }
  return out;
}

Bytes CutAtWideZero(const Bytes& utf16) {
  if (utf16.size() <= 1) return {};
  const size_t units = utf16.size() / 2;
  for (size_t k = 0; k < units; ++k) {
    if (utf16[2 * k] == 0 && utf16[2 * k + 1] == 0) return Bytes(utf16.begin(), utf16.begin() + 2 * k);
  }
  return utf16;
}

int32_t ReadInt32(const void* address) {
  const auto* p = static_cast<const uint8_t*>(address);
  const uint32_t v = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                     (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
  return static_cast<int32_t>(v);
}

Bytes TextToBytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

}  // namespace storvane
