// The transfer routine against the loopback test server: what reaches the disk, what the user
// is told, and that an older file survives every kind of failed download.
#include "net/download_to_file.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "net/download_progress.h"
#include "support/scratch_folder.h"
#include "support/test_server.h"
#include "util/crypto.h"
#include "util/win_text.h"

namespace storvane {
namespace {

using testsupport::PatternBytes;
using testsupport::TestServer;

struct ProgressCall {
  int32_t contentLength, total, elapsed, received;
};

// A scratch folder whose files are named to the transfer routine in GBK.
class ScratchFolder : public testsupport::ScratchFolder {
public:
  ScratchFolder() : testsupport::ScratchFolder(L"svdl") {}
  std::string Gbk(const std::wstring& name) const { return WideToGbk(*this / name); }
};

std::vector<uint8_t> ReadAll(const std::string& gbkPath) {
  std::ifstream in(GbkToWide(gbkPath).c_str(), std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& gbkPath, std::string_view content) {
  std::ofstream out(GbkToWide(gbkPath).c_str(), std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

std::vector<uint8_t> Bytes(std::string_view text) { return std::vector<uint8_t>(text.begin(), text.end()); }

// What the service would name for `body`.
ExpectedDigest DigestOf(const std::vector<uint8_t>& body) {
  return {ToHex(Sha256Of(body).value()), std::to_string(body.size())};
}

class DownloadToFileTest : public ::testing::Test {
protected:
  void SetUp() override {
    auto loaded = TestServer::Load();
    ASSERT_TRUE(loaded) << "STORVANE_TEST_SERVER not set or unreadable";
    server_ = *loaded;
    ASSERT_TRUE(server_.Reset());
  }

  // One try unless `options` asks for more (the default waits would slow every failure down).
  int Download(const std::string& url, const std::string& target, DownloadOptions options = {.retry_waits_ms = {}}) {
    options.progress = [this](int32_t length, int32_t total, int32_t elapsed, int32_t received) {
      calls_.push_back({length, total, elapsed, received});
      latestTotal_ = total;
    };
    options.message = [this](const std::string& text) { messages_.push_back(text); };
    return DownloadToFile(url, target, options);
  }
  int DownloadNamed(const std::string& url, const std::string& target, const ExpectedDigest& expected) {
    return Download(url, target, {.expected = expected, .retry_waits_ms = {}});
  }

  // Downloads against `expected` over an older file; true when it failed its check and left the
  // old file as the only one.
  bool RefusedKeepingTheOldFile(const std::string& url, const ExpectedDigest& expected) {
    const std::string target = folder_.Gbk(L"tool.exe");
    WriteAll(target, "old version");
    messages_.clear();
    return DownloadNamed(url, target, expected) == kDownloadUnverified &&
           messages_ == std::vector<std::string>{"下载的文件未通过校验，已保留原来的版本。"} &&
           ReadAll(target) == Bytes("old version") && folder_.Names() == std::set<std::wstring>{L"tool.exe"};
  }

  // Sets up the server's file /large/<key> (download_to_file's resumable file) and reads how many
  // of its bytes went out.
  void SetLarge(const std::string& key, int seed, const std::string& cuts = "", const char* validator = "etag") {
    ASSERT_TRUE(server_.Exchange(
        "GET", "/__large?key=" + key + "&seed=" + std::to_string(seed) + "&cuts=" + cuts + "&validator=" + validator));
  }
  int64_t SentBy(const std::string& key) {
    const auto answer = server_.Exchange("GET", "/__sent?key=" + key);
    return answer ? std::stoll(std::string(answer->body.begin(), answer->body.end())) : -1;
  }
  bool HasPartial() const {
    const std::set<std::wstring> names = folder_.Names();
    return names.count(L"tool.exe.download") == 1 && names.count(L"tool.exe.download.resume") == 1;
  }

  TestServer server_;
  ScratchFolder folder_;
  std::vector<ProgressCall> calls_;
  std::atomic<int32_t> latestTotal_{0};
  std::vector<std::string> messages_;
};

TEST_F(DownloadToFileTest, CompleteBodyWithLengthArrivesInChunksWithProgress) {
  const std::string target = folder_.Gbk(L"tool.exe");
  ASSERT_EQ(Download(server_.HttpUrl("/bytes/100000"), target), 0);
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(ReadAll(target), PatternBytes(0, 100000));
  EXPECT_EQ(folder_.Names(), std::set<std::wstring>{L"tool.exe"});

  ASSERT_GE(calls_.size(), 10u);  // at most 10240 bytes per chunk
  int32_t previous = 0;
  for (const ProgressCall& call : calls_) {
    EXPECT_EQ(call.contentLength, 100000);
    EXPECT_GT(call.total, previous);
    EXPECT_LE(call.total - previous, 10240);
    EXPECT_EQ(call.received, call.total);
    EXPECT_GT(call.elapsed, 0);
    previous = call.total;
  }
  EXPECT_EQ(calls_.back().total, 100000);
  EXPECT_EQ(DownloadProgressPosition(calls_.back().contentLength, calls_.back().total), 10000);
  // Bound at the download and kept: its own threads may outlive the handles closed here.
  EXPECT_NE(::GetModuleHandleW(L"wininet.dll"), nullptr);
}

TEST_F(DownloadToFileTest, BodyWithoutLengthIsKeptAndDrivesTheBarToItsEnd) {
  const std::string target = folder_.Gbk(L"tool.exe");
  ASSERT_EQ(Download(server_.HttpUrl("/bytes/30000?chunked=1"), target), 0);
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(ReadAll(target), PatternBytes(0, 30000));
  ASSERT_FALSE(calls_.empty());
  EXPECT_EQ(calls_.front().contentLength, 0);
  EXPECT_EQ(DownloadProgressPosition(calls_.front().contentLength, calls_.front().total), kDownloadProgressMaximum);
}

TEST_F(DownloadToFileTest, CompleteDownloadReplacesAnOlderFile) {
  const std::string target = folder_.Gbk(L"tool.exe");
  WriteAll(target, "old version");
  ASSERT_EQ(Download(server_.HttpUrl("/bytes/5000"), target), 0);
  EXPECT_EQ(ReadAll(target), PatternBytes(0, 5000));
  EXPECT_EQ(folder_.Names(), std::set<std::wstring>{L"tool.exe"});
}

TEST_F(DownloadToFileTest, ANamedDigestLetsOnlyThatFileReplaceTheOldOne) {
  const std::string url = server_.HttpUrl("/bytes/30000");
  const ExpectedDigest right = DigestOf(PatternBytes(0, 30000));
  ExpectedDigest longer = right, otherContent = DigestOf(PatternBytes(1, 30000));
  longer.size = "30001";
  EXPECT_TRUE(RefusedKeepingTheOldFile(url, longer));
  EXPECT_TRUE(RefusedKeepingTheOldFile(url, otherContent));
  // A body cut short fails as before, whatever was named.
  messages_.clear();
  EXPECT_EQ(DownloadNamed(server_.HttpUrl("/truncate?len=30000&send=500"), folder_.Gbk(L"tool.exe"), right), -1);
  EXPECT_EQ(messages_, std::vector<std::string>{"读文件出错!"});

  ExpectedDigest shouted = right;
  for (char& c : shouted.sha256) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  messages_.clear();
  ASSERT_EQ(DownloadNamed(url, folder_.Gbk(L"tool.exe"), shouted), kDownloadComplete);
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(ReadAll(folder_.Gbk(L"tool.exe")), PatternBytes(0, 30000));
  EXPECT_EQ(folder_.Names(), std::set<std::wstring>{L"tool.exe"});
}

// A named size bounds the transfer: more bytes than named, or another announced length, end it
// at once, and the old file stays the only one.
TEST_F(DownloadToFileTest, ANamedSizeStopsEndlessAndMisannouncedBodies) {
  const ExpectedDigest small = DigestOf(PatternBytes(0, 4096));
  for (const char* path :
       {"/endless?framing=chunked", "/endless?framing=close", "/endless?framing=length", "/bytes/5000"}) {
    calls_.clear();
    EXPECT_TRUE(RefusedKeepingTheOldFile(server_.HttpUrl(path), small)) << path;
    EXPECT_LE(calls_.empty() ? 0 : calls_.back().total, 4096 + 10240) << path;
  }
}

// A drive without room for the file (itself and a tenth) is told how much is needed; nothing is
// asked of the body and nothing is written.
TEST_F(DownloadToFileTest, ADriveWithoutRoomIsRefusedBeforeTheBody) {
  const ExpectedDigest huge = {DigestOf(PatternBytes(0, 1)).sha256, "1000000000000000"};
  const std::string target = folder_.Gbk(L"tool.exe");
  WriteAll(target, "old version");
  EXPECT_EQ(DownloadNamed(server_.HttpUrl("/bytes/100"), target, huge), kDownloadFailed);
  EXPECT_TRUE(server_.Requests().empty());
  EXPECT_EQ(Download(server_.HttpUrl("/endless?framing=length"), target), kDownloadFailed);
  const std::string needed = DiskSpaceMessage(1100000000000000);
  EXPECT_EQ(messages_, (std::vector<std::string>{needed, needed}));
  EXPECT_NE(needed.find(std::to_string((1100000000000000ull + (1 << 20) - 1) >> 20) + " MB"), std::string::npos);
  EXPECT_EQ(ReadAll(target), Bytes("old version"));
  EXPECT_EQ(folder_.Names(), std::set<std::wstring>{L"tool.exe"});
}

// Without a named size a body past the limit fails; a transfer that brings less than a chunk in
// the stall window (a silent server, one byte a second) fails too, leaving nothing behind.
TEST_F(DownloadToFileTest, EndlessStalledAndDrippingBodiesFailWithinTheirBounds) {
  const std::string target = folder_.Gbk(L"tool.exe");
  const DownloadOptions limits{.stall_ms = 1500, .max_unnamed_bytes = 1 << 20, .retry_waits_ms = {}};
  for (const char* path : {"/endless?framing=chunked", "/stall?len=100000&hold=6", "/drip?len=100000"}) {
    messages_.clear();
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(Download(server_.HttpUrl(path), target, limits), kDownloadFailed) << path;
    EXPECT_LT(GetTickCount64() - start, 4000u) << path;
    EXPECT_EQ(messages_, std::vector<std::string>{"读文件出错!"}) << path;
    EXPECT_TRUE(folder_.Names().empty()) << path;
  }
}

TEST_F(DownloadToFileTest, ANamedDigestThatCannotBeReadRefusesEveryFileWithoutARequest) {
  const ExpectedDigest right = DigestOf(PatternBytes(0, 100));
  const std::vector<ExpectedDigest> unreadable = {{right.sha256.substr(1), right.size},
                                                  {right.sha256 + "0", right.size},
                                                  {"", right.size},
                                                  {right.sha256, ""},
                                                  {"z" + right.sha256.substr(1), right.size},
                                                  {right.sha256, "+100"},
                                                  {right.sha256, "100 "},
                                                  {right.sha256, "1e2"},
                                                  {right.sha256, "-100"},
                                                  {right.sha256, "99999999999999999999999"}};
  for (const ExpectedDigest& expected : unreadable) {
    EXPECT_TRUE(RefusedKeepingTheOldFile(server_.HttpUrl("/bytes/100"), expected))
        << expected.sha256 << " / " << expected.size;
  }
  EXPECT_TRUE(server_.Requests().empty());
}

TEST_F(DownloadToFileTest, ChinesePathsAreWrittenWhereTheyPoint) {
  if (!CreateDirectoryW((folder_.path() + L"\\店铺工具").c_str(), nullptr)) {
    // Wine stores such names only when the host has the locale it runs under installed.
    GTEST_SKIP() << "this system cannot store non-ASCII file names";
  }
  const std::string target = folder_.Gbk(L"店铺工具\\上架助手.exe");
  ASSERT_EQ(Download(server_.HttpUrl("/bytes/777"), target), 0);
  EXPECT_EQ(ReadAll(target), PatternBytes(0, 777));
}

TEST_F(DownloadToFileTest, RequestCarriesTheHeaderBlockAndCacheBypass) {
  ASSERT_EQ(Download(server_.HttpUrl("/bytes/10"), folder_.Gbk(L"t.exe")), 0);
  auto log = server_.Requests();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].method, "GET");
  EXPECT_EQ(log[0].target, "/bytes/10");
  // The block's four lines go out together and in order (the system may add its own lines).
  const std::vector<std::string> block = {
      "Accept: */*", "Accept-Language: zh-cn", "Accept-Encoding: gzip, deflate",
      "User-Agent: Mozilla/4.0(compatible; MSIE 6.0; Windows NT 5.0; MyIE2; .NET CLR 1.1.4322)"};
  const auto& lines = log[0].headers;
  auto at = std::search(lines.begin(), lines.end(), block.begin(), block.end());
  EXPECT_NE(at, lines.end()) << "header block not found contiguously";
  EXPECT_EQ(log[0].Header("User-Agent"), block[3].substr(12));
  EXPECT_EQ(log[0].Header("Pragma"), "no-cache");
  EXPECT_FALSE(log[0].Header("Range"));
}

TEST(DownloadRequestText, AgentNameAndHeaderBlockAreExact) {
  EXPECT_EQ(MakeDownloadAgentName(0), "Agent0");
  EXPECT_EQ(MakeDownloadAgentName(4294967295u), "Agent4294967295");
  EXPECT_EQ(MakeDownloadRequestHeaders(),
            "Accept: */*\r\nAccept-Language: zh-cn\r\nAccept-Encoding: gzip, deflate\r\n"
            "User-Agent: Mozilla/4.0(compatible; MSIE 6.0; Windows NT 5.0; MyIE2; .NET CLR 1.1.4322)");
  const std::string resumed = MakeDownloadRequestHeaders(12345);
  EXPECT_EQ(resumed, MakeDownloadRequestHeaders() + "\r\nRange:bytes=12345-");
  EXPECT_EQ(MakeDownloadRequestHeaders(7, "\"v1\""), MakeDownloadRequestHeaders(7) + "\r\nIf-Range: \"v1\"");
}

TEST_F(DownloadToFileTest, ErrorStatusIsNotSavedAndKeepsTheOldFile) {
  const std::string target = folder_.Gbk(L"tool.exe");
  WriteAll(target, "old version");
  EXPECT_EQ(Download(server_.HttpUrl("/status/404"), target), -1);
  EXPECT_EQ(messages_, std::vector<std::string>{"不能打开该URL!"});
  EXPECT_EQ(ReadAll(target), Bytes("old version"));
  EXPECT_EQ(folder_.Names(), std::set<std::wstring>{L"tool.exe"});
  EXPECT_TRUE(calls_.empty());
}

TEST_F(DownloadToFileTest, ServerErrorWithoutAnOldFileLeavesNothing) {
  EXPECT_EQ(Download(server_.HttpUrl("/status/500"), folder_.Gbk(L"tool.exe")), -1);
  EXPECT_EQ(messages_, std::vector<std::string>{"不能打开该URL!"});
  EXPECT_TRUE(folder_.Names().empty());
}

TEST_F(DownloadToFileTest, ShortBodyIsAReadErrorAndKeepsTheOldFile) {
  const std::string target = folder_.Gbk(L"tool.exe");
  WriteAll(target, "old version");
  EXPECT_EQ(Download(server_.HttpUrl("/truncate?len=1000&send=500"), target), -1);
  EXPECT_EQ(messages_, std::vector<std::string>{"读文件出错!"});
  EXPECT_EQ(ReadAll(target), Bytes("old version"));
  EXPECT_EQ(folder_.Names(), std::set<std::wstring>{L"tool.exe"});
}

TEST_F(DownloadToFileTest, ServerGoneAfterSeveralChunksKeepsTheOldFile) {
  const std::string target = folder_.Gbk(L"tool.exe");
  WriteAll(target, "old version");
  EXPECT_EQ(Download(server_.HttpUrl("/truncate?len=200000&send=60000"), target), -1);
  EXPECT_EQ(messages_, std::vector<std::string>{"读文件出错!"});
  EXPECT_GE(calls_.size(), 2u);  // part of the body did arrive before the server went away
  EXPECT_EQ(ReadAll(target), Bytes("old version"));
  EXPECT_EQ(folder_.Names(), std::set<std::wstring>{L"tool.exe"});
}

// The body goes to the file in blocks of many chunks, written beside the transfer and flushed to
// the disk every few megabytes: a body of several blocks and flushes arrives whole and in order,
// with a progress call per chunk as before.
TEST_F(DownloadToFileTest, ABodyOfManyBlocksArrivesWholeWithAProgressCallPerChunk) {
  const std::string target = folder_.Gbk(L"tool.exe");
  WriteAll(target, "old version");
  constexpr int32_t kSize = 9000000;
  ASSERT_EQ(Download(server_.HttpUrl("/bytes/" + std::to_string(kSize)), target), 0);
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(ReadAll(target), PatternBytes(0, kSize));
  EXPECT_EQ(folder_.Names(), std::set<std::wstring>{L"tool.exe"});
  ASSERT_GE(calls_.size(), static_cast<size_t>(kSize / 10240));
  int32_t previous = 0;
  for (const ProgressCall& call : calls_) {
    EXPECT_EQ(call.contentLength, kSize);
    EXPECT_GT(call.total, previous);
    EXPECT_LE(call.total - previous, 10240);
    previous = call.total;
  }
  EXPECT_EQ(calls_.back().total, kSize);
}

TEST_F(DownloadToFileTest, ServerGoneAfterSeveralBlocksKeepsTheOldFile) {
  const std::string target = folder_.Gbk(L"tool.exe");
  WriteAll(target, "old version");
  EXPECT_EQ(Download(server_.HttpUrl("/truncate?len=6000000&send=3500000"), target), -1);
  EXPECT_EQ(messages_, std::vector<std::string>{"读文件出错!"});
  EXPECT_EQ(ReadAll(target), Bytes("old version"));
  EXPECT_EQ(folder_.Names(), std::set<std::wstring>{L"tool.exe"});
}

TEST_F(DownloadToFileTest, UnreachablePortCannotBeOpened) {
  const int port = testsupport::UnusedPort();
  ASSERT_NE(port, 0);
  const std::string target = folder_.Gbk(L"tool.exe");
  EXPECT_EQ(Download("http://127.0.0.1:" + std::to_string(port) + "/tool.exe", target), -1);
  EXPECT_EQ(messages_, std::vector<std::string>{"不能打开该URL!"});
  EXPECT_TRUE(folder_.Names().empty());
}

TEST_F(DownloadToFileTest, MissingTargetFolderCannotBeWritten) {
  EXPECT_EQ(Download(server_.HttpUrl("/bytes/100"), folder_.Gbk(L"no such folder\\tool.exe")), -1);
  EXPECT_EQ(messages_, std::vector<std::string>{"不能打开本地的文件!"});
  EXPECT_TRUE(folder_.Names().empty());
}

TEST_F(DownloadToFileTest, TargetThatCannotBeReplacedKeepsItsContent) {
  const std::string target = folder_.Gbk(L"tool.exe");
  WriteAll(target, "running copy");
  // Held open without delete sharing, as a running executable's image is.
  HANDLE held =
      CreateFileW(GbkToWide(target).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const int result = Download(server_.HttpUrl("/bytes/2000"), target);
  CloseHandle(held);
  EXPECT_EQ(result, -1);
  EXPECT_EQ(messages_, std::vector<std::string>{"不能打开本地的文件!"});
  EXPECT_EQ(ReadAll(target), Bytes("running copy"));
  EXPECT_EQ(folder_.Names(), std::set<std::wstring>{L"tool.exe"});
}

TEST_F(DownloadToFileTest, ATargetHeldForAMomentIsReplacedOnceItIsFree) {
  const std::string target = folder_.Gbk(L"tool.exe");
  WriteAll(target, "just ended");
  // As the image of a process that has only just ended, or a scanner reading the file.
  HANDLE held =
      CreateFileW(GbkToWide(target).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::thread release([held] {
    Sleep(700);
    CloseHandle(held);
  });
  EXPECT_EQ(Download(server_.HttpUrl("/bytes/2000"), target), 0);
  release.join();
  EXPECT_EQ(ReadAll(target), PatternBytes(0, 2000));
}

TEST_F(DownloadToFileTest, TemporaryFilesOfKilledTransfersAreGoneAfterTheNextTransfer) {
  const std::string target = folder_.Gbk(L"tool.exe");
  for (const char* route : {"/status/404", "/bytes/100"}) {
    WriteAll(DownloadTemporaryPath(target), "half of a killed run");
    WriteAll(folder_.Gbk(L"svd1A2B.tmp"), "left by an earlier version");
    WriteAll(folder_.Gbk(L"notes.tmp"), "not ours");
    const bool ok = Download(server_.HttpUrl(route), target) == 0;
    const std::set<std::wstring> left =
        ok ? std::set<std::wstring>{L"notes.tmp", L"tool.exe"} : std::set<std::wstring>{L"notes.tmp"};
    EXPECT_EQ(folder_.Names(), left) << route;
  }
}

TEST_F(DownloadToFileTest, ResumeAppendsAPartialAnswer) {
  const std::string target = folder_.Gbk(L"tool.exe");
  const auto whole = PatternBytes(0, 3000, true);
  WriteAll(target, std::string(whole.begin(), whole.begin() + 1000));
  const std::string rest(whole.begin() + 1000, whole.end());
  ASSERT_TRUE(server_.Script(
      "/part", R"({"status":206,"headers":["Content-Range: bytes 1000-2999/3000"],"body":")" + rest + "\"}"));
  ASSERT_EQ(Download(server_.HttpUrl("/part"), target, {.resume_offset = 1000, .resume = true, .retry_waits_ms = {}}),
            0);
  EXPECT_EQ(ReadAll(target), whole);
  auto log = server_.Requests();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].Header("Range"), "bytes=1000-");
  ASSERT_FALSE(calls_.empty());
  EXPECT_EQ(calls_.back().total, 3000);
  EXPECT_EQ(calls_.back().received, 2000);
}

TEST_F(DownloadToFileTest, ResumeAnsweredWithTheWholeFileStartsOver) {
  const std::string target = folder_.Gbk(L"tool.exe");
  WriteAll(target, "first part");
  ASSERT_EQ(
      Download(server_.HttpUrl("/bytes/4000"), target, {.resume_offset = 10, .resume = true, .retry_waits_ms = {}}), 0);
  EXPECT_EQ(ReadAll(target), PatternBytes(0, 4000));  // not appended after "first part"
}

// Cut three times on the way (at 30, 60 and 90 %), a 20 MB body still arrives whole within one
// download, each new try asking only for the rest: about 20 MB go over the wire in all.
TEST_F(DownloadToFileTest, ABodyCutThreeTimesArrivesWholeWithoutFetchingItAgain) {
  constexpr int64_t kSize = 20 << 20;
  SetLarge("big", 3, "0.3,0.6,0.9");
  const std::string target = folder_.Gbk(L"tool.exe");
  ASSERT_EQ(Download(server_.HttpUrl("/large/big?size=" + std::to_string(kSize)), target,
                     {.resume_key = "1.0", .retry_waits_ms = {50, 50, 50}}),
            kDownloadComplete);
  EXPECT_TRUE(messages_.empty());
  EXPECT_TRUE(ReadAll(target) == PatternBytes(3, kSize));
  EXPECT_EQ(folder_.Names(), std::set<std::wstring>{L"tool.exe"});
  EXPECT_LT(SentBy("big"), kSize + kSize / 50);
  const auto log = server_.Requests();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[3].Header("If-Range"), "\"big-3\"");
  EXPECT_EQ(calls_.back().total, kSize);
  EXPECT_EQ(calls_.back().contentLength, kSize) << "the bar follows the whole file";
}

// What a cut (or a killed program) leaves is the partial and its record; the next transfer of
// the same address and version asks for the rest, with the server's ETag or Last-Modified.
TEST_F(DownloadToFileTest, APartialLeftBehindIsContinuedByTheNextTransferOfTheSameVersion) {
  const std::string target = folder_.Gbk(L"tool.exe");
  for (const char* validator : {"etag", "lastmod"}) {
    SetLarge("part", 5, "0.6", validator);
    const std::string url = server_.HttpUrl("/large/part?size=200000");
    EXPECT_EQ(Download(url, target, {.resume_key = "2.0", .retry_waits_ms = {}}), kDownloadFailed) << validator;
    EXPECT_EQ(messages_, std::vector<std::string>{"读文件出错!"});
    EXPECT_TRUE(HasPartial()) << validator;
    ASSERT_EQ(Download(url, target, {.resume_key = "2.0", .retry_waits_ms = {}}), kDownloadComplete) << validator;
    EXPECT_TRUE(ReadAll(target) == PatternBytes(5, 200000)) << validator;
    EXPECT_EQ(server_.Requests().back().Header("Range"), "bytes=120000-") << validator;
    EXPECT_LT(SentBy("part"), 200000 + 20000) << validator;
    EXPECT_EQ(folder_.Names(), std::set<std::wstring>{L"tool.exe"});
    ASSERT_TRUE(server_.Reset());
    messages_.clear();
  }
}

// A partial is not continued for a file the server changed, nor for another version or address,
// nor when the server names no validator it can be continued by.
TEST_F(DownloadToFileTest, APartialOfAnotherFileIsDroppedAndTheFileFetchedWhole) {
  const std::string target = folder_.Gbk(L"tool.exe");
  const std::string url = server_.HttpUrl("/large/chg?size=100000");
  auto leavePartial = [&](const char* version) {
    SetLarge("chg", 1, "0.5");
    EXPECT_EQ(Download(url, target, {.resume_key = version, .retry_waits_ms = {}}), kDownloadFailed);
    EXPECT_TRUE(HasPartial());
  };
  leavePartial("1.0");
  SetLarge("chg", 2);  // a new ETag
  ASSERT_EQ(Download(url, target, {.resume_key = "1.0", .retry_waits_ms = {}}), kDownloadComplete);
  EXPECT_TRUE(ReadAll(target) == PatternBytes(2, 100000));
  EXPECT_EQ(server_.Requests().back().Header("If-Range"), "\"chg-1\"");

  leavePartial("1.0");
  ASSERT_EQ(Download(url, target, {.resume_key = "1.1", .retry_waits_ms = {}}), kDownloadComplete);
  EXPECT_TRUE(ReadAll(target) == PatternBytes(1, 100000));
  EXPECT_FALSE(server_.Requests().back().Header("Range")) << "another version's part is not asked for";
  leavePartial("1.0");
  ASSERT_EQ(Download(url + "&from=mirror", target, {.resume_key = "1.0", .retry_waits_ms = {}}), kDownloadComplete);
  EXPECT_FALSE(server_.Requests().back().Header("Range"));
  EXPECT_EQ(folder_.Names(), std::set<std::wstring>{L"tool.exe"});

  SetLarge("chg", 1, "0.5", "weak");
  EXPECT_EQ(Download(url, target, {.resume_key = "1.0", .retry_waits_ms = {}}), kDownloadFailed);
  EXPECT_EQ(folder_.Names(), std::set<std::wstring>{L"tool.exe"}) << "nothing to continue it by";
}

// Busy answers are tried again after the wait the server asks for, errors of the request itself
// are not, and the user hears of a failure once, after the last try.
TEST_F(DownloadToFileTest, OnlyFailuresThatMayPassAreTriedAgain) {
  const std::string target = folder_.Gbk(L"tool.exe");
  SetLarge("busy", 4);
  ASSERT_TRUE(server_.Script("/large/busy", R"({"status":503,"headers":["Retry-After: 1"],"times":1})"));
  ULONGLONG start = GetTickCount64();
  ASSERT_EQ(Download(server_.HttpUrl("/large/busy?size=5000"), target, {}), kDownloadComplete);
  EXPECT_GE(GetTickCount64() - start, 900u);
  EXPECT_LT(GetTickCount64() - start, 2900u) << "the server's second, not the usual wait of three";
  EXPECT_TRUE(ReadAll(target) == PatternBytes(4, 5000));

  ASSERT_TRUE(server_.Reset());
  start = GetTickCount64();
  EXPECT_EQ(Download(server_.HttpUrl("/status/404"), target, {}), kDownloadFailed);
  EXPECT_LT(GetTickCount64() - start, 900u);
  EXPECT_EQ(server_.Requests().size(), 1u);

  ASSERT_TRUE(server_.Reset());
  ASSERT_TRUE(server_.Script("/large/busy", R"({"status":429,"times":9})"));
  messages_.clear();
  EXPECT_EQ(Download(server_.HttpUrl("/large/busy?size=5000"), target, {.retry_waits_ms = {20, 20, 20}}),
            kDownloadFailed);
  EXPECT_EQ(server_.Requests().size(), 4u);
  EXPECT_EQ(messages_, std::vector<std::string>{"不能打开该URL!"});
}

// A cancel ends a slow transfer at once, without a message, and keeps what arrived for the next
// transfer of the same version; waiting for a server's answer, it ends the wait.
TEST_F(DownloadToFileTest, ACancelledTransferIsContinuedByTheNextOne) {
  const std::string target = folder_.Gbk(L"tool.exe");
  SetLarge("slow", 6);
  const std::string url = server_.HttpUrl("/large/slow?size=400000&rate=200000");
  std::atomic<bool> cancel{false};
  std::atomic<ULONGLONG> cancelledAt{0};
  std::thread user([&] {
    while (latestTotal_ < 200000) Sleep(10);
    cancelledAt = GetTickCount64();
    cancel = true;
  });
  EXPECT_EQ(Download(url, target, {.cancel = &cancel, .resume_key = "3.0", .retry_waits_ms = {}}), kDownloadCancelled);
  const ULONGLONG ended = GetTickCount64();
  user.join();
  EXPECT_LT(ended - cancelledAt, 1000u);
  EXPECT_TRUE(messages_.empty());
  EXPECT_TRUE(HasPartial());
  ASSERT_EQ(Download(url, target, {.resume_key = "3.0", .retry_waits_ms = {}}), kDownloadComplete);
  EXPECT_TRUE(ReadAll(target) == PatternBytes(6, 400000));
  EXPECT_LT(SentBy("slow"), 400000 + 60000);
  // Nor does a server that never answers hold a cancel.
  cancel = false;
  std::thread later([&] {
    Sleep(300);
    cancel = true;
  });
  const ULONGLONG start = GetTickCount64();
  EXPECT_EQ(Download(server_.HttpUrl("/silent?hold=6"), target, {.cancel = &cancel, .retry_waits_ms = {}}),
            kDownloadCancelled);
  later.join();
  EXPECT_LT(GetTickCount64() - start, 1300u);
}

TEST(DownloadProgressPosition, FollowsTheBodyAndStopsAtTheMaximum) {
  EXPECT_EQ(DownloadProgressPosition(1000000, 10240), 102);  // 102.4 truncated
  EXPECT_EQ(DownloadProgressPosition(1000000, 1000000), 10000);
  EXPECT_EQ(DownloadProgressPosition(1000000, 999999), 9999);
  EXPECT_EQ(DownloadProgressPosition(0, 10240), 10000);  // no length: straight to the end
  EXPECT_EQ(DownloadProgressPosition(100, 150), 10000);  // more than announced
  EXPECT_EQ(DownloadProgressPosition(3, 1), 3333);
  EXPECT_EQ(DownloadProgressPosition(1000, 500, 100), 100);  // another bar's maximum
}

TEST(DownloadProgressPosition, DegenerateValuesStayOnTheBar) {
  EXPECT_EQ(DownloadProgressPosition(0, 0), 0);
  EXPECT_EQ(DownloadProgressPosition(1000, 0), 0);
  EXPECT_EQ(DownloadProgressPosition(-5, 100), 0);  // a length past 2 GiB read as negative
}

}  // namespace
}  // namespace storvane
