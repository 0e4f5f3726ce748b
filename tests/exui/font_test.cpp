#include "font.h"

#include <gtest/gtest.h>

#include <cstring>

#include "draw.h"
#include "library.h"

namespace storvane::exui {
namespace {

// The descriptor exactly as the program builds it: UTF-16 face with its terminator in 64 bytes,
// then size and the four switches as 32-bit integers.
std::vector<uint8_t> ProgramDescriptor(const std::u16string& face, int32_t size, int32_t s1, int32_t s2 = 0,
                                       int32_t s3 = 0, int32_t s4 = 0) {
  std::vector<uint8_t> bytes(84, 0);
  std::memcpy(bytes.data(), face.c_str(), (face.size() + 1) * 2);
  int32_t values[5] = {size, s1, s2, s3, s4};
  std::memcpy(bytes.data() + 64, values, sizeof values);
  return bytes;
}

TEST(FontDescriptor, ReadsTheProgramsLayout) {
  FontSpec wanted = FontSpec::FromDescriptor(ProgramDescriptor(u"微软雅黑", 14, 1));
  EXPECT_EQ(wanted.face, L"微软雅黑");
  EXPECT_EQ(wanted.size, 14);
  EXPECT_TRUE(wanted.bold);
  EXPECT_FALSE(wanted.italic);
  wanted = FontSpec::FromDescriptor(ProgramDescriptor(u"SimSun", 9, 0, 1, 1, 1));
  EXPECT_FALSE(wanted.bold);
  EXPECT_TRUE(wanted.italic);
  EXPECT_TRUE(wanted.underline);
  EXPECT_TRUE(wanted.strikeout);
}

TEST(FontDescriptor, RoundTripsThroughItsBytes) {
  FontSpec wanted = FontSpec::Make(L"微软雅黑", 15, true);
  std::vector<uint8_t> bytes = wanted.ToDescriptor();
  ASSERT_EQ(bytes.size(), 84u);
  EXPECT_EQ(bytes, ProgramDescriptor(u"微软雅黑", 15, 1));
  EXPECT_EQ(FontSpec::FromDescriptor(bytes), wanted);
}

TEST(FontDescriptor, MissingOrOddFieldsFallBackOneByOne) {
  FontSpec defaults;
  EXPECT_EQ(FontSpec::FromDescriptor({}), defaults);
  EXPECT_EQ(FontSpec::FromDescriptor(std::vector<uint8_t>(83, 0)), defaults);
  FontSpec wanted = FontSpec::FromDescriptor(ProgramDescriptor(u"", 0, 1));
  EXPECT_EQ(wanted.face, defaults.face);
  EXPECT_EQ(wanted.size, 12);
  EXPECT_TRUE(wanted.bold);
}

TEST(FontDescriptor, FaceWithoutTerminatorStopsAtItsField) {
  std::vector<uint8_t> bytes(84, 0);
  for (int i = 0; i < 32; ++i) bytes[i * 2] = 'A';
  bytes[64] = 16;
  FontSpec wanted = FontSpec::FromDescriptor(bytes);
  EXPECT_EQ(wanted.face, std::wstring(32, L'A'));
  EXPECT_EQ(wanted.size, 16);
}

class FontCacheTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(Library::Instance().EnsureGdiplus()); }
};

TEST_F(FontCacheTest, SameSpecAndScaleShareOneFont) {
  FontSpec wanted = FontSpec::Make(L"微软雅黑", 14, true);
  Gdiplus::Font* a = CachedFont(wanted, 1.0f);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(CachedFont(wanted, 1.0f), a);
  Gdiplus::Font* b = CachedFont(wanted, 1.5f);
  ASSERT_NE(b, nullptr);
  EXPECT_NE(a, b);
  EXPECT_FLOAT_EQ(a->GetSize(), 14.0f);
  EXPECT_FLOAT_EQ(b->GetSize(), 21.0f);
  EXPECT_EQ(a->GetStyle() & Gdiplus::FontStyleBold, Gdiplus::FontStyleBold);
}

TEST_F(FontCacheTest, TheProductFaceIsFoundAndUnknownFacesFallBack) {
  EXPECT_EQ(ResolvedFace(FontSpec::Make(L"微软雅黑", 12)), L"微软雅黑");
  std::wstring fallback = ResolvedFace(FontSpec::Make(L"No Such Face 7Q", 12));
  EXPECT_FALSE(fallback.empty());
  EXPECT_NE(fallback, L"No Such Face 7Q");
  EXPECT_NE(CachedFont(FontSpec::Make(L"No Such Face 7Q", 12), 1.0f), nullptr);
}

// The list's captions at the sizes the launcher asks for must fit their boxes at 100 % and
// 150 %, or they would be cut.
TEST_F(FontCacheTest, LauncherCaptionsFitTheirBoxesAtBothScales) {
  HDC screen = ::GetDC(nullptr);
  {
    Gdiplus::Graphics g(screen);
    PrepareGraphics(g);
    for (float scale : {1.0f, 1.5f}) {
      Gdiplus::Font* button = CachedFont(FontSpec::Make(L"微软雅黑", 14, true), scale);
      for (const wchar_t* caption : {L"下载软件", L"更新软件", L"打开软件", L"正在运行", L"重新下载"}) {
        Gdiplus::SizeF size = MeasureLine(g, caption, button);
        EXPECT_LT(size.Width, 80 * scale - 8) << scale;
        EXPECT_LE(LineHeight(g, button), 30 * scale) << scale;
      }
      Gdiplus::Font* arrow = CachedFont(FontSpec::Make(L"微软雅黑", 15, true), scale);
      EXPECT_LE(MeasureLine(g, L"▼", arrow).Width, 20 * scale) << scale;
      Gdiplus::Font* title = CachedFont(FontSpec::Make(L"微软雅黑", 14, true), scale);
      EXPECT_LE(LineHeight(g, title), 20 * scale + 6 * scale) << scale;
    }
  }
  ::ReleaseDC(nullptr, screen);
}

}  // namespace
}  // namespace storvane::exui
