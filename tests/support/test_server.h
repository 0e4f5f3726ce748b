// Test-side access to the loopback test servers started by a CTest fixture
// (tests/support/support.cmake, storvane_test_server_fixture). The fixture passes the server's
// state folder in STORVANE_TEST_SERVER; Load() reads the ports from it.
//
//   auto server = storvane::testsupport::TestServer::Load();
//   ASSERT_TRUE(server);
//   server->Reset();
//   ... drive the code under test against server->HttpUrl("/status/404") ...
//   auto log = server->Requests();            // what reached the server, as sent
//   EXPECT_EQ(log.at(0).target, "/status/404");
//
// The log and control requests go over a plain socket, independent of the HTTP code under test.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace storvane::testsupport {

struct RecordedRequest {
  int id = 0;
  bool tls = false;      // arrived on one of the HTTPS ports
  bool proxied = false;  // absolute-URI or CONNECT request: the server acted as a proxy
  std::string method;
  std::string target;  // raw request target as sent (path and query, or absolute URI)
  std::string version;
  std::vector<std::string> headers;  // header lines in the order sent, without CRLF
  std::vector<uint8_t> body;

  // Value of the first header with that name (case-insensitive), trimmed; nullopt if absent.
  std::optional<std::string> Header(std::string_view name) const;
  // Header names in the order sent.
  std::vector<std::string> HeaderNames() const;
  std::string BodyText() const { return std::string(body.begin(), body.end()); }
};

struct RawResponse {
  int status = 0;
  std::string head;  // status line and header lines
  std::vector<uint8_t> body;
};

class TestServer {
public:
  int http = 0;
  int https = 0;
  int https_untrusted = 0;
  int https_wrong_name = 0;
  int https_expired = 0;
  std::string serve_dir;  // host path of the folder served under /files/
  std::string state_dir;  // as given in STORVANE_TEST_SERVER

  // Reads the ports of the fixture's server; nullopt when the variable or the file is missing.
  static std::optional<TestServer> Load();

  std::string HttpUrl(std::string_view path_and_query) const;
  std::string HttpsUrl(std::string_view path_and_query) const;
  std::string UrlOn(bool secure, int port, std::string_view path_and_query) const;

  // The requests received since the last Reset (or with an id above `since`).
  std::vector<RecordedRequest> Requests(int since = 0) const;
  // Clears the log and the scripted responses.
  bool Reset() const;
  // Scripts the answer for one path; `json` is the body of POST /__script.
  bool Script(std::string_view path, std::string_view json) const;
  // Makes every proxy request (absolute URI or CONNECT) need these Basic credentials ("u:p");
  // Reset clears it.
  bool RequireProxyAuth(std::string_view user_colon_password) const;

  // Minimal HTTP/1.1 exchange on the plain port over a raw socket.
  std::optional<RawResponse> Exchange(std::string_view method, std::string_view target,
                                      std::string_view body = {}) const;
};

// The bytes of /bytes/<n>: byte i is i % 251, or with `ascii` the alphabet 0-9a-z repeated.
std::vector<uint8_t> PatternBytes(std::size_t start, std::size_t count, bool ascii = false);

// Percent-encodes UTF-8 or any bytes for a query value.
std::string UrlEncode(std::string_view bytes);

// A loopback port that nothing listens on (bound once, then released).
int UnusedPort();

}  // namespace storvane::testsupport
