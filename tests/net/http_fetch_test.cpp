// The WinHTTP engine against the loopback servers: what goes on the wire, what comes back in
// each out parameter, and which message each failure leaves.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <climits>

#include "net/decode.h"
#include "net/http_fetch.h"
#include "server_test.h"
#include "support/process_memory.h"
#include "support/test_server.h"

using namespace storvane::net;
using storvane::Bytes;
using storvane::testsupport::PatternBytes;
using storvane::testsupport::RecordedRequest;
using storvane::testsupport::TestServer;
using storvane::testsupport::UnusedPort;

namespace {

const char kSendFailed[] = "711 发送请求失败!";
const char kNoResponse[] = "712 服务器未响应!";

class HttpFetchTest : public storvane::nettest::ServerTest {
protected:
  // The last request the server saw, or an empty record.
  RecordedRequest LastRequest() {
    auto log = server_.Requests();
    return log.empty() ? RecordedRequest{} : log.back();
  }
};

const std::vector<std::string> kDefaultGetHeaders = {
    "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)",
    "Accept: text/html, application/xhtml+xml, */*",
    "Accept-Encoding: gbk, GB2312",
    "Accept-Language: zh-cn",
    "Cache-Control: no-cache",
};

// ---- address ---------------------------------------------------------------------------------

TEST_F(HttpFetchTest, BareHostRequestsRoot) {
  std::string status;
  HttpFetch("http://127.0.0.1:" + std::to_string(server_.http), {.status_text = &status});
  EXPECT_EQ(OnlyRequest().target, "/");
  EXPECT_EQ(status, "404 Not Found");
}

TEST_F(HttpFetchTest, QueryWithoutPathIsDropped) {
  HttpFetch("http://127.0.0.1:" + std::to_string(server_.http) + "?a=1");
  EXPECT_EQ(OnlyRequest().target, "/");
}

TEST_F(HttpFetchTest, PathAndQueryAreSentAsGiven) {
  std::string status;
  std::string body = HttpFetch(server_.HttpUrl("/status/200?a=1&b=%41"), {.status_text = &status});
  EXPECT_EQ(OnlyRequest().target, "/status/200?a=1&b=%41");
  EXPECT_EQ(body, "status 200");
  EXPECT_EQ(status, "200 OK");
}

TEST_F(HttpFetchTest, UnparsableAddressIsFailure701) {
  std::string status = "untouched";
  EXPECT_EQ(HttpFetch("not an address", {.status_text = &status}), "");
  EXPECT_EQ(status, "701 解析URL地址失败!");
  EXPECT_EQ(HttpFetch(""), "");
}

// ---- request headers -------------------------------------------------------------------------

TEST_F(HttpFetchTest, GetSendsTheDefaultHeadersInOrder) {
  HttpFetch(server_.HttpUrl("/echo"));
  RecordedRequest r = OnlyRequest();
  EXPECT_EQ(r.method, "GET");
  EXPECT_EQ(EngineHeaders(r), kDefaultGetHeaders);
}

TEST_F(HttpFetchTest, PostAddsContentTypeBeforeCacheControl) {
  HttpFetch(server_.HttpUrl("/echo"), {.method = 1, .body_text = "a=1&b=2"});
  RecordedRequest r = OnlyRequest();
  EXPECT_EQ(r.method, "POST");
  std::vector<std::string> expected = kDefaultGetHeaders;
  expected.insert(expected.end() - 1, "Content-Type: application/x-www-form-urlencoded");
  EXPECT_EQ(EngineHeaders(r), expected);
  EXPECT_EQ(r.BodyText(), "a=1&b=2");
}

TEST_F(HttpFetchTest, MethodNumbersMapToNamesAndUnknownIsGet) {
  const char* names[] = {"GET", "POST", "HEAD", "PUT", "OPTIONS", "DELETE", "TRACE"};
  for (int m = 0; m < 7; ++m) HttpFetch(server_.HttpUrl("/status/200"), {.method = m});
  HttpFetch(server_.HttpUrl("/status/200"), {.method = 9});
  auto log = server_.Requests();
  ASSERT_EQ(log.size(), 8u);
  for (int m = 0; m < 7; ++m) EXPECT_EQ(log[m].method, names[m]);
  EXPECT_EQ(log[7].method, "GET");
}

TEST_F(HttpFetchTest, CallerHeaderSuppressesTheDefaultCaseInsensitively) {
  HttpFetch(server_.HttpUrl("/echo"), {.extra_headers = "user-agent: X\r\naccept: */*"});
  std::vector<std::string> h = EngineHeaders(OnlyRequest());
  ASSERT_GE(h.size(), 2u);
  EXPECT_EQ(h[0], "User-Agent: X");
  EXPECT_EQ(h[1], "Accept: */*");
  EXPECT_EQ(std::count_if(h.begin(), h.end(), [](const std::string& l) { return l.rfind("User-Agent", 0) == 0; }), 1);
  EXPECT_EQ(std::count_if(h.begin(), h.end(), [](const std::string& l) { return l.rfind("Accept:", 0) == 0; }), 1);
}

TEST_F(HttpFetchTest, WithoutNormalisationCallerNamesKeepTheirCase) {
  HttpFetch(server_.HttpUrl("/echo"),
            {.extra_headers = "x-lower: 1", .add_default_headers = false, .normalize_names = false});
  auto h = EngineHeaders(OnlyRequest());
  EXPECT_NE(std::find(h.begin(), h.end(), "x-lower: 1"), h.end());
}

TEST_F(HttpFetchTest, NoDefaultsSendsOnlyTheCookieLine) {
  std::string cookies = "a=1";
  HttpFetch(server_.HttpUrl("/echo"), {.cookies = &cookies, .add_default_headers = false});
  EXPECT_EQ(EngineHeaders(OnlyRequest()), (std::vector<std::string>{"Cookie: a=1"}));
}

TEST_F(HttpFetchTest, KeepAliveLineIsRemovedButCloseIsSent) {
  HttpFetch(server_.HttpUrl("/echo"), {.extra_headers = "connection: keep-alive\r\nX-A: 1"});
  RecordedRequest r = OnlyRequest();
  for (const std::string& line : r.headers) EXPECT_NE(line, "Connection: keep-alive");
  EXPECT_EQ(r.Header("X-A"), "1");

  ASSERT_TRUE(server_.Reset());
  HttpFetch(server_.HttpUrl("/echo"), {.extra_headers = "Connection: close"});
  EXPECT_EQ(OnlyRequest().Header("Connection"), "close");
}

TEST_F(HttpFetchTest, CookieTextBecomesACookieLine) {
  std::string cookies = "a=1; b=2";
  HttpFetch(server_.HttpUrl("/echo"), {.cookies = &cookies});
  EXPECT_EQ(OnlyRequest().Header("Cookie"), "a=1; b=2");

  ASSERT_TRUE(server_.Reset());
  std::string prefixed = "Cookie: a=1";
  HttpFetch(server_.HttpUrl("/echo"), {.cookies = &prefixed});
  EXPECT_EQ(OnlyRequest().Header("Cookie"), "a=1");
}

TEST_F(HttpFetchTest, CallerCookieLineWinsOverCookieText) {
  std::string cookies = "a=1";
  HttpFetch(server_.HttpUrl("/echo"), {.cookies = &cookies, .extra_headers = "cookie: z=9"});
  RecordedRequest r = OnlyRequest();
  EXPECT_EQ(r.Header("Cookie"), "z=9");
  EXPECT_EQ(
      std::count_if(r.headers.begin(), r.headers.end(), [](const std::string& l) { return l.rfind("Cookie", 0) == 0; }),
      1);
}

// ---- request body ----------------------------------------------------------------------------

TEST_F(HttpFetchTest, BodyDataWinsOverBodyTextAndKeepsZeroBytes) {
  const Bytes data = {'x', 0, 'y', 0xFF};
  HttpFetch(server_.HttpUrl("/echo"), {.method = 3, .body_text = "ignored", .body_data = data});
  RecordedRequest r = OnlyRequest();
  EXPECT_EQ(r.method, "PUT");
  EXPECT_EQ(r.body, data);
}

// ---- response ---------------------------------------------------------------------------------

TEST_F(HttpFetchTest, HttpErrorStatusIsNoFailure) {
  std::string status, headers;
  std::string body = HttpFetch(server_.HttpUrl("/status/404"), {.response_headers = &headers, .status_text = &status});
  EXPECT_EQ(body, "status 404");
  EXPECT_EQ(status, "404 Not Found");
  EXPECT_EQ(headers.rfind("HTTP/1.1 404 Not Found\r\n", 0), 0u);
  EXPECT_NE(headers.find("Content-Length: 10\r\n"), std::string::npos);
}

TEST_F(HttpFetchTest, ZeroByteEndsTheTextButNotTheBytes) {
  Bytes bytes;
  std::string text = HttpFetch(server_.HttpUrl("/respond?body_hex=4142004344"), {.body_bytes = &bytes});
  EXPECT_EQ(text, "AB");
  EXPECT_EQ(bytes, (Bytes{'A', 'B', 0, 'C', 'D'}));
}

TEST_F(HttpFetchTest, LargeAndChunkedBodiesArriveWhole) {
  Bytes bytes;
  HttpFetch(server_.HttpUrl("/bytes/3000000"), {.body_bytes = &bytes});
  EXPECT_EQ(bytes, PatternBytes(0, 3000000));
  Bytes chunked;
  std::string text = HttpFetch(server_.HttpUrl("/bytes/100000?chunked=1&ascii=1"), {.body_bytes = &chunked});
  EXPECT_EQ(chunked, PatternBytes(0, 100000, true));
  EXPECT_EQ(text.size(), 100000u);
}

TEST_F(HttpFetchTest, CutOffBodyKeepsWhatArrivedAndTheStatusLine) {
  Bytes bytes;
  std::string status;
  HttpFetch(server_.HttpUrl("/truncate?len=1000&send=500"), {.status_text = &status, .body_bytes = &bytes});
  EXPECT_EQ(bytes, PatternBytes(0, 500, true));
  EXPECT_EQ(status, "200 OK");

  Bytes gone;
  HttpFetch(server_.HttpUrl("/gone?send=300"), {.status_text = &status, .body_bytes = &gone});
  EXPECT_EQ(gone, PatternBytes(0, 300, true));
  EXPECT_EQ(status, "200 OK");
}

TEST_F(HttpFetchTest, SetCookieLinesAreCollectedExactlyAsNamed) {
  std::string received;
  HttpFetch(server_.HttpUrl("/respond?h=Set-Cookie:%20a=1;%20path=/&h=Set-Cookie:%20b=2&h=set-cookie:%20c=3"),
            {.received_cookies = &received});
  EXPECT_EQ(received, "a=1; b=2");
}

TEST_F(HttpFetchTest, ReceivedCookiesExtendWhatTheCallerHeld) {
  std::string received = "x=9";
  HttpFetch(server_.HttpUrl("/respond?h=Set-Cookie:%20a=1"), {.received_cookies = &received});
  EXPECT_EQ(received, "x=9a=1");
}

TEST_F(HttpFetchTest, SentAndReceivedCookiesAreMergedIntoBothVariables) {
  std::string cookies = "a=1; b=2", received;
  HttpFetch(server_.HttpUrl("/respond?h=Set-Cookie:%20b=3;%20path=/&h=Set-Cookie:%20c=4"),
            {.cookies = &cookies, .received_cookies = &received});
  EXPECT_EQ(received, "b=3; c=4; a=1");
  EXPECT_EQ(cookies, received);
}

// Cookies given over HTTPS switch no revocation check on (the test authority, like many, has no
// reachable revocation server). WinHTTP keeps no cookies of its own, so one set by a redirecting
// answer does not follow the caller's.
TEST_F(HttpFetchTest, OnlyTheCallersCookiesFollowARedirect) {
  std::string cookies = "a=1";
  HttpFetch(server_.HttpsUrl("/respond?status=302&h=Location:%20/status/200&h=Set-Cookie:%20s=2"),
            {.cookies = &cookies});
  auto log = server_.Requests();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[1].Header("Cookie"), "a=1");
}

