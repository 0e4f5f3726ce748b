// The engine over the WinHTTP request component: headers as set on the component, cookies,
// proxies, time-outs and certificate checks, observed at the loopback servers.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <climits>
#include <fstream>
#include <iterator>

#include "net/base64.h"
#include "net/request_object.h"
#include "server_test.h"
#include "support/test_server.h"
#include "util/com.h"

using namespace storvane::net;
using storvane::Bytes;
using storvane::testsupport::PatternBytes;
using storvane::testsupport::RecordedRequest;
using storvane::testsupport::TestServer;
using storvane::testsupport::UnusedPort;

namespace {

Bytes B(std::string_view s) { return Bytes(s.begin(), s.end()); }

class RequestObjectTest : public storvane::nettest::ServerTest {
protected:
  static int CountNamed(const RecordedRequest& r, std::string_view name) {
    return static_cast<int>(std::count_if(r.headers.begin(), r.headers.end(), [&](const std::string& l) {
      return l.size() > name.size() && l.compare(0, name.size(), name) == 0 && l[name.size()] == ':';
    }));
  }
};

TEST(Base64Encode, PadsToGroupsOfFour) {
  EXPECT_EQ(Base64Encode(B("abc")), "YWJj");
  EXPECT_EQ(Base64Encode(B("ab")), "YWI=");
  EXPECT_EQ(Base64Encode(B("a")), "YQ==");
  EXPECT_EQ(Base64Encode({}), "");
  EXPECT_EQ(Base64Encode({0xFB, 0xFF, 0x00}), "+/8A");
  EXPECT_EQ(Base64Encode(B("user:")), "dXNlcjo=");
}

TEST(BuildRequestObjectHeaderBlock, DefaultLinesStartWithCrlf) {
  EXPECT_EQ(BuildRequestObjectHeaderBlock("", 0, "http://h/i.png", true, false),
            "\r\nAccept: */*\r\nReferer: http://h/i.png\r\nAccept-Language: zh-cn"
            "\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)");
  // Normalising drops the empty first line.
  EXPECT_EQ(BuildRequestObjectHeaderBlock("", 1, "u", true, true),
            "Accept: */*\r\nReferer: u\r\nAccept-Language: zh-cn"
            "\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)"
            "\r\nContent-Type: application/x-www-form-urlencoded");
  EXPECT_EQ(BuildRequestObjectHeaderBlock("referer: r\r\naccept: x", 0, "u", true, true),
            "Referer: r\r\nAccept: x\r\nAccept-Language: zh-cn"
            "\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)");
}

TEST_F(RequestObjectTest, IconFetchWithOnlyTheAddress) {
  ASSERT_FALSE(server_.serve_dir.empty());
  std::ifstream file("Z:" + server_.serve_dir + "/storvane.ico", std::ios::binary);
  ASSERT_TRUE(file);
  const Bytes icon((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const std::string url = server_.HttpUrl("/files/storvane.ico");

  EXPECT_EQ(RequestObjectFetch(url), icon);
  RecordedRequest r = OnlyRequest();
  EXPECT_EQ(r.method, "GET");
  EXPECT_EQ(EngineHeaders(r), (std::vector<std::string>{
                                  "Accept: */*",
                                  "Referer: " + url,
                                  "Accept-Language: zh-cn",
                                  "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)",
                              }));
}

TEST_F(RequestObjectTest, StatusAndHeadersOfAnErrorResponse) {
  int status = -1;
  std::string headers;
  Bytes body =
      RequestObjectFetch(server_.HttpUrl("/status/404"), {.response_headers = &headers, .status_code = &status});
  EXPECT_EQ(body, B("status 404"));
  EXPECT_EQ(status, 404);
  EXPECT_NE(headers.find("Content-Length: 10\r\n"), std::string::npos);
}

TEST_F(RequestObjectTest, PostSendsBodyAndContentType) {
  RequestObjectFetch(server_.HttpUrl("/echo"), {.method = 1, .body_text = "a=1"});
  RecordedRequest r = OnlyRequest();
  EXPECT_EQ(r.method, "POST");
  EXPECT_EQ(r.BodyText(), "a=1");
  EXPECT_EQ(r.Header("Content-Type"), "application/x-www-form-urlencoded");
}

TEST_F(RequestObjectTest, BodyDataWinsAndKeepsZeroBytes) {
  const Bytes data = {'x', 0, 'y', 0x80};
  RequestObjectFetch(server_.HttpUrl("/echo"), {.method = 3, .body_text = "ignored", .body_data = data});
  RecordedRequest r = OnlyRequest();
  EXPECT_EQ(r.method, "PUT");
  EXPECT_EQ(r.body, data);
}

TEST_F(RequestObjectTest, MethodOutsideTheTableIsGet) {
  RequestObjectFetch(server_.HttpUrl("/status/200"), {.method = 12});
  RequestObjectFetch(server_.HttpUrl("/status/200"), {.method = -1});
  auto log = server_.Requests();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].method, "GET");
  EXPECT_EQ(log[1].method, "GET");
}

TEST_F(RequestObjectTest, ZeroBytesInTheResponseAreKept) {
  EXPECT_EQ(RequestObjectFetch(server_.HttpUrl("/bytes/1000")), PatternBytes(0, 1000));
}

// ---- cookies -----------------------------------------------------------------------------------

TEST_F(RequestObjectTest, CookiesNotGivenSendNoCookieHeaderAndNoMerge) {
  std::string received = "stale";
  RequestObjectFetch(server_.HttpUrl("/respond?h=Set-Cookie:%20a=1;%20path=/&h=Set-Cookie:%20b=2"),
                     {.received_cookies = &received});
  EXPECT_EQ(CountNamed(OnlyRequest(), "Cookie"), 0);
  EXPECT_EQ(received, "a=1; b=2");  // cleared first, then filled
}

TEST_F(RequestObjectTest, CookiesGivenEmptyAreMergedWithTheResponse) {
  std::string cookies, received;
  RequestObjectFetch(server_.HttpUrl("/respond?h=Set-Cookie:%20c=3&h=set-cookie:%20d=4"),
                     {.cookies = &cookies, .received_cookies = &received});
  EXPECT_EQ(received, "c=3");
  EXPECT_EQ(cookies, "c=3");
}

TEST_F(RequestObjectTest, CookiePrefixIsRemovedFromTheCallersVariable) {
  std::string cookies = "Cookie: a=1", received;
  RequestObjectFetch(server_.HttpUrl("/echo"),
                     {.cookies = &cookies, .received_cookies = &received, .merge_cookie_jar = false});
  EXPECT_EQ(cookies, " a=1");
  EXPECT_EQ(OnlyRequest().Header("Cookie"), "a=1");
}

TEST_F(RequestObjectTest, SentAndReceivedCookiesAreMerged) {
  std::string cookies = "a=1; b=2", received;
  RequestObjectFetch(server_.HttpUrl("/respond?h=Set-Cookie:%20b=3&h=Set-Cookie:%20a=deleted"),
                     {.cookies = &cookies, .received_cookies = &received});
  EXPECT_EQ(OnlyRequest().Header("Cookie"), "a=1; b=2");
  EXPECT_EQ(received, "b=3");
  EXPECT_EQ(cookies, "b=3");
}

// ---- header lines ------------------------------------------------------------------------------

TEST_F(RequestObjectTest, KeepAliveIsNotPassedButCloseIs) {
  RequestObjectFetch(server_.HttpUrl("/echo"), {.extra_headers = "Connection: keep-alive\r\nX-A: 1"});
  RecordedRequest r = OnlyRequest();
  EXPECT_EQ(r.Header("X-A"), "1");
  for (const std::string& line : r.headers) EXPECT_NE(line, "Connection: keep-alive");

  ASSERT_TRUE(server_.Reset());
  RequestObjectFetch(server_.HttpUrl("/echo"), {.extra_headers = "Connection: close\r\nX-A: 1"});
  EXPECT_EQ(OnlyRequest().Header("Connection"), "close");
}

TEST_F(RequestObjectTest, SingleLineWithoutCrlfIsSetOnce) {
  RequestObjectFetch(server_.HttpUrl("/echo"), {.extra_headers = "x-a: 1", .add_default_headers = false});
  RecordedRequest r = OnlyRequest();
  EXPECT_EQ(r.Header("X-A"), "1");
  EXPECT_EQ(r.Header("Referer"), std::nullopt);
  EXPECT_EQ(r.Header("Accept-Language"), std::nullopt);
}

// ---- redirects and time-outs -------------------------------------------------------------------

TEST_F(RequestObjectTest, RedirectsFollowUnlessSwitchedOff) {
  int status = 0;
  EXPECT_EQ(RequestObjectFetch(server_.HttpUrl("/redirect?to=/status/201"), {.status_code = &status}), B("status 201"));
  EXPECT_EQ(status, 201);
  EXPECT_EQ(
      RequestObjectFetch(server_.HttpUrl("/redirect?to=/status/201"), {.status_code = &status, .no_redirect = true}),
      B("redirecting"));
  EXPECT_EQ(status, 302);
}

// A short time-out cannot be shown here: the test platform's component hands only the resolve
// time-out on to its connection. What is checked is that no setting cuts a slow answer short.
TEST_F(RequestObjectTest, DefaultAndComponentTimeoutsOutlastAStalledBody) {
  for (int seconds : {-1, 0, -7, 20, INT_MAX}) {
    EXPECT_EQ(RequestObjectFetch(server_.HttpUrl("/slow?delay=2&stage=body&body=abcdef"), {.timeout_seconds = seconds}),
              B("abcdef"))
        << seconds;
  }
}

// ---- proxies -------------------------------------------------------------------------------------

// The proxy is this same server, so the request arrives whether the component goes through the
// proxy (an absolute-URI request) or, as the test platform's component does, ignores it.
TEST_F(RequestObjectTest, ProxyRequestCarriesBasicCredentials) {
  int status = 0;
  Bytes body = RequestObjectFetch(server_.HttpUrl("/status/200"), {.status_code = &status,
                                                                   .proxy = "127.0.0.1:" + std::to_string(server_.http),
                                                                   .proxy_user = "pu",
                                                                   .proxy_password = "pw"});
  EXPECT_EQ(body, B("status 200"));
  EXPECT_EQ(status, 200);
  auto log = server_.Requests();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.front().Header("Proxy-Authorization"), "Basic cHU6cHc=");
}

