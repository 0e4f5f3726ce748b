// The launcher's update check and hand-over: what it reads from the service, when it hands over,
// the exact command line, and that the carried updater starts from it showing what was asked.
#include "app/self_update.h"

#include <windows.h>
#include <oleacc.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "net/base64.h"
#include "support/test_server.h"
#include "updater/update_arguments.h"
#include "updater/updater_window.h"
#include "util/com.h"
#include "util/handles.h"
#include "util/small_file.h"
#include "util/win_text.h"

namespace storvane {
namespace {

using testsupport::TestServer;

std::vector<std::wstring> SplitCommandLine(const std::wstring& line) {
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(line.c_str(), &count);
  std::vector<std::wstring> parts(argv, argv + count);
  LocalFree(argv);
  return parts;
}

std::vector<uint8_t> ReadAll(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::wstring HostPath(const char* hostPath) {
  std::string path = hostPath != nullptr ? hostPath : "";
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return GbkToWide(path);
}

class ScratchFolder {
public:
  ScratchFolder() {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    static int counter = 0;
    path_ = std::wstring(base) + L"svsu" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(counter++);
    CreateDirectoryW(path_.c_str(), nullptr);
  }
  ~ScratchFolder() {
    DeleteFileW((path_ + L"\\up.exe").c_str());
    RemoveDirectoryW(path_.c_str());
  }
  const std::wstring& path() const { return path_; }
  std::string gbk() const { return WideToGbk(path_); }

private:
  std::wstring path_;
};

class SelfUpdateTest : public ::testing::Test {
protected:
  struct Recorded {
    int starts = 0, ends = 0;
    std::wstring program, commandLine;
  };
  UpdaterHandOver Recording(Recorded& recorded, bool startSucceeds = true) {
    UpdaterHandOver handOver;
    handOver.runDirectory = "C:\\quorlen\\storvane\\zor";
    handOver.executableName = "Storvane.exe";
    handOver.start = [&recorded, startSucceeds](const std::wstring& program, const std::wstring& line) {
      ++recorded.starts;
      recorded.program = program;
      recorded.commandLine = line;
      return startSucceeds;
    };
    handOver.end = [&recorded] { ++recorded.ends; };
    return handOver;
  }
};

TEST(ReadUpdateAnswer, ReadsVersionAndAddressOfTheFirstEntry) {
  const UpdateAnswer answer = ReadUpdateAnswer(WideToUtf8(
      LR"({"code":0,"data":[{"soft_version":"2.2","soft_down":"http://h/新版 启动器.exe"},{"soft_version":"9"}]})"));
  EXPECT_EQ(answer.version, "2.2");
  EXPECT_EQ(answer.downloadUrl, "http://h/新版 启动器.exe");  // local (GBK) text
}

TEST(ReadUpdateAnswer, AByteOrderMarkBeforeTheObjectIsRepaired) {
  const UpdateAnswer answer = ReadUpdateAnswer(
      "\xEF\xBB\xBF"
      R"({"data":[{"soft_version":"2.3","soft_down":"http://h/a.exe"}]})");
  EXPECT_EQ(answer.version, "2.3");
  EXPECT_EQ(answer.downloadUrl, "http://h/a.exe");
  EXPECT_EQ(ReadUpdateAnswer(R"(?{"data":[{"soft_version":"2.4"}]})").version, "2.4");
}

TEST(ReadUpdateAnswer, AnythingElseGivesNothing) {
  for (const char* body : {"", "<html>502 Bad Gateway</html>", "{}", R"({"data":[]})", R"({"data":{"x":1}})",
                           R"({"data":[{"soft_name":"Storvane"}]})"}) {
    const UpdateAnswer answer = ReadUpdateAnswer(body);
    EXPECT_EQ(answer.version, "") << body;
    EXPECT_EQ(answer.downloadUrl, "") << body;
  }
}

TEST(UpdateNeeded, AnyOtherNamedVersionButNeverNone) {
  EXPECT_FALSE(UpdateNeeded("2.1", "2.1"));
  EXPECT_TRUE(UpdateNeeded("2.10", "2.1"));
  EXPECT_TRUE(UpdateNeeded("2.0", "2.1"));
  EXPECT_TRUE(UpdateNeeded("2.1 ", "2.1"));
  EXPECT_FALSE(UpdateNeeded("", "2.1"));
}

TEST(QuoteArgument, EverythingComesBackFromTheSystemsParser) {
  const std::vector<std::wstring> arguments = {L"http://h/new launcher.exe?a=1&b=2",
                                               L"",
                                               L"plain",
                                               L"C:\\dir with space\\",
                                               L"a\\\\b",
                                               L"say \"hi\"",
                                               L"back\\\"slash",
                                               L"\\\\server\\share\\",
                                               L"店铺 助手.exe",
                                               L"tab\there"};
  std::wstring line = L"prog.exe";
  for (const std::wstring& argument : arguments) line += L" " + QuoteArgument(argument);
  std::vector<std::wstring> parsed = SplitCommandLine(line);
  ASSERT_EQ(parsed.size(), arguments.size() + 1);
  for (size_t i = 0; i < arguments.size(); ++i) EXPECT_EQ(parsed[i + 1], arguments[i]) << i;
}

TEST(BuildUpdaterCommandLine, QuotesEachPartAndKeepsTheOrder) {
  const std::wstring line =
      BuildUpdaterCommandLine("C:\\quorlen\\storvane\\zor", "http://h/new launcher.exe", "Storvane.exe", "2.2", "2.1");
  EXPECT_EQ(line,
            L"\"C:\\quorlen\\storvane\\zor/up.exe\" \"http://h/new launcher.exe\" \"Storvane.exe\" \"2.2\" \"2.1\"");
  // The updater reads the four values back as they were meant.
  const auto parsed = updater::ParseUpdaterArguments(line.c_str());
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->downloadUrl, L"http://h/new launcher.exe");
  EXPECT_EQ(parsed->launcherName, L"Storvane.exe");
  EXPECT_EQ(parsed->newVersion, L"2.2");
  EXPECT_EQ(parsed->currentVersion, L"2.1");
}

TEST(BuildUpdaterCommandLine, ChineseTextCrossesAsWideCharacters) {
  // "\xB1\x5C" style trail bytes are ordinary in GBK; quoting happens after the conversion, so
  // no backslash is invented or doubled inside a character.
  const std::string name = WideToGbk(L"店铺助手表.exe");
  const std::wstring line = BuildUpdaterCommandLine("D:\\工具", "http://h/a.exe", name, "2.2", "2.1");
  const auto parsed = updater::ParseUpdaterArguments(line.c_str());
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->launcherName, L"店铺助手表.exe");
  EXPECT_EQ(SplitCommandLine(line)[0], L"D:\\工具/up.exe");
}

TEST_F(SelfUpdateTest, SameVersionKeepsTheLauncherRunning) {
  Recorded recorded;
  EXPECT_FALSE(LaunchUpdaterIfNeeded({"2.1", "http://h/a.exe"}, kOwnVersion, Recording(recorded)));
  EXPECT_EQ(recorded.starts, 0);
  EXPECT_EQ(recorded.ends, 0);
}

TEST_F(SelfUpdateTest, NoVersionKnownKeepsTheLauncherRunning) {
  Recorded recorded;
  EXPECT_FALSE(LaunchUpdaterIfNeeded({}, kOwnVersion, Recording(recorded)));
  EXPECT_EQ(recorded.starts, 0);
  EXPECT_EQ(recorded.ends, 0);
}

TEST_F(SelfUpdateTest, OtherVersionStartsTheUpdaterThenEnds) {
  for (const char* version : {"2.10", "2.0", "3.0"}) {
    Recorded recorded;
    EXPECT_TRUE(LaunchUpdaterIfNeeded({version, "http://h/new launcher.exe"}, kOwnVersion, Recording(recorded)));
    EXPECT_EQ(recorded.starts, 1);
    EXPECT_EQ(recorded.ends, 1);
    EXPECT_EQ(recorded.program, L"C:\\quorlen\\storvane\\zor/up.exe");
    EXPECT_EQ(recorded.commandLine,
              L"\"C:\\quorlen\\storvane\\zor/up.exe\" \"http://h/new launcher.exe\" "
              L"\"Storvane.exe\" \"" +
                  GbkToWide(version) + L"\" \"2.1\"");
  }
}

TEST_F(SelfUpdateTest, TheNamedDigestTravelsToTheUpdaterAsAFifthArgument) {
  UpdateAnswer offer{"2.2", "http://h/new launcher.exe", std::string(64, 'b'), "1320960"};
  for (const bool halfNamed : {false, true}) {
    if (halfNamed) offer.size.clear();  // still handed over, for up.exe to refuse every file
    Recorded recorded;
    EXPECT_TRUE(LaunchUpdaterIfNeeded(offer, kOwnVersion, Recording(recorded)));
    const auto parsed = updater::ParseUpdaterArguments(recorded.commandLine.c_str());
    ASSERT_TRUE(parsed && parsed->expectedDigest) << halfNamed;
    EXPECT_EQ(parsed->downloadUrl, L"http://h/new launcher.exe");
    EXPECT_EQ(parsed->expectedDigest->sha256, offer.sha256);
    EXPECT_EQ(parsed->expectedDigest->size, offer.size);
    EXPECT_EQ(ParseExpectedDigest(*parsed->expectedDigest).has_value(), !halfNamed);
  }
}

TEST_F(SelfUpdateTest, AnUpdaterThatCannotStartLeavesTheLauncherRunning) {
  Recorded recorded;
  EXPECT_FALSE(LaunchUpdaterIfNeeded({"2.2", "http://h/a.exe"}, kOwnVersion, Recording(recorded, false)));
  EXPECT_EQ(recorded.starts, 1);
  EXPECT_EQ(recorded.ends, 0);
}

// Whether the launcher in `folder` hands `offer` over to up.exe.
bool HandsOver(const UpdateAnswer& offer, const std::string& folder) {
  int starts = 0;
  UpdaterHandOver handOver;
  handOver.runDirectory = folder;
  handOver.executableName = "Storvane.exe";
  handOver.start = [&starts](const std::wstring&, const std::wstring&) { return ++starts == 1; };
  handOver.end = [] {};
  return LaunchUpdaterIfNeeded(offer, kOwnVersion, handOver) && starts == 1;
}

TEST_F(SelfUpdateTest, AnOfferUpExeInstalledHoldsOnlyWhileItsLauncherIsInPlace) {
  ScratchFolder folder;
  const std::wstring launcher = folder.path() + L"\\Storvane.exe", record = folder.path() + L"\\up.qn";
  ASSERT_TRUE(ReplaceSmallFile(launcher, "the launcher up.exe installed"));
  ASSERT_TRUE(ReplaceSmallFile(record, FormatInstalledOffer("2.2", Sha256OfFile(launcher).value())));
  EXPECT_FALSE(HandsOver({"2.2", "http://h/a.exe"}, folder.gbk()));
  EXPECT_TRUE(HandsOver({"2.3", "http://h/a.exe"}, folder.gbk()));
  // An older copy has moved itself over the installed launcher: the record no longer speaks for it.
  ASSERT_TRUE(ReplaceSmallFile(launcher, "an older copy"));
  EXPECT_TRUE(HandsOver({"2.2", "http://h/a.exe"}, folder.gbk()));
  ASSERT_TRUE(ReplaceSmallFile(record, "2.2"));  // the earlier one-line form
  EXPECT_TRUE(HandsOver({"2.2", "http://h/a.exe"}, folder.gbk()));
  DeleteFileW(record.c_str());
  DeleteFileW(launcher.c_str());
}

TEST_F(SelfUpdateTest, AnOfferThatFailedTodayIsNotHandedOverAgainButAnotherOneIs) {
  ScratchFolder folder;
  const std::wstring record = folder.path() + L"\\up.fail";
  const UpdateAnswer failed{"2.2", "http://h/a.exe", std::string(64, 'c'), "1000"};
  const std::string digest = DigestArgument(NamedDigest(failed.sha256, failed.size).value());
  ASSERT_TRUE(ReplaceSmallFile(record, FormatFailedOffer({"2.2", failed.downloadUrl, digest}, UnixTimeNow() - 60)));
  EXPECT_FALSE(HandsOver(failed, folder.gbk()));
  EXPECT_TRUE(HandsOver({"2.3", failed.downloadUrl, failed.sha256, failed.size}, folder.gbk()));
  EXPECT_TRUE(HandsOver({"2.2", failed.downloadUrl, std::string(64, 'd'), failed.size}, folder.gbk()));
  ASSERT_TRUE(ReplaceSmallFile(record, FormatFailedOffer({"2.2", failed.downloadUrl, digest}, UnixTimeNow() - 86400)));
  EXPECT_TRUE(HandsOver(failed, folder.gbk()));
  DeleteFileW(record.c_str());
}

class SelfUpdateServiceTest : public SelfUpdateTest {
protected:
  void SetUp() override {
    auto loaded = TestServer::Load();
    ASSERT_TRUE(loaded) << "STORVANE_TEST_SERVER not set or unreadable";
    server_ = *loaded;
    ASSERT_TRUE(server_.Reset());
  }
  std::string Base() const { return "http://127.0.0.1:" + std::to_string(server_.http); }
  TestServer server_;
};

TEST_F(SelfUpdateServiceTest, AsksTheServiceForTheKeyAndKeepsItsAnswer) {
  // The body as the service sends it: UTF-8 with a byte-order mark.
  const std::string body =
      "\xEF\xBB\xBF" + std::string(R"({"data":[{"soft_version":"2.2","soft_down":"http://h/new launcher.exe"}]})");
  ASSERT_TRUE(server_.Script("/api/single/storvane", R"({"headers":["Content-Type: application/json"],"body_b64":")" +
                                                         net::Base64Encode(Bytes(body.begin(), body.end())) + "\"}"));
  const UpdateAnswer answer = CheckForUpdate(kSelfUpdateKey, Base());
  EXPECT_EQ(answer.version, "2.2");
  EXPECT_EQ(answer.downloadUrl, "http://h/new launcher.exe");
  const auto log = server_.Requests();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].method, "GET");
  EXPECT_EQ(log[0].target, "/api/single/storvane");
}

TEST_F(SelfUpdateServiceTest, AnOutageMeansNoUpdateAndTheLauncherGoesOn) {
  const int port = testsupport::UnusedPort();
  ASSERT_NE(port, 0);
  const UpdateAnswer outage = CheckForUpdate(kSelfUpdateKey, "http://127.0.0.1:" + std::to_string(port));
  EXPECT_EQ(outage.version, "");
  EXPECT_EQ(outage.downloadUrl, "");
  Recorded recorded;
  EXPECT_FALSE(LaunchUpdaterIfNeeded(outage, kOwnVersion, Recording(recorded)));
  EXPECT_EQ(recorded.starts, 0);

  // A service that answers with an error page is no different.
  const UpdateAnswer errorPage = CheckForUpdate(kSelfUpdateKey, Base() + "/status/503");
  EXPECT_EQ(errorPage.version, "");
  EXPECT_FALSE(LaunchUpdaterIfNeeded(errorPage, kOwnVersion, Recording(recorded)));
}

TEST(SelfUpdateAddress, JoinsBaseKeyAndPath) {
  EXPECT_EQ(SelfUpdateAddress("http://127.0.0.1:18960", kSelfUpdateKey), "http://127.0.0.1:18960/api/single/storvane");
}

TEST(WriteUpdaterExecutable, WritesTheCarriedUpdaterOverAnyOldFile) {
  const std::span<const uint8_t> image = CarriedUpdaterImage();
  ASSERT_GT(image.size(), 1024u);
  EXPECT_EQ(image[0], 'M');
  EXPECT_EQ(image[1], 'Z');
  const std::wstring built = HostPath(std::getenv("STORVANE_UP_EXE"));
  EXPECT_EQ(ReadAll(built), std::vector<uint8_t>(image.begin(), image.end()));

  ScratchFolder folder;
  {
    std::ofstream old((folder.path() + L"\\up.exe").c_str(), std::ios::binary);
    old << std::string(image.size() + 5000, 'x');  // longer than the new one: must be truncated
  }
  ASSERT_TRUE(WriteUpdaterExecutable(folder.gbk()));
  EXPECT_EQ(ReadAll(folder.path() + L"\\up.exe"), std::vector<uint8_t>(image.begin(), image.end()));
  EXPECT_FALSE(WriteUpdaterExecutable(folder.gbk() + "\\no such folder"));
}

// The real hand-over: the carried updater written beside a "launcher", started through the
// product's own start routine, comes up showing what the service offered.
TEST_F(SelfUpdateTest, TheCarriedUpdaterStartsFromTheHandOver) {
  ScratchFolder folder;
  ASSERT_TRUE(WriteUpdaterExecutable(folder.gbk()));
  UpdaterHandOver handOver = DefaultUpdaterHandOver();
  handOver.runDirectory = folder.gbk();
  handOver.executableName = "Storvane.exe";
  int ends = 0;
  handOver.end = [&ends] { ++ends; };
  ASSERT_TRUE(LaunchUpdaterIfNeeded({"2.2", "http://127.0.0.1:9/new launcher.exe"}, kOwnVersion, handOver));
  EXPECT_EQ(ends, 1);

  HWND window = nullptr;
  for (int i = 0; i < 200 && window == nullptr; ++i) {
    window = FindWindowW(updater::kUpdaterWindowClass, nullptr);
    if (window == nullptr) Sleep(50);
  }
  ASSERT_NE(window, nullptr);
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
  wchar_t text[128] = {};
  GetWindowTextW(GetDlgItem(window, updater::kHeadingId), text, 128);
  EXPECT_STREQ(text, L"发现新版本：V2.2");
  GetWindowTextW(GetDlgItem(window, updater::kCurrentVersionId), text, 128);
  EXPECT_STREQ(text, L"当前版本：V2.1");

  // The address with its space arrived whole: the link's accessible value is the address.
  ComInit com;
  ComPtr<IAccessible> link;
  ASSERT_EQ(AccessibleObjectFromWindow(GetDlgItem(window, updater::kLinkId), static_cast<DWORD>(OBJID_CLIENT),
                                       __uuidof(IAccessible), link.put_void()),
            S_OK);
  VARIANT self;
  VariantInit(&self);
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR value = nullptr;
  EXPECT_EQ(link->get_accValue(self, &value), S_OK);
  UniqueBstr owned(value);
  EXPECT_STREQ(value, L"http://127.0.0.1:9/new launcher.exe");

  PostMessageW(window, WM_CLOSE, 0, 0);
  ASSERT_TRUE(process);
  EXPECT_EQ(WaitForSingleObject(process.get(), 10000), WAIT_OBJECT_0);
}

}  // namespace
}  // namespace storvane
