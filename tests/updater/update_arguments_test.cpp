// The updater's command line as the launcher writes it, and the checks on what it carries.
#include "updater/update_arguments.h"

#include <gtest/gtest.h>

namespace storvane::updater {
namespace {

TEST(ParseUpdaterArguments, QuotedArgumentsKeepTheirSpaces) {
  const auto parsed = ParseUpdaterArguments(
      LR"("C:\quorlen\storvane\zor/up.exe" "http://127.0.0.1:8080/dl/new launcher.exe?a=1 2" "Storvane.exe" "2.2" "2.1")");
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->downloadUrl, L"http://127.0.0.1:8080/dl/new launcher.exe?a=1 2");
  EXPECT_EQ(parsed->launcherName, L"Storvane.exe");
  EXPECT_EQ(parsed->newVersion, L"2.2");
  EXPECT_EQ(parsed->currentVersion, L"2.1");
}

TEST(ParseUpdaterArguments, ChineseNamesAndEscapedQuotesSurvive) {
  const auto parsed = ParseUpdaterArguments(LR"(up.exe "http://h/a\"b" "店铺助手 2.exe" "2.2 测试版" "2.1")");
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->downloadUrl, L"http://h/a\"b");
  EXPECT_EQ(parsed->launcherName, L"店铺助手 2.exe");
  EXPECT_EQ(parsed->newVersion, L"2.2 测试版");
}

TEST(ParseUpdaterArguments, AnythingButFourArgumentsIsRefused) {
  EXPECT_FALSE(ParseUpdaterArguments(nullptr));
  EXPECT_FALSE(ParseUpdaterArguments(L"up.exe"));
  EXPECT_FALSE(ParseUpdaterArguments(L"up.exe \"http://h/x.exe\" Storvane.exe 2.2"));
  // The unquoted form splits an address with a space into five.
  EXPECT_FALSE(ParseUpdaterArguments(L"up.exe http://h/new launcher.exe Storvane.exe 2.2 2.1"));
  EXPECT_TRUE(ParseUpdaterArguments(L"up.exe http://h/x.exe Storvane.exe 2.2 2.1"));
  // An empty quoted argument still counts as one.
  const auto withEmpty = ParseUpdaterArguments(L"up.exe \"\" Storvane.exe 2.2 2.1");
  ASSERT_TRUE(withEmpty);
  EXPECT_TRUE(withEmpty->downloadUrl.empty());
}

TEST(ParseUpdaterArguments, AFifthArgumentNamesTheDigestAndNothingElseIsAccepted) {
  EXPECT_FALSE(ParseUpdaterArguments(L"up.exe http://h/x.exe Storvane.exe 2.2 2.1")->expectedDigest);
  const std::wstring sha256(64, L'a');
  const auto named =
      ParseUpdaterArguments((L"up.exe http://h/x.exe Storvane.exe 2.2 2.1 \"" + sha256 + L":1234\"").c_str());
  ASSERT_TRUE(named && named->expectedDigest);
  EXPECT_EQ(named->expectedDigest->sha256, std::string(64, 'a'));
  EXPECT_EQ(named->expectedDigest->size, "1234");
  // Other texts around the colon stay an expectation, which nothing meets.
  for (const wchar_t* fifth : {L":", L"\"店铺:1\"", L"abc:1234"}) {
    const auto odd = ParseUpdaterArguments((std::wstring(L"up.exe h Storvane.exe 2.2 2.1 ") + fifth).c_str());
    ASSERT_TRUE(odd && odd->expectedDigest) << fifth;
    EXPECT_FALSE(ParseExpectedDigest(*odd->expectedDigest)) << fifth;
  }
  // Without the colon the fifth is no digest: the line was not written by the launcher.
  EXPECT_FALSE(ParseUpdaterArguments(L"up.exe h Storvane.exe 2.2 2.1 \"\""));
  EXPECT_FALSE(ParseUpdaterArguments(L"up.exe http://h/x.exe Storvane.exe 2.2 2.1 a:1 extra"));
}

TEST(IsWebAddress, OnlyHttpAndHttpsWithAHost) {
  EXPECT_TRUE(IsWebAddress(L"http://example.com/x.exe"));
  EXPECT_TRUE(IsWebAddress(L"HTTPS://example.com"));
  EXPECT_TRUE(IsWebAddress(L"http://127.0.0.1:8080/dl/new launcher.exe"));
  EXPECT_FALSE(IsWebAddress(L""));
  EXPECT_FALSE(IsWebAddress(L"http://"));
  EXPECT_FALSE(IsWebAddress(L"http:///path"));
  EXPECT_FALSE(IsWebAddress(L"file:///C:/Windows/notepad.exe"));
  EXPECT_FALSE(IsWebAddress(L"C:\\Windows\\notepad.exe"));
  EXPECT_FALSE(IsWebAddress(L"javascript:alert(1)"));
  EXPECT_FALSE(IsWebAddress(L"httpx://example.com"));
  EXPECT_FALSE(IsWebAddress(L"http://example.com/\r\nx"));
}

TEST(IsPlainFileName, RefusesAnythingThatLeavesTheFolder) {
  EXPECT_TRUE(IsPlainFileName(L"Storvane.exe"));
  EXPECT_TRUE(IsPlainFileName(L"店铺助手 2.exe"));
  EXPECT_FALSE(IsPlainFileName(L""));
  EXPECT_FALSE(IsPlainFileName(L"."));
  EXPECT_FALSE(IsPlainFileName(L".."));
  EXPECT_FALSE(IsPlainFileName(L"..\\Storvane.exe"));
  EXPECT_FALSE(IsPlainFileName(L"sub/Storvane.exe"));
  EXPECT_FALSE(IsPlainFileName(L"C:Storvane.exe"));
  EXPECT_FALSE(IsPlainFileName(L"C:\\Windows\\notepad.exe"));
}

TEST(FolderOf, CutsAtTheLastSeparatorOfEitherKind) {
  EXPECT_EQ(FolderOf(L"C:\\quorlen\\storvane\\zor\\up.exe"), L"C:\\quorlen\\storvane\\zor");
  EXPECT_EQ(FolderOf(L"C:\\quorlen\\storvane\\zor/up.exe"), L"C:\\quorlen\\storvane\\zor");
  EXPECT_EQ(FolderOf(L"up.exe"), L"");
}

}  // namespace
}  // namespace storvane::updater
