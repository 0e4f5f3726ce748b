#include "util/win_text.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace storvane {
namespace {

Bytes Utf16Of(std::u16string_view text, bool terminator) {
  Bytes out;
  for (char16_t c : text) {
    out.push_back(static_cast<uint8_t>(c & 0xFF));
    out.push_back(static_cast<uint8_t>(c >> 8));
  }
  if (terminator) out.insert(out.end(), {0, 0});
  return out;
}

// Narrow literals in the program are GBK bytes: reading them with code page 936 must give the
// characters the source shows, whatever the machine's ANSI code page is.
TEST(GbkLiterals, ProductLiteralsConvertWithCodePage936) {
  EXPECT_EQ(std::string("下载软件"), "\xCF\xC2\xD4\xD8\xC8\xED\xBC\xFE");
  EXPECT_EQ(GbkToWide("微软雅黑"), std::wstring(L"\u5FAE\u8F6F\u96C5\u9ED1"));
  EXPECT_EQ(GbkToWide("▼"), std::wstring(L"\u25BC"));
  EXPECT_EQ(GbkToWide("下载软件"), std::wstring(L"\u4E0B\u8F7D\u8F6F\u4EF6"));
  EXPECT_EQ(GbkToWide("，"), std::wstring(L"\uFF0C"));
  EXPECT_EQ(WideToGbk(L"\u4E0B\u8F7D\u8F6F\u4EF6"), "下载软件");
  EXPECT_EQ(WideToGbk(GbkToWide("正在运行")), "正在运行");
}

TEST(GbkLiterals, ConversionsDoNotDependOnTheAnsiCodePage) {
  // The same expectations hold in the run of this program under a 1252 code page.
  RecordProperty("ansi_code_page", static_cast<int>(::GetACP()));
  EXPECT_EQ(TextToUtf16("提示：", true), Utf16Of(u"\u63D0\u793A\uFF1A", false));
}

TEST(TextToUtf16, TerminatorAndCutting) {
  EXPECT_EQ(TextToUtf16("A", false), (Bytes{0x41, 0x00, 0x00, 0x00}));
  EXPECT_EQ(TextToUtf16("A", true), (Bytes{0x41, 0x00}));
  EXPECT_TRUE(TextToUtf16("", false).empty());
  EXPECT_TRUE(TextToUtf16("", true).empty());
  EXPECT_EQ(TextToUtf16("abc", false), Utf16Of(u"abc", true));
  EXPECT_EQ(TextToUtf16("下载", true), Utf16Of(u"\u4E0B\u8F7D", false));
  // Text ends at its first zero byte.
  EXPECT_EQ(TextToUtf16(std::string("ab\0c", 4), false), Utf16Of(u"ab", true));
}

TEST(MultiByteToUtf16, CodePagesAndTerminator) {
  EXPECT_EQ(MultiByteToUtf16({0xE4, 0xB8, 0x8B}, 65001), (Bytes{0x0B, 0x4E, 0x00, 0x00}));
  EXPECT_EQ(MultiByteToUtf16({0xCF, 0xC2}, 936), (Bytes{0x0B, 0x4E, 0x00, 0x00}));
  EXPECT_TRUE(MultiByteToUtf16({}, 65001).empty());
  EXPECT_TRUE(MultiByteToUtf16({0x00, 0x41}, 65001).empty());
  EXPECT_EQ(MultiByteToUtf16({'a', 0x00, 'b'}, 65001), (Bytes{0x61, 0x00, 0x00, 0x00}));
  // A four-byte UTF-8 sequence becomes a surrogate pair.
  EXPECT_EQ(MultiByteToUtf16({0xF0, 0x9F, 0x98, 0x80}, 65001), Utf16Of(u"\U0001F600", true));
}

TEST(Conversions, Utf8AndOtherCodePages) {
  EXPECT_EQ(Utf8ToWide("\xE4\xB8\x8B"
                       "a"),
            std::wstring(L"\u4E0Ba"));
  EXPECT_EQ(WideToUtf8(L"\u4E0Ba"),
            "\xE4\xB8\x8B"
            "a");
  EXPECT_EQ(WideToUtf8(Utf8ToWide("\xF0\x9F\x98\x80")), "\xF0\x9F\x98\x80");
  EXPECT_EQ(CodePageToWide("\xA4\x55", 950), std::wstring(L"\u4E0B"));  // Big5
  EXPECT_TRUE(CodePageToWide("abc", 12345).empty());
  EXPECT_TRUE(GbkToWide("").empty());
  // Embedded zeros are kept by the explicit-length conversions.
  EXPECT_EQ(GbkToWide(std::string("a\0b", 3)), std::wstring(L"a\0b", 3));
  EXPECT_EQ(Utf16BytesToWide(WideToUtf16Bytes(L"\u4E0Bz")), std::wstring(L"\u4E0Bz"));
  EXPECT_EQ(Utf16BytesToWide({0x41, 0x00, 0x42}), std::wstring(L"A"));
}

class ShellOpen : public ::testing::Test {
protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    ASSERT_GT(::GetTempPathW(MAX_PATH, temp), 0u);
    dir_ = std::wstring(temp) + L"storvane shell " + std::to_wstring(::GetCurrentProcessId());
    ::CreateDirectoryW(dir_.c_str(), nullptr);
    // The helper program sits beside this test program; a copy with a Chinese name is started.
    wchar_t self[MAX_PATH];
    ASSERT_GT(::GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    std::wstring sink = self;
    sink = sink.substr(0, sink.find_last_of(L'\\') + 1) + L"storvane_arg_sink.exe";
    sink_ = sink;
    ASSERT_TRUE(::CopyFileW(sink.c_str(), tool().c_str(), FALSE)) << "storvane_arg_sink.exe missing";
  }
  void TearDown() override {
    // The helper may still be on its way out and hold its image open for a moment.
    for (int i = 0; i < 40; ++i) {
      ::DeleteFileW(output().c_str());
      ::DeleteFileW(tool().c_str());
      ::DeleteFileW(chineseTool().c_str());
      if (::RemoveDirectoryW(dir_.c_str())) break;
      ::Sleep(50);
    }
  }
  std::wstring tool() const { return dir_ + L"\\tool.exe"; }
  std::wstring chineseTool() const { return dir_ + L"\\\u5DE5\u5177.exe"; }  // 工具.exe
  std::wstring output() const { return dir_ + L"\\out.txt"; }