TEST_F(RequestObjectTest, NoProxyMeansNoProxyCredentials) {
  RequestObjectFetch(server_.HttpUrl("/status/200"), {.proxy_user = "pu", .proxy_password = "pw"});
  EXPECT_EQ(OnlyRequest().Header("Proxy-Authorization"), std::nullopt);
}

TEST_F(RequestObjectTest, EmptyProxyPasswordStillSendsUserAndColon) {
  RequestObjectFetch(server_.HttpUrl("/status/200"),
                     {.proxy = "127.0.0.1:" + std::to_string(server_.http), .proxy_user = "pu"});
  auto log = server_.Requests();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.front().Header("Proxy-Authorization"), "Basic cHU6");
}

// ---- the caller's object -------------------------------------------------------------------------

TEST_F(RequestObjectTest, CallersObjectIsUsedAndKeepsItsState) {
  storvane::ComInit com;
  storvane::ComPtr<IDispatch> object = storvane::CreateObject("WinHttp.WinHttpRequest.5.1");
  ASSERT_TRUE(object);
  EXPECT_EQ(RequestObjectFetch(server_.HttpUrl("/status/203"), {.request_object = object.get()}), B("status 203"));
  // The response stays readable on the caller's object after the call.
  EXPECT_EQ(storvane::GetProperty(object.get(), "Status").ToInt(), 203);
}

