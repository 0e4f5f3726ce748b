// RegexObject against the system's real regular-expression component, under Wine.
#include "util/regex_object.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <thread>

namespace storvane {
namespace {

constexpr const char* kMetaPattern = "<meta.+?charset=[^\\w]?([-\\w]+)";

TEST(RegexObject, FindsTheCharsetOfMetaTags) {
  RegexObject re = CreateRegexObject();
  ASSERT_TRUE(re.Execute(kMetaPattern, "<html><head><meta content=\"text/html; charset=gb2312\"></head>"));
  EXPECT_EQ(re.GetMatchCount(), 1);
  EXPECT_EQ(re.GetSubMatchText(1, 1), "gb2312");
  EXPECT_EQ(re.GetSubMatchCount(), 1);

  ASSERT_TRUE(re.Execute(kMetaPattern, "<meta charset=\"utf-8\">\n<title>x</title>"));
  EXPECT_EQ(re.GetMatchCount(), 1);
  EXPECT_EQ(re.GetSubMatchText(1, 1), "utf-8");
  EXPECT_EQ(re.GetPattern(), kMetaPattern);
}

TEST(RegexObject, NoMatchStillSucceedsWithEmptyReads) {
  RegexObject re = CreateRegexObject();
  ASSERT_TRUE(re.Execute(kMetaPattern, "<html><body>no tag here</body></html>"));
  EXPECT_EQ(re.GetMatchCount(), 0);
  EXPECT_EQ(re.GetSubMatchText(1, 1), "");
  EXPECT_EQ(re.GetMatchText(1), "");
  EXPECT_EQ(re.GetSubMatchCount(), 0);
  int position = 7;
  EXPECT_EQ(re.GetMatchText(1, position), "");
  EXPECT_EQ(position, -2);
}

TEST(RegexObject, IgnoresCaseUnlessAsked) {
  RegexObject re = CreateRegexObject();
  ASSERT_TRUE(re.Execute(kMetaPattern, "<META CHARSET=GBK>"));
  EXPECT_EQ(re.GetMatchCount(), 1);
  EXPECT_EQ(re.GetSubMatchText(1, 1), "GBK");

  ASSERT_TRUE(re.Execute(kMetaPattern, "<META CHARSET=GBK>", true));
  EXPECT_EQ(re.GetMatchCount(), 0);
}

TEST(RegexObject, QuoteWordStandsForADoubleQuote) {
  RegexObject re = CreateRegexObject();
  ASSERT_TRUE(re.Execute("charset=#引号(\\w+)#引号", "<meta charset=\"gbk\">", false, true, true, true));
  EXPECT_EQ(re.GetMatchCount(), 1);
  EXPECT_EQ(re.GetSubMatchText(1, 1), "gbk");
  EXPECT_EQ(re.GetPattern(), "charset=\"(\\w+)\"");

  // Without the switch the marker is matched literally.
  ASSERT_TRUE(re.Execute("charset=#引号(\\w+)#引号", "<meta charset=\"gbk\">"));
  EXPECT_EQ(re.GetMatchCount(), 0);
  ASSERT_TRUE(re.Execute("charset=#引号(\\w+)#引号", "charset=#引号gbk#引号"));
  EXPECT_EQ(re.GetSubMatchText(1, 1), "gbk");
}

TEST(RegexObject, ReplaceFollowsTheGlobalSwitch) {
  RegexObject re = CreateRegexObject();
  ASSERT_TRUE(re.Execute("a", "banana"));
  EXPECT_EQ(re.Replace("x"), "bxnxnx");
  EXPECT_EQ(re.GetMatchCount(), 3);

  ASSERT_TRUE(re.Execute("a", "banana", false, true, false));
  EXPECT_EQ(re.Replace("x"), "bxnana");
  EXPECT_EQ(re.GetMatchCount(), 1);

  ASSERT_TRUE(re.Execute("(\\w+)@(\\w+)", "名字 user@host 完"));
  EXPECT_EQ(re.Replace("$2 的 $1"), "名字 host 的 user 完");
}

TEST(RegexObject, MultilineAnchorsAtLineBreaks) {
  RegexObject re = CreateRegexObject();
  ASSERT_TRUE(re.Execute("^b\\w*$", "alpha\r\nbeta\r\ngamma"));
  EXPECT_EQ(re.GetMatchCount(), 1);
  EXPECT_EQ(re.GetMatchText(1), "beta");

  ASSERT_TRUE(re.Execute("^b\\w*$", "alpha\nbeta\ngamma", false, false));
  EXPECT_EQ(re.GetMatchCount(), 0);

  // "." stops at a line feed: there is no single-line mode.
  ASSERT_TRUE(re.Execute("a.b", "a\nb"));
  EXPECT_EQ(re.GetMatchCount(), 0);
}

TEST(RegexObject, PositionsAreByteOffsetsInTheGbkSubject) {
  RegexObject re = CreateRegexObject();
  // Four two-byte characters in front: UTF-16 index 4 is byte 8.
  ASSERT_TRUE(re.Execute(kMetaPattern, "中文页面<meta charset=gbk>"));
  int position = 0;
  EXPECT_EQ(re.GetMatchText(1, position), "<meta charset=gbk");
  EXPECT_EQ(position, 8);
  EXPECT_EQ(re.GetSubMatchText(1, 1, position), "gbk");
  EXPECT_EQ(position, 22);

  // The second "x" sits at UTF-16 index 7 but byte 11; reading the index as a byte offset
  // would land on the first "x" instead.
  ASSERT_TRUE(re.Execute("x", "甲乙丙丁 x x"));
  ASSERT_EQ(re.GetMatchCount(), 2);
  EXPECT_EQ(re.GetMatchText(1, position), "x");
  EXPECT_EQ(position, 9);
  EXPECT_EQ(re.GetMatchText(2, position), "x");
  EXPECT_EQ(position, 11);

  // Chinese text in the match itself comes back as GBK.
  ASSERT_TRUE(re.Execute("软件(\\d+)", "下载软件12 打开软件34"));
  EXPECT_EQ(re.GetMatchText(2, position), "软件34");
  EXPECT_EQ(position, 15);
  EXPECT_EQ(re.GetSubMatchText(2, 1, position), "34");
  EXPECT_EQ(position, 19);
}

TEST(RegexObject, GroupsAndIndexesOutOfRange) {
  RegexObject re = CreateRegexObject();
  ASSERT_TRUE(re.Execute("(a)|(b)", "b"));
  EXPECT_EQ(re.GetSubMatchCount(), 2);
  EXPECT_EQ(re.GetSubMatchText(1, 1), "");
  EXPECT_EQ(re.GetSubMatchText(1, 2), "b");
  EXPECT_EQ(re.GetSubMatchText(1, 3), "");
  EXPECT_EQ(re.GetSubMatchText(2, 1), "");
  EXPECT_EQ(re.GetSubMatchText(0, 1), "");
  EXPECT_EQ(re.GetSubMatchText(1, 0), "");
  EXPECT_EQ(re.GetMatchText(0), "");
  EXPECT_EQ(re.GetMatchText(-1), "");
  int position = 0;
  EXPECT_EQ(re.GetSubMatchText(1, 9, position), "");
  EXPECT_EQ(position, -2);
  position = 0;
  EXPECT_EQ(re.GetSubMatchText(1, 1, position), "");
  EXPECT_EQ(position, -2);
}

TEST(RegexObject, RejectedPatternFailsAndReadsEmpty) {
  RegexObject re = CreateRegexObject();
  ASSERT_TRUE(re.Execute("a", "banana"));
  EXPECT_FALSE(re.Execute("(unclosed", "some (unclosed text"));
  EXPECT_EQ(re.GetMatchCount(), 0);
  EXPECT_EQ(re.GetMatchText(1), "");
  EXPECT_EQ(re.GetSubMatchCount(), 0);
}

TEST(RegexObject, FreshAndDestroyedRecordsReadEmpty) {
  RegexObject re = CreateRegexObject();
  EXPECT_EQ(re.GetPattern(), "");
  EXPECT_EQ(re.GetMatchCount(), 0);
  EXPECT_EQ(re.Replace("x"), "");
  EXPECT_EQ(re.GetMatchText(1), "");
  re.Reserved(5);

  ASSERT_TRUE(re.Execute("a", "banana"));
  re.Destroy();
  EXPECT_EQ(re.GetPattern(), "");
  EXPECT_EQ(re.GetMatchCount(), 0);
  re.Destroy();  // a second Destroy is harmless
}

TEST(RegexObject, CopySharesMatchesAndKeepsThemAfterTheSourceMovesOn) {
  RegexObject re = CreateRegexObject();
  ASSERT_TRUE(re.Execute("n(a)", "banana"));
  RegexObject copy = re.Copy();
  EXPECT_EQ(copy.GetMatchCount(), 2);
  EXPECT_EQ(copy.GetPattern(), "n(a)");
  EXPECT_EQ(copy.Replace("<$1>"), "ba<a><a>");

  // A new Execute gives the source new objects; the copy still holds the old ones.
  ASSERT_TRUE(re.Execute("b", "abc"));
  EXPECT_EQ(re.GetMatchCount(), 1);
  EXPECT_EQ(copy.GetMatchCount(), 2);
  int position = 0;
  EXPECT_EQ(copy.GetMatchText(2, position), "na");
  EXPECT_EQ(position, 4);

  re.Destroy();
  EXPECT_EQ(copy.GetSubMatchText(1, 1), "a");
}

TEST(RegexObject, ComUseIsBalancedOnTheCreatingThread) {
  // On a thread of its own: after every record is destroyed COM must be uninitialised
  // again, so a new CoInitialize reports S_OK (first use) rather than S_FALSE.
  HRESULT afterDestroy = E_FAIL;
  HRESULT whileAlive = E_FAIL;
  std::thread worker([&] {
    {
      RegexObject re = CreateRegexObject();
      RegexObject copy = re.Copy();
      re.Execute("a", "banana");
      RegexObject moved = std::move(re);
      whileAlive = CoInitialize(nullptr);
      if (SUCCEEDED(whileAlive)) CoUninitialize();
    }
    afterDestroy = CoInitialize(nullptr);
    if (SUCCEEDED(afterDestroy)) CoUninitialize();
  });
  worker.join();
  EXPECT_EQ(whileAlive, S_FALSE);
  EXPECT_EQ(afterDestroy, S_OK);
}

TEST(LocateInSubject, MapsUtf16IndexesToByteOffsets) {
  EXPECT_EQ(LocateInSubject(L"ab中c", "c", 3, false), 4);
  EXPECT_EQ(LocateInSubject(L"ab中c", "中", 2, false), 2);
  EXPECT_EQ(LocateInSubject(L"ab中c", "z", 0, false), -2);
  EXPECT_EQ(LocateInSubject(L"abc", "a", 9, false), -2);
  EXPECT_EQ(LocateInSubject(L"中abc", "ABC", 1, true), 2);
  EXPECT_EQ(LocateInSubject(L"中abc", "ABC", 1, false), -2);
  // An empty text lies where its match begins.
  EXPECT_EQ(LocateInSubject(L"中文x", "", 2, false), 4);
}

}  // namespace
}  // namespace storvane