TEST_F(HttpFetchTest, MergingOffLeavesTheCookieVariableAlone) {
  std::string cookies = "a=1", received;
  HttpFetch(server_.HttpUrl("/respond?h=Set-Cookie:%20b=3"),
            {.cookies = &cookies, .received_cookies = &received, .merge_cookie_jar = false});
  EXPECT_EQ(received, "b=3");
  EXPECT_EQ(cookies, "a=1");
}

TEST_F(HttpFetchTest, RedirectIsFollowedByDefault) {
  std::string status, location = "unset";
  std::string body =
      HttpFetch(server_.HttpUrl("/redirect?to=/status/201"), {.redirect_location = &location, .status_text = &status});
  EXPECT_EQ(body, "status 201");
  EXPECT_EQ(status, "201 Created");
  EXPECT_EQ(location, "unset");  // the final response has no Location line
  auto log = server_.Requests();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[1].target, "/status/201");
}

TEST_F(HttpFetchTest, NoRedirectReturnsThe302Itself) {
  std::string status, location;
  std::string body = HttpFetch(server_.HttpUrl("/redirect?to=/status/201"),
                               {.no_redirect = true, .redirect_location = &location, .status_text = &status});
  EXPECT_EQ(body, "redirecting");
  EXPECT_EQ(status, "302 Found");
  EXPECT_EQ(location, "/status/201");
  EXPECT_EQ(server_.Requests().size(), 1u);
}

