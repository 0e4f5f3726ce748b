// Text primitives and small text, array, byte and colour helpers.
//
// Text is a std::string of GBK (code page 936) bytes. Lengths and positions count bytes and
// positions are 1-based; a failed search gives -1. A byte of 0x80 or above starts a two-byte
// character: searches only match at character starts, and replace and split never cut a
// character. A lead byte that is the last byte of a text has no partner; the scans stop at it
// (it is never a match start, and it is copied through unchanged).
//
// This header and text.cpp use no Windows API, so they build natively as well.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace storvane {

using Bytes = std::vector<uint8_t>;
using TextArray = std::vector<std::string>;

// True for a byte that starts a two-byte character.
constexpr bool IsLeadByte(unsigned char b) noexcept { return b >= 0x80; }

// ---- runtime primitives ----------------------------------------------------------------

// Position of the first occurrence of `what` that begins at or after `start` (values below 1
// count as 1), or -1. An empty `what` gives 1 for a non-empty text, else -1. `ignoreCase`
// folds ASCII letters only (never trail bytes).
int FindText(std::string_view text, std::string_view what, int start = 1, bool ignoreCase = false);

// Position of the last occurrence of `what` lying wholly in front of `start` (default: the
// end, i.e. the last occurrence of all), or -1.
int FindTextBackward(std::string_view text, std::string_view what, std::optional<int> start = std::nullopt,
                     bool ignoreCase = false);

// Replaces the first `count` occurrences (default: all; a negative count also means all) at or
// after `start`, left to right without overlap. An empty text or `what`, a start beyond the
// text or a count of 0 give the text unchanged. caseSensitive = false folds ASCII letters.
std::string ReplaceText(std::string_view text, std::string_view what, std::string_view replacement = {}, int start = 1,
                        std::optional<int> count = std::nullopt, bool caseSensitive = true);

// Splits at `delimiter`. Empty text: no elements. Empty delimiter: the whole text. Adjacent
// delimiters give an empty element; a trailing delimiter gives no empty last element. With
// `maxCount`, at most that many elements are produced and the rest of the text is dropped
// (a max count of 0 or less means no limit).
TextArray SplitText(std::string_view text, std::string_view delimiter = ",",
                    std::optional<int> maxCount = std::nullopt);

// Removes leading and trailing ASCII spaces and full-width spaces (A1 A1).
std::string TrimText(std::string_view text);

// First / last min(count, length) bytes; count <= 0 gives the empty text.
std::string LeftText(std::string_view text, int count);
std::string RightText(std::string_view text, int count);
// `count` bytes from the 1-based `start` (fewer at the end); count <= 0 or a start outside the
// text gives the empty text.
std::string MidText(std::string_view text, int start, int count);

// Conversions to text: integers in decimal, a double with "%.13g", a float with "%.6g", a
// boolean as "真"/"假", bytes up to the first zero byte.
std::string ToText(int value);
std::string ToText(unsigned value);
std::string ToText(long long value);
std::string ToText(double value);
std::string ToText(float value);
std::string ToText(bool value);
std::string ToText(const Bytes& bytes);
// Text stays text. These also keep a string literal from turning into the boolean overload.
std::string ToText(std::string_view text);
std::string ToText(const char* text);
std::string ToText(const std::string& text);

// Reads a decimal integer (leading blanks, optional sign, digits; stops at the first other
// character; clamped to the int range) after full-width digits and letters are turned into
// ASCII. No digits give 0. A boolean gives 1 or 0.
int ToInteger(std::string_view text);
int ToInteger(const char* text);  // null reads as 0; keeps literals off the boolean overload
int ToInteger(const std::string& text);
int ToInteger(bool value);

// Replaces full-width digits and letters (GBK A3 B0..A3 B9, A3 C1..A3 DA, A3 E1..A3 FA) by their
// ASCII forms, leaving every other character intact.
std::string FullWidthToAscii(std::string_view text);

