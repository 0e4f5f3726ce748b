// The loopback servers other tests rely on: the log must show requests exactly as sent, and
// the scripted routes must answer as documented, or every test built on them misleads.
#include <gtest/gtest.h>

#include <string>

#include "support/test_server.h"

using storvane::testsupport::PatternBytes;
using storvane::testsupport::TestServer;

namespace {

class TestServerTest : public ::testing::Test {
protected:
  void SetUp() override {
    auto loaded = TestServer::Load();
    ASSERT_TRUE(loaded) << "STORVANE_TEST_SERVER not set or ports file missing";
    server_ = *loaded;
    ASSERT_TRUE(server_.Reset());
  }
  TestServer server_;
};

TEST_F(TestServerTest, LogsRequestLineHeadersAndBodyAsSent) {
  auto reply = server_.Exchange("PUT", "/status/201?x=%41", std::string("a\0b", 3));
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->status, 201);
  auto log = server_.Requests();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].method, "PUT");
  EXPECT_EQ(log[0].target, "/status/201?x=%41");
  ASSERT_EQ(log[0].headers.size(), 3u);
  EXPECT_EQ(log[0].headers[0], "Host: 127.0.0.1:" + std::to_string(server_.http));
  EXPECT_EQ(log[0].Header("content-length"), "3");
  EXPECT_EQ(log[0].body, (std::vector<uint8_t>{'a', 0, 'b'}));
}

TEST_F(TestServerTest, ResetClearsTheLog) {
  ASSERT_TRUE(server_.Exchange("GET", "/echo"));
  ASSERT_EQ(server_.Requests().size(), 1u);
  ASSERT_TRUE(server_.Reset());
  EXPECT_TRUE(server_.Requests().empty());
}

TEST_F(TestServerTest, GeneratedBytesFollowThePattern) {
  auto reply = server_.Exchange("GET", "/bytes/600");
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->body, PatternBytes(0, 600));
  EXPECT_EQ(reply->body[251], 0);
  auto ascii = server_.Exchange("GET", "/bytes/40?ascii=1");
  ASSERT_TRUE(ascii);
  EXPECT_EQ(std::string(ascii->body.begin(), ascii->body.end()), "0123456789abcdefghijklmnopqrstuvwxyz0123");
}

TEST_F(TestServerTest, RespondRouteSendsTheGivenHeaderLines) {
  auto reply = server_.Exchange("GET", "/respond?status=302&reason=Found&h=Set-Cookie:%20a=1&h=Location:%20/x&body=hi");
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->status, 302);
  EXPECT_NE(reply->head.find("\r\nSet-Cookie: a=1\r\nLocation: /x\r\n"), std::string::npos);
  EXPECT_EQ(std::string(reply->body.begin(), reply->body.end()), "hi");
}

TEST_F(TestServerTest, ScriptedPathAnswersAsScripted) {
  ASSERT_TRUE(server_.Script("/api/x", R"({"status": 418, "reason": "Teapot", "body": "tea", "times": 1})"));
  auto first = server_.Exchange("GET", "/api/x");
  auto second = server_.Exchange("GET", "/api/x");
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->status, 418);
  EXPECT_EQ(std::string(first->body.begin(), first->body.end()), "tea");
  EXPECT_EQ(second->status, 404);
}

TEST_F(TestServerTest, HttpsPortsAreDistinct) {
  EXPECT_NE(server_.https, 0);
  EXPECT_NE(server_.https_untrusted, 0);
  EXPECT_NE(server_.https, server_.https_untrusted);
  EXPECT_EQ(server_.HttpsUrl("/a"), "https://127.0.0.1:" + std::to_string(server_.https) + "/a");
}

}  // namespace
