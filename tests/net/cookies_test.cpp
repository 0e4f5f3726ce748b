// Cookie texts: which cookies survive a merge, in which order, and that both caller
// variables end up rewritten.
#include <gtest/gtest.h>

#include "net/cookies.h"

using namespace storvane::net;

TEST(MergeCookies, ResponseCookiesOverrideAndComeFirst) {
  std::string cookies = "a=1; b=2", received = "b=3; c=4";
  EXPECT_EQ(MergeCookies(cookies, received), "b=3; c=4; a=1");
  EXPECT_EQ(cookies, "b=3; c=4; a=1");
}

TEST(MergeCookies, DeletedCookiesAreDropped) {
  std::string cookies = "a=1; b=2", received = "b=deleted";
  EXPECT_EQ(MergeCookies(cookies, received), "a=1");
}

TEST(MergeCookies, NothingReceivedKeepsTheSentCookies) {
  std::string cookies = "a=1; b=2", received;
  EXPECT_EQ(MergeCookies(cookies, received), "a=1; b=2");
  std::string none, alsoNone;
  EXPECT_EQ(MergeCookies(none, alsoNone), "");
}

TEST(MergeCookies, TrailingSemicolonBecomesASeparator) {
  std::string cookies = "a=1;", received = "c=4";
  EXPECT_EQ(MergeCookies(cookies, received), "c=4; a=1");
}

TEST(MergeCookies, RewritesBothCallerVariables) {
  std::string cookies = "  a=1 ", received = " c=4; ";
  std::string merged = MergeCookies(cookies, received);
  EXPECT_EQ(merged, "c=4; a=1");
  EXPECT_EQ(cookies, merged);
  EXPECT_EQ(received, "c=4; ");  // trimmed, the trailing ";" completed; not the merged text
}

TEST(MergeCookies, FirstOfTwoSentCookiesWithOneNameWins) {
  std::string cookies = "a=1; a=2; b=3", received = "c=4";
  EXPECT_EQ(MergeCookies(cookies, received), "c=4; a=1; b=3");
}

TEST(MergeCookies, RepeatedItemsAreRemoved) {
  std::string cookies = "x=1", received = "a=1; a=1; b=2";
  EXPECT_EQ(MergeCookies(cookies, received), "a=1; b=2; x=1");
}

TEST(CookieName, IsTheTrimmedTextBeforeTheFirstEquals) {
  EXPECT_EQ(CookieName(" sid = 42=x"), "sid");
  EXPECT_EQ(CookieName(" flag "), "flag");
  EXPECT_EQ(CookieName("=v"), "");
}

TEST(CookieListHasName, ComparesNamesExactly) {
  const storvane::TextArray items = {"a=1", " B=2"};
  EXPECT_TRUE(CookieListHasName(items, "a"));
  EXPECT_TRUE(CookieListHasName(items, "B"));
  EXPECT_FALSE(CookieListHasName(items, "b"));
  EXPECT_FALSE(CookieListHasName({}, "a"));
}

TEST(RemoveDuplicateItems, ComparesWholeItems) {
  EXPECT_EQ(RemoveDuplicateItems("a=1; a=1; b=2", "; ", true), "a=1; b=2");
  EXPECT_EQ(RemoveDuplicateItems("a=1; a=2", "; ", true), "a=1; a=2");
  EXPECT_EQ(RemoveDuplicateItems("", "; ", true), "");
}

TEST(RemoveDuplicateItems, CharacterModeKeepsDoubleByteCharactersWhole) {
  EXPECT_EQ(RemoveDuplicateItems("aab中中b", "", false), "ab中");
  EXPECT_EQ(RemoveDuplicateItems("abca", ",", false), "a,b,c");
}

TEST(ItemPosition, IsOneBasedAndMinusOneWhenAbsent) {
  const storvane::TextArray items = {"x", "y", "x"};
  EXPECT_EQ(ItemPosition(items, "x"), 1);
  EXPECT_EQ(ItemPosition(items, "y"), 2);
  EXPECT_EQ(ItemPosition(items, "X"), -1);
}

TEST(SplitCharacters, PairsLeadBytesAndCrLf) {
  const storvane::TextArray expected = {"a", "中", "\r\n", "b", "\r", "c"};
  EXPECT_EQ(SplitCharacters("a中\r\nb\rc"), expected);
}

TEST(SplitCharacters, LastByteIsAlwaysAPieceOfItsOwn) {
  const storvane::TextArray expected = {"a", "\xD6"};
  EXPECT_EQ(SplitCharacters("a\xD6"), expected);
  const storvane::TextArray crAtEnd = {"a", "\r"};
  EXPECT_EQ(SplitCharacters("a\r"), crAtEnd);
  EXPECT_TRUE(SplitCharacters("").empty());
}