TEST_F(HttpFetchTest, MetaCharsetPageIsReadInItsCharset) {
  // 中文 as UTF-8 in the query; the server encodes the page in the charset it declares.
  EXPECT_NE(HttpFetch(server_.HttpUrl("/meta?charset=utf-8&text=%E4%B8%AD%E6%96%87")).find("<body>中文</body>"),
            std::string::npos);
  EXPECT_NE(
      HttpFetch(server_.HttpUrl("/meta?charset=big5&form=bare&text=%E4%B8%AD%E6%96%87")).find("<body>中文</body>"),
      std::string::npos);
  // Declared gb2312: no re-read, and the GBK bytes are the text.
  EXPECT_NE(HttpFetch(server_.HttpUrl("/meta?charset=gb2312&text=%E4%B8%AD%E6%96%87")).find("<body>中文</body>"),
            std::string::npos);
}

TEST_F(HttpFetchTest, Utf8JsonWithByteOrderMarkGivesQuestionMarkBrace) {
  std::string text = Utf8ToLocal(HttpFetch(server_.HttpUrl("/bomjson?text=%7B%22a%22%3A%22%E4%B8%AD%22%7D")));
  EXPECT_EQ(text, "?{\"a\":\"中\"}");
}

// ---- time-outs -------------------------------------------------------------------------------