TEST_F(RequestObjectTest, SharedObjectGivesNothingOfTheLastRequestWhenAnAddressCannotBeOpened) {
  storvane::ComInit com;
  storvane::ComPtr<IDispatch> object = storvane::CreateObject("WinHttp.WinHttpRequest.5.1");
  ASSERT_TRUE(object);
  int status = -1;
  std::string headers;
  EXPECT_EQ(RequestObjectFetch(server_.HttpUrl("/status/203"), {.request_object = object.get()}), B("status 203"));
  EXPECT_TRUE(RequestObjectFetch("gopher://127.0.0.1/icon.png",
                                 {.response_headers = &headers, .status_code = &status, .request_object = object.get()})
                  .empty());
  EXPECT_EQ(status, 0);
  EXPECT_EQ(headers, "");
  EXPECT_EQ(RequestObjectFetch(server_.HttpUrl("/status/200"), {.request_object = object.get()}), B("status 200"));
}

// ---- failures and certificates -------------------------------------------------------------------

TEST_F(RequestObjectTest, UnreachableHostGivesEmptyResults) {
  int status = -1;
  std::string headers = "kept", received = "kept";
  Bytes body =
      RequestObjectFetch("http://127.0.0.1:" + std::to_string(UnusedPort()) + "/x",
                         {.received_cookies = &received, .response_headers = &headers, .status_code = &status});
  EXPECT_TRUE(body.empty());
  EXPECT_EQ(status, 0);
  EXPECT_EQ(headers, "");
  EXPECT_EQ(received, "");
}

TEST_F(RequestObjectTest, TrustedServerIsFetchedOverHttps) {
  int status = 0;
  EXPECT_EQ(RequestObjectFetch(server_.HttpsUrl("/status/200"), {.status_code = &status}), B("status 200"));
  EXPECT_EQ(status, 200);
  EXPECT_TRUE(OnlyRequest().tls);
}

TEST_F(RequestObjectTest, CertificateProblemsAreRefused) {
  for (int port : {server_.https_untrusted, server_.https_wrong_name, server_.https_expired}) {
    int status = -1;
    EXPECT_TRUE(RequestObjectFetch(server_.UrlOn(true, port, "/status/200"), {.status_code = &status}).empty()) << port;
    EXPECT_EQ(status, 0) << port;
  }
  EXPECT_TRUE(server_.Requests().empty());
}

}  // namespace
