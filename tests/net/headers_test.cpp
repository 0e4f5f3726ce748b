// Header-block routines: what the engines put on the wire depends on every detail here.
#include <gtest/gtest.h>

#include "net/headers.h"

using namespace storvane::net;

TEST(NormalizeHeaderNames, CapitalisesNamesDropsEmptyLinesAndTrailingCrlf) {
  EXPECT_EQ(NormalizeHeaderNames("accept: */*\r\n\r\nx-forwarded-for: 1.2.3.4"),
            "Accept: */*\r\nX-Forwarded-For: 1.2.3.4");
  EXPECT_EQ(NormalizeHeaderNames("user-agent: X\r\n"), "User-Agent: X");
}

TEST(NormalizeHeaderNames, DropsLinesWithoutColon) {
  EXPECT_EQ(NormalizeHeaderNames("garbage\r\nhost: a\r\nmore garbage"), "Host: a");
  EXPECT_EQ(NormalizeHeaderNames("garbage"), "");
  EXPECT_EQ(NormalizeHeaderNames(""), "");
}

TEST(NormalizeHeaderNames, LeavesValuesAndTheRestOfNamesAlone) {
  EXPECT_EQ(NormalizeHeaderNames("content-TYPE:text/html; charset=x-y"), "Content-TYPE:text/html; charset=x-y");
  EXPECT_EQ(NormalizeHeaderNames("x-requested-with:  a-b: c"), "X-Requested-With:  a-b: c");
  // Only the text before the first colon is a name.
  EXPECT_EQ(NormalizeHeaderNames("referer: http://a/b-c"), "Referer: http://a/b-c");
}

TEST(NormalizeHeaderNames, KeepsEmptyWordsBetweenHyphens) { EXPECT_EQ(NormalizeHeaderNames("a--b: 1"), "A--B: 1"); }

TEST(CapitalizeFirst, UpperCasesOnlyAnAsciiFirstLetter) {
  EXPECT_EQ(CapitalizeFirst("abc"), "Abc");
  EXPECT_EQ(CapitalizeFirst("aBC"), "ABC");
  EXPECT_EQ(CapitalizeFirst("1abc"), "1abc");
  EXPECT_EQ(CapitalizeFirst(""), "");
  EXPECT_EQ(CapitalizeFirst("中a"), "中a");
}

TEST(HeaderValue, FindsTheValueAfterNameColonSpace) {
  EXPECT_EQ(HeaderValue("Accept: */*\r\nConnection: keep-alive\r\nHost: h", "Connection"), "keep-alive");
  EXPECT_EQ(HeaderValue("Connection:keep-alive", "Connection"), "");
  EXPECT_EQ(HeaderValue("Accept: */*", "Connection"), "");
}

TEST(HeaderValue, MatchesNamePrefixCaseSensitivelyAndTakesFirstMatchingLine) {
  // A longer name starting with the one asked for is taken: the first such line decides.
  EXPECT_EQ(HeaderValue("Connection-X: a\r\nConnection: keep-alive", "Connection"), "");
  EXPECT_EQ(HeaderValue("connection: keep-alive", "Connection"), "");
  EXPECT_EQ(HeaderValue("Connection: x Connection: y", "Connection"), "y");
}

TEST(HeaderLine, NameAndValueAreTrimmedAroundTheFirstColon) {
  EXPECT_EQ(HeaderLineName("  X-A :  1 "), "X-A");
  EXPECT_EQ(HeaderLineValue("  X-A :  1 "), "1");
  EXPECT_EQ(HeaderLineName("Referer: http://h:80/p"), "Referer");
  EXPECT_EQ(HeaderLineValue("Referer: http://h:80/p"), "http://h:80/p");
  EXPECT_EQ(HeaderLineValue("X: 　中　"), "中");  // full-width spaces are trimmed too
}

TEST(HeaderLine, WithoutColonBothAreEmpty) {
  EXPECT_EQ(HeaderLineName("no colon"), "");
  EXPECT_EQ(HeaderLineValue("no colon"), "");
}

TEST(TextBetween, CutsBetweenDelimiters) {
  EXPECT_EQ(TextBetween("Set-Cookie: sid=42; path=/", "Set-Cookie:", ";"), " sid=42");
  EXPECT_EQ(TextBetween("a[1]b[2]", "[", "]"), "1");
}

TEST(TextBetween, MissingDelimiterGivesEmpty) {
  EXPECT_EQ(TextBetween("Set-Cookie: sid=42", "Set-Cookie:", ";"), "");
  EXPECT_EQ(TextBetween("sid=42;", "Set-Cookie:", ";"), "");
}

TEST(TextBetween, QuoteWordStandsForDoubleQuote) {
  EXPECT_EQ(TextBetween("name=\"value\" x", "name=#引号", "#引号"), "value");
}

TEST(TextBetween, StartPositionAndCase) {
  EXPECT_EQ(TextBetween("a[1]b[2]", "[", "]", 4), "2");
  EXPECT_EQ(TextBetween("SET-COOKIE: a=1;", "set-cookie:", ";"), "");
  EXPECT_EQ(TextBetween("SET-COOKIE: a=1;", "set-cookie:", ";", 0, true), " a=1");
}

TEST(TextBetween, NeverMatchesHalfADoubleByteCharacter) {
  // The trail byte of 中 (D6 D0) is not a delimiter even when the caller passes that byte.
  EXPECT_EQ(TextBetween("x中y", "x", "\xD0"), "");
}