// The server sends half the body, pauses, then the rest: the receive time-out decides
// whether the rest is waited for.
TEST_F(HttpFetchTest, ShortTimeoutStopsWaitingForAStalledBody) {
  std::string status;
  Bytes bytes;
  const DWORD start = GetTickCount();
  EXPECT_EQ(HttpFetch(server_.HttpUrl("/slow?delay=3&stage=body&body=abcdef"),
                      {.timeout_seconds = 1, .status_text = &status, .body_bytes = &bytes}),
            "abc");
  EXPECT_EQ(bytes, (Bytes{'a', 'b', 'c'}));
  EXPECT_EQ(status, "200 OK");
  EXPECT_LT(GetTickCount() - start, 2800u);
}

TEST_F(HttpFetchTest, ZeroNegativeAndLongTimeoutsOutlastAStalledBody) {
  for (int seconds : {0, -5, 10, INT_MAX}) {
    EXPECT_EQ(HttpFetch(server_.HttpUrl("/slow?delay=2&stage=body&body=abcdef"), {.timeout_seconds = seconds}),
              "abcdef")
        << seconds;
  }
}

// ---- deadlines and size limits of the caller's own ---------------------------------------------

// Services that never finish: each call ends by its deadline as no response, the thread's window
// messages served meanwhile, and nothing of a body is handed out. (The server lets go a little
// later, so the requests left behind end on their threads instead of outliving the test.)
TEST_F(HttpFetchTest, DeadlineEndsServicesThatNeverFinish) {
  for (const char* path : {"/silent?hold=4", "/stall?hold=4", "/drip?len=4"}) {
    std::string status;
    Bytes bytes = {7};
    storvane::nettest::TimerTicks ticks;
    storvane::nettest::Stopwatch watch;
    EXPECT_EQ(HttpFetch(server_.HttpUrl(path), {.status_text = &status, .body_bytes = &bytes, .deadline_ms = 1500}), "")
        << path;
    EXPECT_GE(watch.ms(), 1400u) << path;
    EXPECT_LT(watch.ms(), 2500u) << path;
    EXPECT_GE(ticks.count(), 15) << path;
    EXPECT_EQ(status, kNoResponse) << path;
    EXPECT_EQ(bytes, Bytes{7}) << path;
  }
}