  // The command line the helper wrote, once it appears.
  std::wstring WaitForOutput() const {
    for (int i = 0; i < 200; ++i) {
      HANDLE file = ::CreateFileW(output().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
      if (file != INVALID_HANDLE_VALUE) {
        wchar_t buffer[1024] = {};
        DWORD read = 0;
        ::ReadFile(file, buffer, sizeof buffer - sizeof(wchar_t), &read, nullptr);
        ::CloseHandle(file);
        if (read > 0) return std::wstring(buffer, read / sizeof(wchar_t));
      }
      ::Sleep(50);
    }
    return {};
  }

  std::wstring dir_;
  std::wstring sink_;
};

TEST_F(ShellOpen, PassesChineseParameters) {
  const std::string params = "\"" + WideToGbk(output()) + "\" 打开软件 quorlen";
  ASSERT_TRUE(ShellOpenWide(WideToGbk(tool()), params, 1));
  const std::wstring line = WaitForOutput();
  ASSERT_FALSE(line.empty()) << "the started program wrote nothing";
  EXPECT_NE(line.find(L"\u6253\u5F00\u8F6F\u4EF6 quorlen"), std::wstring::npos);
}

TEST_F(ShellOpen, StartsAChineseNamedProgram) {
  if (!::CopyFileW(sink_.c_str(), chineseTool().c_str(), FALSE)) {
    // Wine maps file names through the host's locale; without a UTF-8 one it cannot store
    // Chinese names at all, which says nothing about the conversion under test.
    GTEST_SKIP() << "this host's file system cannot hold Chinese file names (error " << ::GetLastError() << ")";
  }
  ASSERT_TRUE(ShellOpenWide(WideToGbk(chineseTool()), "\"" + WideToGbk(output()) + "\" \xA3\xAC"));
  EXPECT_NE(WaitForOutput().find(L"\" \uFF0C"), std::wstring::npos);
}

TEST_F(ShellOpen, TakesUtf16WithOrWithoutTerminator) {
  const Bytes params = TextToUtf16("\"" + WideToGbk(output()) + "\" x", true);
  ASSERT_TRUE(ShellExecuteOpen(WideToUtf16Bytes(tool()), params, 2));
  EXPECT_NE(WaitForOutput().find(L"\" x"), std::wstring::npos);
}

TEST_F(ShellOpen, MissingFileIsTheOneReportedFailure) {
  EXPECT_FALSE(ShellOpenWide(WideToGbk(dir_ + L"\\\u4E0D\u5B58\u5728.exe")));
  EXPECT_FALSE(ShellExecuteOpen(TextToUtf16(WideToGbk(dir_ + L"\\missing.exe"), true), {}, 0));
}

}  // namespace
}  // namespace storvane
