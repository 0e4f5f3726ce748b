// Conversions at the network boundary and the meta-charset decoding of bodies.
#include <gtest/gtest.h>

#include <windows.h>

#include "net/charset_decoder.h"
#include "net/decode.h"
#include "util/com.h"

using namespace storvane::net;
using storvane::Bytes;

namespace {

Bytes B(std::string_view s) { return Bytes(s.begin(), s.end()); }

// GBK bytes of 中文 and its UTF-8, Big5 and UTF-16LE forms.
const std::string kGbkChinese = "中文";
const std::string kUtf8Chinese = "\xE4\xB8\xAD\xE6\x96\x87";
const std::string kBig5Chinese = "\xA4\xA4\xA4\xE5";

}  // namespace

TEST(TextToUtf16Cp, AddsTheTerminatorUnit) {
  EXPECT_EQ(TextToUtf16Cp("abc"), (Bytes{0x61, 0, 0x62, 0, 0x63, 0, 0, 0}));
  EXPECT_TRUE(TextToUtf16Cp("").empty());
}

TEST(TextToUtf16Cp, ReadsTheGivenCodePage) {
  EXPECT_EQ(TextToUtf16Cp(kUtf8Chinese), (Bytes{0x2D, 0x4E, 0x87, 0x65, 0, 0}));
  EXPECT_EQ(TextToUtf16Cp(kGbkChinese, 936), (Bytes{0x2D, 0x4E, 0x87, 0x65, 0, 0}));
  // Bytes after a zero byte are not part of the text.
  EXPECT_EQ(TextToUtf16Cp(std::string("a\0b", 3)), (Bytes{0x61, 0, 0, 0}));
}

TEST(Utf16ToLocal, ConvertsUpToTheFirstZeroUnit) {
  EXPECT_EQ(Utf16ToLocal({0x2D, 0x4E, 0x87, 0x65}), kGbkChinese);
  EXPECT_EQ(Utf16ToLocal({0x41, 0, 0, 0, 0x42, 0}), "A");
  EXPECT_EQ(Utf16ToLocal({}), "");
  EXPECT_EQ(Utf16ToLocal({0, 0, 0x41, 0}), "");
}

TEST(Utf16ToLocal, UnmappableCharactersBecomeTheDefaultCharacter) {
  EXPECT_EQ(Utf16ToLocal({0x01, 0x0E, 0x41, 0}), "?A");  // a Thai letter has no GBK form
}

TEST(Utf16ToLocal, OddLengthInputStaysInBounds) { EXPECT_EQ(Utf16ToLocal({0x41, 0, 0x42}), "AB"); }

TEST(Utf8ToLocal, ConvertsToGbk) {
  EXPECT_EQ(Utf8ToLocal(kUtf8Chinese + "!"), kGbkChinese + "!");
  EXPECT_EQ(Utf8ToLocal(""), "");
}

TEST(Utf8ToLocal, ByteOrderMarkBecomesQuestionMark) { EXPECT_EQ(Utf8ToLocal("\xEF\xBB\xBF{\"a\":1}"), "?{\"a\":1}"); }

TEST(FindMetaCharset, ReadsTheTagForms) {
  EXPECT_EQ(FindMetaCharset("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"),
            "utf-8");
  EXPECT_EQ(FindMetaCharset("<meta charset=big5>"), "big5");
  EXPECT_EQ(FindMetaCharset("<META CHARSET=UTF-8>"), "UTF-8");
  EXPECT_EQ(FindMetaCharset("<meta charset=\"gb2312\">"), "gb2312");
  EXPECT_EQ(FindMetaCharset("{\"data\":[]}"), "");
}

TEST(FindMetaCharset, SeesOnlyTheFirst1024BytesAndOneLine) {
  const std::string padding(1020, 'x');
  EXPECT_EQ(FindMetaCharset(padding + "<meta charset=big5>"), "");
  EXPECT_EQ(FindMetaCharset(std::string(990, 'x') + "<meta charset=big5>"), "big5");
  EXPECT_EQ(FindMetaCharset("<meta http-equiv=\"Content-Type\"\ncontent=\"text/html; charset=utf-8\">"), "");
}

TEST(CodePageOfCharset, NamesTheInternetEncoding) {
  storvane::ComInit com;
  EXPECT_EQ(CodePageOfCharset("utf-8"), 65001u);
  EXPECT_EQ(CodePageOfCharset("big5"), 950u);
  EXPECT_EQ(CodePageOfCharset("gb2312"), 936u);
  EXPECT_EQ(CodePageOfCharset("no-such-charset"), 0u);
}