// Also: what an endless body took is given back (the first round loads and warms the engine).
TEST_F(HttpFetchTest, BodyPastTheLimitFailsAtOnceAndOneAtTheLimitArrives) {
  size_t before = 0;
  for (int round = 0; round < 2; ++round) {
    if (round == 1) before = storvane::testing::PrivateBytes();
    for (const char* framing : {"length", "chunked", "close"}) {
      std::string status;
      Bytes bytes = {7};
      storvane::nettest::Stopwatch watch;
      EXPECT_EQ(
          HttpFetch(server_.HttpUrl(std::string("/endless?framing=") + framing),
                    {.status_text = &status, .body_bytes = &bytes, .deadline_ms = 10000, .max_body_bytes = 4 << 20}),
          "")
          << framing;
      EXPECT_LT(watch.ms(), 5000u) << framing;
      EXPECT_NE(status, "200 OK") << framing;
      EXPECT_EQ(bytes, Bytes{7}) << framing;
    }
  }
  EXPECT_LE(storvane::testing::PrivateBytes(), before + before / 10) << "of " << before;
  Bytes bytes;
  HttpFetch(server_.HttpUrl("/bytes/300000?chunked=1"),
            {.body_bytes = &bytes, .deadline_ms = 5000, .max_body_bytes = 300000});
  EXPECT_EQ(bytes, PatternBytes(0, 300000));
}

// ---- failures ----------------------------------------------------------------------------------

TEST_F(HttpFetchTest, ClosedPortIsASendFailureAndLeavesOutParametersAlone) {
  std::string status, headers = "kept", location = "kept", received = "kept";
  Bytes bytes = {1, 2, 3};
  std::string text =
      HttpFetch("http://127.0.0.1:" + std::to_string(UnusedPort()) + "/x", {.received_cookies = &received,
                                                                            .response_headers = &headers,
                                                                            .redirect_location = &location,
                                                                            .status_text = &status,
                                                                            .body_bytes = &bytes});
  EXPECT_EQ(text, "");
  EXPECT_EQ(status, kSendFailed);
  EXPECT_EQ(headers, "kept");
  EXPECT_EQ(location, "kept");
  EXPECT_EQ(received, "kept");
  EXPECT_EQ(bytes, (Bytes{1, 2, 3}));
}

TEST_F(HttpFetchTest, ServerThatHangsUpIsFailure712) {
  std::string status;
  EXPECT_EQ(HttpFetch(server_.HttpUrl("/hangup"), {.status_text = &status}), "");
  EXPECT_EQ(status, kNoResponse);
}

