// A release as a vendor ships it (tools/publish.py, served by nginx; see
// published_service_fixture.sh), read back with the product's own engines: each answer's
// signature must verify over the exact bytes that arrived, and each download must match the
// digest and size its answer names.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "net/decode.h"
#include "net/http_fetch.h"
#include "net/request_object.h"
#include "support/scratch_folder.h"
#include "util/crypto.h"
#include "util/json_document.h"
#include "util/small_file.h"
#include "util/text.h"

using namespace storvane;

namespace {

class PublishedService : public ::testing::Test {
protected:
  void SetUp() override {
    const char* dir = std::getenv("STORVANE_PUBLISHED_SERVICE");
    ASSERT_NE(dir, nullptr);
    state_ = "Z:" + std::string(dir);
    const std::string port = Read("/nginx/port");
    base_ = "http://127.0.0.1:" + port.substr(0, port.find('\n'));
    key_ = ParsePublicKey(Read("/key/public.txt")).value_or(std::vector<uint8_t>{});
    ASSERT_EQ(key_.size(), 64u);
  }

  std::string Read(const std::string& name) {
    const std::string path = state_ + name;
    return ReadSmallFile(std::wstring(path.begin(), path.end())).value_or("");
  }

  // Fetches an answer and its signature; the answer's bytes as they came, once verified.
  Bytes SignedAnswer(const std::string& path) {
    Bytes body;
    std::string status, headers;
    net::HttpFetch(base_ + path, {.response_headers = &headers, .status_text = &status, .body_bytes = &body});
    EXPECT_EQ(status, "200 OK") << path;
    EXPECT_NE(headers.find("Content-Type: application/json"), std::string::npos) << headers;
    const Bytes signature = net::RequestObjectFetch(base_ + path + ".sig");
    EXPECT_TRUE(VerifyEcdsaP256(key_, body, signature)) << path;
    Bytes changed = body;
    changed[changed.size() / 2] ^= 0x20;
    EXPECT_FALSE(VerifyEcdsaP256(key_, changed, signature)) << path;
    return body;
  }

  // Reads the answer the way the launcher does: it names itself and expires 30 days after its
  // publication. Then fetches every download it names into a file and checks it there.
  void DownloadsMatch(const Bytes& body, const std::string& name, int expectedEntries) {
    JsonDocument document = CreateJsonDocument();
    const std::string text(body.begin(), body.end());
    ASSERT_TRUE(document.Parse(ReplaceText(net::Utf8ToLocal(text), "?{", "{"), false));
    EXPECT_EQ(document.GetText("answer", false), name);
    EXPECT_EQ(std::stoll(document.GetText("expires", false)) - std::stoll(document.GetText("published", false)),
              30 * 86400);
    ASSERT_EQ(document.GetCount("data"), expectedEntries);
    testsupport::ScratchFolder folder(L"published");
    for (int k = 0; k < expectedEntries; ++k) {
      const std::string entry = "data[" + std::to_string(k) + "].";
      const std::string url = document.GetText(entry + "soft_down", false);
      ASSERT_EQ(url.rfind(base_ + "/download/", 0), 0u) << url;
      const Bytes file = net::RequestObjectFetch(url);
      EXPECT_EQ(std::to_string(file.size()), document.GetText(entry + "soft_size", false)) << url;
      const std::wstring path = folder / (L"download" + std::to_wstring(k));
      ASSERT_TRUE(ReplaceSmallFile(path, {reinterpret_cast<const char*>(file.data()), file.size()}));
      const auto expected = ParseSha256Hex(document.GetText(entry + "soft_sha256", false));
      ASSERT_TRUE(expected) << url;
      EXPECT_EQ(Sha256OfFile(path), expected) << url;
    }
  }

  std::string state_, base_;
  std::vector<uint8_t> key_;
};

}  // namespace

TEST_F(PublishedService, CatalogueIsSignedAndItsDownloadsMatch) {
  const Bytes body = SignedAnswer("/api/group/zor");
  ASSERT_GE(body.size(), 3u);
  EXPECT_EQ(Bytes(body.begin(), body.begin() + 3), (Bytes{0xEF, 0xBB, 0xBF}));  // signed with its mark
  DownloadsMatch(body, "zor", 3);
}

TEST_F(PublishedService, LauncherAnswerIsSignedAndItsDownloadMatches) {
  DownloadsMatch(SignedAnswer("/api/single/storvane"), "storvane", 1);
}