// Multibyte-aware comparison: <0, 0 or >0. Without case sensitivity, ASCII letters are folded
// but trail bytes never are.
int CompareTextCase(std::string_view a, std::string_view b, bool caseSensitive);

// True when `a` begins with the bytes of `b`.
bool StartsWith(std::string_view a, std::string_view b);

// ---- the program's own helpers -----------------------------------------------------------

// -1, 0 or 1 by unsigned byte comparison; null counts as the empty text.
int CompareText(const char* a, const char* b);
int CompareText(std::string_view a, std::string_view b);

// Bytes before the terminating zero; 0 for null.
int TextLength(const char* text);
int TextLength(std::string_view text);

namespace detail {
inline std::string_view AsTextView(const char* t) { return t != nullptr ? std::string_view(t) : std::string_view(); }
inline std::string_view AsTextView(std::string_view t) { return t; }
}  // namespace detail

// All texts in order (null pointers count as empty).
template <typename... Texts>
std::string ConcatTexts(const Texts&... texts) {
  static_assert(sizeof...(Texts) >= 1, "ConcatTexts needs at least one text");
  std::string out;
  out.reserve((detail::AsTextView(texts).size() + ...));
  (out.append(detail::AsTextView(texts)), ...);
  return out;
}

// Element count of an array; 0 for a missing one.
template <typename T>
int ArrayCount(const std::vector<T>& array) {
  return static_cast<int>(array.size());
}
template <typename T>
int ArrayCount(const std::vector<T>* array) {
  return array != nullptr ? static_cast<int>(array->size()) : 0;
}

// Element count and the address of the first element; (0, null) for a missing or empty array.
template <typename T>
std::pair<int, const T*> ArrayCountAndData(const std::vector<T>* array) {
  if (array == nullptr || array->empty()) return {0, nullptr};
  return {static_cast<int>(array->size()), array->data()};
}
template <typename T>
std::pair<int, const T*> ArrayCountAndData(const std::vector<T>& array) {
  return ArrayCountAndData(&array);
}

// The part in front of the occurrence of `delimiter` found, or empty. start = 0: the first
// occurrence; start > 0: the first at or after that position; start < 0: backward, -1 being
// from the very end (the last occurrence), -s (s > 1) from position length - s + 1.
std::string TextBefore(std::string_view text, std::string_view delimiter, int start = 0, bool ignoreCase = false);

// The part behind the occurrence of `delimiter` found, or empty. start = 0: the last
// occurrence; start > 0: backward from position length - start + 1; start < 0: forward,
// -1 from the beginning, -s (s > 1) from position s.
std::string TextAfter(std::string_view text, std::string_view delimiter, int start = 0, bool ignoreCase = false);

// Windowing-system colour (0x00BBGGRR) to the skin library's 0xAARRGGBB, alpha 255 by default.
uint32_t ColorToArgb(uint32_t colour, std::optional<uint8_t> alpha = std::nullopt);

// All byte arrays in order.
Bytes ConcatBytes(const std::vector<const Bytes*>& arrays);
template <typename... Arrays>
Bytes ConcatBytes(const Bytes& first, const Arrays&... rest) {
  return ConcatBytes(std::vector<const Bytes*>{&first, &rest...});
}

// UTF-16 bytes up to (not including) the first zero code unit; an array of one byte or less
// gives the empty array, and without a zero unit the whole array is copied.
Bytes CutAtWideZero(const Bytes& utf16);

// The first byte's address, or null for an empty array.
inline const uint8_t* BytesAddress(const Bytes& bytes) { return bytes.empty() ? nullptr : bytes.data(); }
// A little-endian 32-bit integer read from any address (no alignment needed).
int32_t ReadInt32(const void* address);

// Text bytes as a byte array (no terminator) and back (up to the first zero byte).
Bytes TextToBytes(std::string_view text);
inline std::string BytesToText(const Bytes& bytes) { return ToText(bytes); }

}  // namespace storvane
