// Header-block routines shared by the two HTTP engines. A header block is GBK text whose lines
// are separated by CRLF. Positions are 1-based, searches are case-sensitive unless a parameter
// says otherwise, and GBK double-byte characters are never split or matched half.
#pragma once

#include <string>
#include <string_view>

namespace storvane::net {

// Drops every line without a colon (empty lines too) and capitalises the first letter of each
// '-'-separated word of the names; values are untouched. Lines are joined by CRLF with none
// after the last one.
std::string NormalizeHeaderNames(std::string_view block);

// The first byte upper-cased when it is a-z; the rest unchanged (never lower-cased).
std::string CapitalizeFirst(std::string_view text);

// The value of the first line that starts with `name` (case-sensitive, so "Connection" also
// picks 'Connection-X: ...'): the text after the last `name` + ": " in that line. Empty when no
// line starts with the name or that line lacks `name` + ": ".
std::string HeaderValue(std::string_view block, std::string_view name);

// The trimmed text before / after the first ':' of one line; empty without a colon.
std::string HeaderLineName(std::string_view line);
std::string HeaderLineValue(std::string_view line);

// The text between the first `left` found at or after `start` (0: from the beginning) and the
// next `right` after it; empty when either is missing. "#引号" in a delimiter stands for '"'.
std::string TextBetween(std::string_view text, std::string_view left, std::string_view right, int start = 0,
                        bool ignoreCase = false);

}  // namespace storvane::net
