// Cookie texts of the two HTTP engines: items "name=value" separated by "; ". An item whose
// last eight characters are "=deleted" marks a cookie the server removed.
#pragma once

#include <string>
#include <string_view>

#include "util/text.h"

namespace storvane::net {

// Merges the cookies a request sent with those its response set: the response's items first,
// then the sent items whose names the response did not mention, in their old order; items
// ending in "=deleted" are dropped and repeated items removed. Both caller variables are
// rewritten: `received` is left trimmed (with "; " completed), `cookies` receives the merged
// text, which is also returned.
std::string MergeCookies(std::string& cookies, std::string& received);

// The trimmed text before the first '='; the whole item trimmed when it has none.
std::string CookieName(std::string_view item);

// True when some item of the list has exactly that name (case-sensitive).
bool CookieListHasName(const TextArray& items, std::string_view name);

// The pieces of `text` (split at `separator`, or into characters when splitMode is false)
// without repeats, first occurrences kept, joined by `separator`.
std::string RemoveDuplicateItems(std::string_view text, std::string_view separator, bool splitMode);

// 1-based position of the first item equal to `text` (exact comparison), or -1.
int ItemPosition(const TextArray& items, std::string_view text);

// One piece per character: a GBK double-byte character (lead byte 0x81 or above) and a CR LF
// pair count as one; a lead byte that ends the text is a piece of its own.
TextArray SplitCharacters(std::string_view text);

}  // namespace storvane::net
