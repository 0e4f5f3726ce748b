#include "net/cookies.h"

namespace storvane::net {
namespace {

constexpr std::string_view kItemSeparator = "; ";
constexpr std::string_view kDeletedMark = "=deleted";

// Trims and completes a trailing ";" into a separator, so "a=1;" splits like "a=1; ".
std::string TidyCookieText(std::string_view text) {
  std::string out = TrimText(text);
  if (RightText(out, 1) == ";") out += ' ';
  return out;
}

}  // namespace

std::string CookieName(std::string_view item) {
  if (FindText(item, "=") == -1) return TrimText(item);
  return TrimText(TextBefore(item, "="));
}

bool CookieListHasName(const TextArray& items, std::string_view name) {
  for (const std::string& item : items) {
    if (CookieName(item) == name) return true;
  }
  return false;
}

int ItemPosition(const TextArray& items, std::string_view text) {
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i] == text) return static_cast<int>(i) + 1;
  }
  return -1;
}

TextArray SplitCharacters(std::string_view text) {
  TextArray pieces;
  size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<unsigned char>(text[i]);
    const bool hasNext = i + 1 < text.size();
    const bool pair = hasNext && (b >= 0x81 || (b == '\r' && text[i + 1] == '\n'));
    const size_t width = pair ? 2 : 1;
    pieces.emplace_back(text.substr(i, width));
    i += width;
  }
  return pieces;
}

std::string RemoveDuplicateItems(std::string_view text, std::string_view separator, bool splitMode) {
  const TextArray pieces = splitMode ? SplitText(text, separator) : SplitCharacters(text);
  TextArray seen;
  std::string out;
  for (const std::string& piece : pieces) {
    if (ItemPosition(seen, piece) != -1) continue;
    seen.push_back(piece);
    out += piece;
    out += separator;
  }
  return LeftText(out, TextLength(out) - TextLength(separator));
}

std::string MergeCookies(std::string& cookies, std::string& received) {
  cookies = TidyCookieText(cookies);
  received = TidyCookieText(received);
  const TextArray old = SplitText(cookies, kItemSeparator);
  TextArray merged = SplitText(received, kItemSeparator);
  for (const std::string& item : old) {
    if (!CookieListHasName(merged, CookieName(item))) merged.push_back(item);
  }
  std::string result;
  for (const std::string& item : merged) {
    if (RightText(item, TextLength(kDeletedMark)) == kDeletedMark) continue;
    result += item;
    result += kItemSeparator;
  }
  result = LeftText(result, TextLength(result) - 2);
  result = RemoveDuplicateItems(result, kItemSeparator, true);
  cookies = result;
  return result;
}

}  // namespace storvane::net
