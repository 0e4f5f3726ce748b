// Checks the test environment itself: the prefix must behave like the users' Chinese Windows,
// or every later test that draws or converts text would pass or fail for the wrong reason.
#include <windows.h>
#include <gtest/gtest.h>

TEST(Harness, AnsiCodePageIsGbk) { EXPECT_EQ(GetACP(), 936u); }

TEST(Harness, ProductFontHasChineseGlyphs) {
  HDC dc = CreateCompatibleDC(nullptr);
  ASSERT_NE(dc, nullptr);
  HFONT font = CreateFontW(-16, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"微软雅黑");
  ASSERT_NE(font, nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  WORD glyphs[4] = {};
  ASSERT_EQ(GetGlyphIndicesW(dc, L"微软雅黑", 4, glyphs, GGI_MARK_NONEXISTING_GLYPHS), 4u);
  for (WORD g : glyphs) EXPECT_NE(g, 0xFFFF);
  SelectObject(dc, old);
  DeleteObject(font);
  DeleteDC(dc);
}