TEST(DecodeWithStream, ReadsUtf16ThroughTheEarlyBoundInterface) {
  storvane::ComInit com;
  // "Unicode" is the charset every stream implementation reads; this exercises the whole
  // vtable path: type, mode, open, write, position, charset, read, close.
  auto text = DecodeWithStream(Bytes{0x2D, 0x4E, 0x87, 0x65, 0x41, 0}, "Unicode");
  ASSERT_TRUE(text);
  EXPECT_EQ(*text, L"中文A");
}

TEST(DecodeCharset, FallsBackToTheNamedCodePage) {
  storvane::ComInit com;
  auto utf8 = DecodeCharset(B(kUtf8Chinese), "utf-8");
  ASSERT_TRUE(utf8);
  EXPECT_EQ(*utf8, L"中文");
  auto big5 = DecodeCharset(B(kBig5Chinese), "big5");
  ASSERT_TRUE(big5);
  EXPECT_EQ(*big5, L"中文");
  EXPECT_FALSE(DecodeCharset(B("abc"), "no-such-charset"));
}

TEST(DecodeMetaCharset, ReReadsTheRawBytesInTheDeclaredCharset) {
  const std::string page =
      "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"
      "</head><body>" +
      kUtf8Chinese + "</body></html>";
  const std::string expected =
      "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"
      "</head><body>" +
      kGbkChinese + "</body></html>";
  EXPECT_EQ(DecodeMetaCharset(page, B(page)), expected);
}

TEST(DecodeMetaCharset, ReadsBig5) {
  const std::string page = "<meta charset=big5><p>" + kBig5Chinese;
  EXPECT_EQ(DecodeMetaCharset(page, B(page)), "<meta charset=big5><p>" + kGbkChinese);
}

TEST(DecodeMetaCharset, LowerCaseGbkNamesKeepTheBodyText) {
  // The text handed in differs from the raw bytes, so a re-read would show.
  const std::string raw = "<meta charset=gbk>" + kGbkChinese;
  EXPECT_EQ(DecodeMetaCharset("<meta charset=gbk>X", B(raw)), "<meta charset=gbk>X");
  EXPECT_EQ(DecodeMetaCharset("<meta charset=gb2312>X", B(raw)), "<meta charset=gb2312>X");
  EXPECT_EQ(DecodeMetaCharset("<meta charset=GBK>X", B("<meta charset=GBK>" + kGbkChinese)),
            "<meta charset=GBK>" + kGbkChinese);
}

TEST(DecodeMetaCharset, UntouchedWithoutAVisibleTag) {
  const std::string json = "{\"a\":\"" + kUtf8Chinese + "\"}";
  EXPECT_EQ(DecodeMetaCharset(json, B(json)), json);
  const std::string late = std::string(1100, ' ') + "<meta charset=utf-8>" + kUtf8Chinese;
  EXPECT_EQ(DecodeMetaCharset(late, B(late)), late);
}

TEST(DecodeMetaCharset, UnknownCharsetKeepsTheBodyText) {
  const std::string page = "<meta charset=no-such-charset>abc";
  EXPECT_EQ(DecodeMetaCharset(page, B(page)), page);
}

TEST(DecodeMetaCharset, DecodedTextEndsAtAZeroCharacter) {
  const std::string page = std::string("<meta charset=utf-8>a\0b", 23);
  EXPECT_EQ(DecodeMetaCharset(page.substr(0, 21), B(page)), "<meta charset=utf-8>a");
}

TEST(DecodeMetaCharset, LeavesComBalancedAndPumpsMessages) {
  // A message posted before the call is dispatched by it.
  MSG msg;
  PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // make sure the thread has a queue
  ASSERT_TRUE(PostThreadMessageW(GetCurrentThreadId(), WM_APP + 7, 0, 0));
  const std::string page = "<meta charset=utf-8>" + kUtf8Chinese;
  DecodeMetaCharset(page, B(page));
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_APP + 7, WM_APP + 7, PM_NOREMOVE));
  // COM is not left initialised by the call: a first CoInitialize here is S_OK.
  HRESULT hr = CoInitialize(nullptr);
  EXPECT_EQ(hr, S_OK);
  if (SUCCEEDED(hr)) CoUninitialize();
}