TEST_F(HttpFetchTest, PendingWindowMessagesAreDispatched) {
  MSG msg;
  PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
  ASSERT_TRUE(PostThreadMessageW(GetCurrentThreadId(), WM_APP + 3, 0, 0));
  HttpFetch(server_.HttpUrl("/status/200"));
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_APP + 3, WM_APP + 3, PM_NOREMOVE));
}

// ---- credentials and proxies -------------------------------------------------------------------

TEST_F(HttpFetchTest, ServerCredentialsAreBasic) {
  std::string status;
  std::string body = HttpFetch(server_.HttpUrl("/auth/basic?user=u&pass=p"),
                               {.server_user = "u", .server_password = "p", .status_text = &status});
  EXPECT_EQ(body, "welcome");
  EXPECT_EQ(status, "200 OK");
  EXPECT_EQ(LastRequest().Header("Authorization"), "Basic dTpw");
}

// ---- certificates ------------------------------------------------------------------------------

TEST_F(HttpFetchTest, TrustedServerIsFetchedOverHttps) {
  std::string status;
  EXPECT_EQ(HttpFetch(server_.HttpsUrl("/status/200"), {.status_text = &status}), "status 200");
  EXPECT_EQ(status, "200 OK");
  EXPECT_TRUE(OnlyRequest().tls);
}

TEST_F(HttpFetchTest, CertificateProblemsAreRefused) {
  for (int port : {server_.https_untrusted, server_.https_wrong_name, server_.https_expired}) {
    std::string status;
    Bytes bytes = {9};
    EXPECT_EQ(HttpFetch(server_.UrlOn(true, port, "/status/200"), {.status_text = &status, .body_bytes = &bytes}), "")
        << port;
    EXPECT_EQ(status, kSendFailed) << port;
    EXPECT_EQ(bytes, Bytes{9});
  }
  EXPECT_TRUE(server_.Requests().empty());  // no request ever left the failed handshake
}

}  // namespace

// ---- the header block, where the wire cannot show it ------------------------------------------

TEST(BuildFetchHeaderBlock, KeepAliveIsRemovedOnlyWithItsCrlf) {
  EXPECT_EQ(BuildFetchHeaderBlock("connection: keep-alive\r\nX-A: 1", 0, false, true, ""), "X-A: 1");
  // As the last line of the normalised block it has no CRLF after it and stays.
  EXPECT_EQ(BuildFetchHeaderBlock("X-A: 1\r\nconnection: keep-alive", 0, false, true, ""),
            "X-A: 1\r\nConnection: keep-alive");
  EXPECT_EQ(BuildFetchHeaderBlock("Connection: close\r\nX-A: 1", 0, false, true, ""), "Connection: close\r\nX-A: 1");
}

TEST(BuildFetchHeaderBlock, CookieLineLayout) {
  EXPECT_EQ(BuildFetchHeaderBlock("", 0, false, true, "a=1; b=2"), "\r\nCookie: a=1; b=2\r\n");
  EXPECT_EQ(BuildFetchHeaderBlock("", 0, false, true, "Cookie: a=1"), "\r\nCookie: a=1\r\n");
  EXPECT_EQ(BuildFetchHeaderBlock("COOKIE: z=9", 0, false, true, "a=1"), "COOKIE: z=9");
  EXPECT_EQ(BuildFetchHeaderBlock("", 0, false, true, ""), "");
}

TEST(BuildFetchHeaderBlock, DefaultsAreAppendedWithCrlfAndNormalisedAway) {
  const std::string raw = BuildFetchHeaderBlock("", 1, true, false, "");
  EXPECT_EQ(raw.substr(raw.size() - 2), "\r\n");
  EXPECT_NE(raw.find("Content-Type: application/x-www-form-urlencoded\r\nCache-Control: no-cache\r\n"),
            std::string::npos);
  const std::string normal = BuildFetchHeaderBlock("", 1, true, true, "");
  EXPECT_EQ(normal, raw.substr(0, raw.size() - 2));
}
