#include "util/text.h"

#include <gtest/gtest.h>

#include <climits>

// Chinese texts are written as GBK escapes so this file also builds natively.
//   "\x81\x40" 丂 and "\x81\x41" 丄 and "\x81\x61" 乤: trail bytes '@', 'A', 'a'
//   "\xCF\xC2\xD4\xD8\xC8\xED\xBC\xFE" 下载软件, "\xA3\xAC" full-width comma,
//   "\xA1\xA1" full-width space, "\xA3\xB1" full-width 1.

namespace storvane {
namespace {

const std::string kShang = "\x81\x41";  // trail byte is 'A'
const std::string kQi = "\x81\x40";     // trail byte is '@'
const std::string kXia = "\x81\x61";    // trail byte is 'a'
const std::string kDownload = "\xCF\xC2\xD4\xD8\xC8\xED\xBC\xFE";

TEST(FindText, PositionsAreOneBasedAndHonourStart) {
  EXPECT_EQ(FindText("abcabc", "bc"), 2);
  EXPECT_EQ(FindText("abcabc", "bc", 3), 5);
  EXPECT_EQ(FindText("abcabc", "bc", 5), 5);
  EXPECT_EQ(FindText("abcabc", "bc", 6), -1);
  EXPECT_EQ(FindText("abcabc", "bc", 0), 2);
  EXPECT_EQ(FindText("abcabc", "bc", -7), 2);
  EXPECT_EQ(FindText("abcabc", "bc", 100), -1);
  EXPECT_EQ(FindText("abc", "abcd"), -1);
  EXPECT_EQ(FindText(kDownload, "\xC8\xED\xBC\xFE"), 5);
}

TEST(FindText, EmptyWhatFindsPositionOneOnlyInNonEmptyText) {
  EXPECT_EQ(FindText("abc", ""), 1);
  EXPECT_EQ(FindText("abc", "", 3), 1);
  EXPECT_EQ(FindText("", ""), -1);
  EXPECT_EQ(FindText("", "a"), -1);
}

TEST(FindText, IgnoreCaseFoldsAsciiLettersOnly) {
  EXPECT_EQ(FindText("xABc", "ab"), -1);
  EXPECT_EQ(FindText("xABc", "ab", 1, true), 2);
  // The trail byte of 乤 is 'a': folding it would make it look like 'A'.
  EXPECT_EQ(FindText(kXia, "A", 1, true), -1);
  EXPECT_EQ(FindText(kXia + "A", "a", 1, true), 3);
}

TEST(FindText, NeverMatchesInsideADoubleByteCharacter) {
  EXPECT_EQ(FindText(kShang + "A", "A"), 3);
  EXPECT_EQ(FindText(kShang, "A"), -1);
  EXPECT_EQ(FindText(kQi + "@x", "@"), 3);
  // A start pointing at a trail byte still does not make it a character start.
  EXPECT_EQ(FindText(kShang + "xA", "A", 2), 4);
  // A search text that ends half-way into a character of the text does not match.
  EXPECT_EQ(FindText("\xCF\xC2", "\xCF"), -1);
}

TEST(FindText, StopsAtALoneTrailingLeadByte) {
  EXPECT_EQ(FindText("ab\xB0", "\xB0"), -1);
  EXPECT_EQ(FindText("ab\xB0", "b"), 2);
  EXPECT_EQ(FindText("ab\xB0", "b\xB0"), -1);
}

TEST(FindTextBackward, FindsLastOccurrenceWhollyBeforeStart) {
  EXPECT_EQ(FindTextBackward("abcabc", "bc"), 5);
  EXPECT_EQ(FindTextBackward("abcabc", "bc", 7), 5);
  EXPECT_EQ(FindTextBackward("abcabc", "bc", 50), 5);
  EXPECT_EQ(FindTextBackward("abcabc", "bc", 6), 2);  // 5..6 reaches the start
  EXPECT_EQ(FindTextBackward("abcabc", "bc", 4), 2);
  EXPECT_EQ(FindTextBackward("abcabc", "bc", 3), -1);
  EXPECT_EQ(FindTextBackward("abcabc", "bc", 0), -1);
  EXPECT_EQ(FindTextBackward("abcabc", "BC", std::nullopt, true), 5);
  EXPECT_EQ(FindTextBackward("abc", "x"), -1);
}

TEST(FindTextBackward, IsDoubleByteAware) {
  EXPECT_EQ(FindTextBackward("A" + kShang, "A"), 1);
  EXPECT_EQ(FindTextBackward(kShang + "A" + kShang, "A"), 3);
  EXPECT_EQ(FindTextBackward("A" + kXia, "a", std::nullopt, true), 1);
}

TEST(ReplaceText, StartAndCountLimitTheReplacements) {
  EXPECT_EQ(ReplaceText("a-b-c-d", "-", "+"), "a+b+c+d");
  EXPECT_EQ(ReplaceText("a-b-c-d", "-", "+", 4), "a-b+c+d");
  EXPECT_EQ(ReplaceText("a-b-c-d", "-", "+", 1, 1), "a+b-c-d");
  EXPECT_EQ(ReplaceText("a-b-c-d", "-", "+", 4, 1), "a-b+c-d");
  EXPECT_EQ(ReplaceText("a-b-c-d", "-", "+", 1, -1), "a+b+c+d");
  EXPECT_EQ(ReplaceText("a-b-c-d", "-"), "abcd");
  EXPECT_EQ(ReplaceText("x", "x", "yyy"), "yyy");
}

TEST(ReplaceText, DegenerateArgumentsLeaveTheTextUnchanged) {
  EXPECT_EQ(ReplaceText("a-b", "-", "+", 1, 0), "a-b");
  EXPECT_EQ(ReplaceText("a-b", "-", "+", 4), "a-b");
  EXPECT_EQ(ReplaceText("a-b", "", "+"), "a-b");
  EXPECT_EQ(ReplaceText("", "-", "+"), "");
}

TEST(ReplaceText, CaseOptionAndNoOverlap) {
  EXPECT_EQ(ReplaceText("aAa", "a", "x"), "xAx");
  EXPECT_EQ(ReplaceText("aAa", "a", "x", 1, std::nullopt, false), "xxx");
  EXPECT_EQ(ReplaceText("aaaa", "aa", "b"), "bb");
  EXPECT_EQ(ReplaceText("aaa", "aa", "b"), "ba");
  // The replacement is not scanned again.
  EXPECT_EQ(ReplaceText("ab", "a", "aa"), "aab");
}

TEST(ReplaceText, NeverCutsADoubleByteCharacter) {
  EXPECT_EQ(ReplaceText(kShang + "A", "A", "B"), kShang + "B");
  EXPECT_EQ(ReplaceText(kShang + kShang, "A", ""), kShang + kShang);
  EXPECT_EQ(ReplaceText(kXia, "A", "Z", 1, std::nullopt, false), kXia);
  EXPECT_EQ(ReplaceText(kDownload, "\xD4\xD8", "-"), "\xCF\xC2-\xC8\xED\xBC\xFE");
  // The lone lead byte at the end is copied through.
  EXPECT_EQ(ReplaceText("a,\xB0", ",", ";"), "a;\xB0");
}

TEST(SplitText, EmptyElementsAndTrailingDelimiter) {
  EXPECT_EQ(SplitText("a,,b,"), (TextArray{"a", "", "b"}));
  EXPECT_EQ(SplitText(",a"), (TextArray{"", "a"}));
  EXPECT_EQ(SplitText(","), (TextArray{""}));
  EXPECT_EQ(SplitText("abc"), (TextArray{"abc"}));
  EXPECT_TRUE(SplitText("").empty());
  EXPECT_TRUE(SplitText("", "").empty());
  EXPECT_EQ(SplitText("a,b", ""), (TextArray{"a,b"}));
  EXPECT_EQ(SplitText("a::b::", "::"), (TextArray{"a", "b"}));
}

TEST(SplitText, MaxCountDropsTheRest) {
  EXPECT_EQ(SplitText("a,b,c", ",", 2), (TextArray{"a", "b"}));
  EXPECT_EQ(SplitText("a,b,c", ",", 1), (TextArray{"a"}));
  EXPECT_EQ(SplitText("a,b,c", ",", 3), (TextArray{"a", "b", "c"}));
  EXPECT_EQ(SplitText("a,b,c", ",", 9), (TextArray{"a", "b", "c"}));
}

TEST(SplitText, NeverCutsADoubleByteCharacter) {
  EXPECT_EQ(SplitText(kQi + "@x", "@"), (TextArray{kQi, "x"}));
  EXPECT_EQ(SplitText("\xBC\xD7\xA3\xAC\xD2\xD2", "\xA3\xAC"), (TextArray{"\xBC\xD7", "\xD2\xD2"}));
  EXPECT_EQ(SplitText("a,b\xB0", ","), (TextArray{"a", "b\xB0"}));
}

TEST(TrimText, RemovesAsciiAndFullWidthSpaces) {
  EXPECT_EQ(TrimText("  \xA1\xA1"
                     "ab c\xA1\xA1 "),
            "ab c");
  EXPECT_EQ(TrimText(" \xA1\xA1 "), "");
  EXPECT_EQ(TrimText(""), "");
  EXPECT_EQ(TrimText("\tab\n"), "\tab\n");
  // 啊 (B0 A1) followed by a lone A1: the last two bytes are not a full-width space.
  EXPECT_EQ(TrimText("\xB0\xA1\xA1"), "\xB0\xA1\xA1");
  EXPECT_EQ(TrimText("\xB0\xA1\xA1\xA1"), "\xB0\xA1");
}

TEST(LeftRightMid, CountBytesAndClamp) {
  EXPECT_EQ(LeftText("abc", 2), "ab");
  EXPECT_EQ(LeftText("abc", 5), "abc");
  EXPECT_EQ(LeftText("abc", 0), "");
  EXPECT_EQ(LeftText("abc", -1), "");
  EXPECT_EQ(RightText("abc", 2), "bc");
  EXPECT_EQ(RightText("abc", 9), "abc");
  EXPECT_EQ(RightText("abc", -2), "");
  EXPECT_EQ(MidText("abcdef", 2, 3), "bcd");
  EXPECT_EQ(MidText("abc", 3, 5), "c");
  EXPECT_EQ(MidText("abc", 4, 1), "");
  EXPECT_EQ(MidText("abc", 0, 2), "");
  EXPECT_EQ(MidText("abc", 1, 0), "");
}

TEST(ToText, NumbersBooleansAndBytes) {
  EXPECT_EQ(ToText(-5), "-5");
  EXPECT_EQ(ToText(4000000000u), "4000000000");
  EXPECT_EQ(ToText(0.1), "0.1");
  EXPECT_EQ(ToText(3.0), "3");
  EXPECT_EQ(ToText(1.0 / 3.0), "0.3333333333333");
  EXPECT_EQ(ToText(123456789012345.0), "1.234567890123e+14");
  EXPECT_EQ(ToText(0.1f), "0.1");
  EXPECT_EQ(ToText(1.0f / 3.0f), "0.333333");
  EXPECT_EQ(ToText(true), "\xD5\xE6");   // 真
  EXPECT_EQ(ToText(false), "\xBC\xD9");  // 假
  EXPECT_EQ(ToText("abc"), "abc");       // a literal is text, not a boolean
  EXPECT_EQ(ToText(std::string("de")), "de");
  EXPECT_EQ(ToText(Bytes{'a', 'b', 0, 'c'}), "ab");
  EXPECT_EQ(ToText(Bytes{}), "");
  EXPECT_EQ(ToText(Bytes{0xCF, 0xC2}), "\xCF\xC2");
}

TEST(ToInteger, ReadsLeadingDecimalDigits) {
  EXPECT_EQ(ToInteger("123"), 123);
  EXPECT_EQ(ToInteger("  -42abc"), -42);
  EXPECT_EQ(ToInteger("+7"), 7);
  EXPECT_EQ(ToInteger(""), 0);
  EXPECT_EQ(ToInteger("abc"), 0);
  EXPECT_EQ(ToInteger("99999999999"), INT_MAX);
  EXPECT_EQ(ToInteger("-99999999999"), INT_MIN);
  EXPECT_EQ(ToInteger("-2147483648"), INT_MIN);
  EXPECT_EQ(ToInteger(std::string("12")), 12);
  EXPECT_EQ(ToInteger(static_cast<const char*>(nullptr)), 0);
  EXPECT_EQ(ToInteger(true), 1);
  EXPECT_EQ(ToInteger(false), 0);
}

TEST(ToInteger, FullWidthDigitsCountAsDigits) {
  EXPECT_EQ(ToInteger("\xA3\xB1\xA3\xB2\xA3\xB3"), 123);  // １２３
  EXPECT_EQ(ToInteger("4\xA3\xB5x"), 45);
  EXPECT_EQ(FullWidthToAscii("\xA3\xC1\xA3\xE1\xA3\xB9"), "Aa9");
  EXPECT_EQ(FullWidthToAscii("\xA3\xAC" + kDownload), "\xA3\xAC" + kDownload);
  // A3 B1 here straddles a character's trail byte and a lone lead: it is not a full-width 1.
  EXPECT_EQ(FullWidthToAscii("\xB0\xA3\xB1"), "\xB0\xA3\xB1");
  EXPECT_EQ(ToInteger("\xB0\xA3\xB1"), 0);
}

TEST(CompareTextCase, CaseOptionAndDoubleByteRule) {
  EXPECT_EQ(CompareTextCase("abc", "ABC", false), 0);
  EXPECT_GT(CompareTextCase("abc", "ABC", true), 0);
  EXPECT_LT(CompareTextCase("ab", "abc", true), 0);
  EXPECT_GT(CompareTextCase("abd", "abc", false), 0);
  EXPECT_NE(CompareTextCase(kShang, kXia, false), 0);    // trail bytes 'A' and 'a' are not letters
  EXPECT_GT(CompareTextCase("\xB0\xA1", "a", true), 0);  // bytes compare unsigned
}

TEST(CompareText, NullCountsAsEmptyAndResultIsUnit) {
  EXPECT_EQ(CompareText("", nullptr), 0);
  EXPECT_EQ(CompareText(nullptr, nullptr), 0);
  EXPECT_EQ(CompareText("a", nullptr), 1);
  EXPECT_EQ(CompareText(nullptr, "a"), -1);
  EXPECT_EQ(CompareText("A", "a"), -1);
  EXPECT_EQ(CompareText("a", "z"), -1);
  EXPECT_EQ(CompareText("\x80", "a"), 1);
  EXPECT_EQ(CompareText(std::string("same"), std::string("same")), 0);
}

TEST(SmallHelpers, StartsWithAndTextLength) {
  EXPECT_TRUE(StartsWith("abc", "ab"));
  EXPECT_TRUE(StartsWith("abc", ""));
  EXPECT_FALSE(StartsWith("ab", "abc"));
  EXPECT_FALSE(StartsWith("abc", "b"));
  EXPECT_EQ(TextLength(static_cast<const char*>(nullptr)), 0);
  EXPECT_EQ(TextLength("abc"), 3);
  EXPECT_EQ(TextLength(std::string("ab\0c", 4)), 2);
}

TEST(SmallHelpers, ConcatTextsAndArrays) {
  const char* missing = nullptr;
  EXPECT_EQ(ConcatTexts("a", std::string("b"), missing, std::string_view("c")), "abc");
  EXPECT_EQ(ConcatTexts(kDownload), kDownload);

  const std::vector<int> three{1, 2, 3};
  EXPECT_EQ(ArrayCount(three), 3);
  EXPECT_EQ(ArrayCount(static_cast<const std::vector<int>*>(nullptr)), 0);
  const auto [count, data] = ArrayCountAndData(three);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(data, three.data());
  const auto [noCount, noData] = ArrayCountAndData(static_cast<const TextArray*>(nullptr));
  EXPECT_EQ(noCount, 0);
  EXPECT_EQ(noData, nullptr);
}

TEST(TextBeforeAfter, DocumentedExamples) {
  EXPECT_EQ(TextBefore("a=b=c", "="), "a");
  EXPECT_EQ(TextAfter("a=b=c", "="), "c");
  EXPECT_EQ(TextAfter("Name: a: b", ": "), "b");
  EXPECT_EQ(TextBefore("abc", "x"), "");
  EXPECT_EQ(TextAfter("abc", "x"), "");
  EXPECT_EQ(TextBefore("a=b=c", "=", -1), "a=b");
  EXPECT_EQ(TextAfter("a=b=c", "=", -1), "b=c");
}

TEST(TextBeforeAfter, PositiveAndNegativeStarts) {
  // TextBefore: positive = forward from that position, negative = backward from L - s + 1.
  EXPECT_EQ(TextBefore("a=b=c", "=", 3), "a=b");
  EXPECT_EQ(TextBefore("a=b=c", "=", 5), "");
  EXPECT_EQ(TextBefore("a=b=c", "=", -2), "a");
  EXPECT_EQ(TextBefore("a=b=c", "=", -3), "a");
  EXPECT_EQ(TextBefore("a=b=c", "=", -4), "");
  // TextAfter: positive = backward from L - start + 1, negative = forward from s.
  EXPECT_EQ(TextAfter("a=b=c", "=", 1), "c");
  EXPECT_EQ(TextAfter("a=b=c", "=", 2), "b=c");
  EXPECT_EQ(TextAfter("a=b=c", "=", 4), "");
  EXPECT_EQ(TextAfter("a=b=c", "=", -2), "b=c");
  EXPECT_EQ(TextAfter("a=b=c", "=", -3), "c");
  EXPECT_EQ(TextAfter("a=b=c", "=", -6), "");
}

TEST(TextBeforeAfter, CaseAndDoubleByteAndEdges) {
  EXPECT_EQ(TextBefore("keyXvalue", "x", 0, true), "key");
  EXPECT_EQ(TextBefore("keyXvalue", "x"), "");
  EXPECT_EQ(TextAfter("keyXvalue", "x", 0, true), "value");
  EXPECT_EQ(TextBefore(kQi + "@v", "@"), kQi);
  EXPECT_EQ(TextAfter(kQi + "@v", "@"), "v");
  EXPECT_EQ(TextAfter("ab=", "="), "");
  EXPECT_EQ(TextBefore("=ab", "="), "");
  EXPECT_EQ(TextAfter("k::v", "::"), "v");
}

TEST(ColorToArgb, SwapsRedAndBlueAndSetsAlpha) {
  EXPECT_EQ(ColorToArgb(0x0000FF), 0xFFFF0000u);
  EXPECT_EQ(ColorToArgb(0x0000FF, 0x80), 0x80FF0000u);
  EXPECT_EQ(ColorToArgb(0x00112233), 0xFF332211u);
  EXPECT_EQ(ColorToArgb(0xAB112233), 0xFF332211u);
  EXPECT_EQ(ColorToArgb(0x00112233, 0), 0x00332211u);
}

TEST(ByteHelpers, ConcatBytesKeepsZeroBytes) {
  const Bytes a{1, 0, 2};
  const Bytes empty;
  const Bytes c{3};
  EXPECT_EQ(ConcatBytes(a, empty, c), (Bytes{1, 0, 2, 3}));
  EXPECT_TRUE(ConcatBytes(empty, empty).empty());
  EXPECT_EQ(ConcatBytes(std::vector<const Bytes*>{&c, nullptr, &a}), (Bytes{3, 1, 0, 2}));
}

TEST(ByteHelpers, CutAtWideZeroLooksAtWholeCodeUnits) {
  EXPECT_TRUE(CutAtWideZero({}).empty());
  EXPECT_TRUE(CutAtWideZero({0x41}).empty());
  EXPECT_EQ(CutAtWideZero({0x41, 0x00, 0x42, 0x00}), (Bytes{0x41, 0x00, 0x42, 0x00}));
  EXPECT_EQ(CutAtWideZero({0x41, 0x00, 0x00, 0x00, 0x42, 0x00}), (Bytes{0x41, 0x00}));
  EXPECT_TRUE(CutAtWideZero({0x00, 0x00, 0x41, 0x00}).empty());
  // The zero bytes straddle two units: no unit is zero.
  EXPECT_EQ(CutAtWideZero({0x41, 0x00, 0x00, 0x42}), (Bytes{0x41, 0x00, 0x00, 0x42}));
  EXPECT_EQ(CutAtWideZero({0x41, 0x00, 0x42}), (Bytes{0x41, 0x00, 0x42}));
}

TEST(ByteHelpers, AddressesAndIntegers) {
  const Bytes raw{0xEE, 0x78, 0x56, 0x34, 0x12, 0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(ReadInt32(raw.data() + 1), 0x12345678);
  EXPECT_EQ(ReadInt32(raw.data() + 5), -1);
  EXPECT_EQ(BytesAddress(Bytes{}), nullptr);
  EXPECT_EQ(BytesAddress(raw), raw.data());
  EXPECT_EQ(TextToBytes("a\xCF\xC2"), (Bytes{'a', 0xCF, 0xC2}));
  EXPECT_EQ(BytesToText(TextToBytes(kDownload)), kDownload);
}

}  // namespace
}  // namespace storvane
