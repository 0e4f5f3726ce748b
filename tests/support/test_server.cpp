#include "support/test_server.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace storvane::testsupport {
namespace {

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::string Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return std::string(s.substr(b, e - b));
}

// Host paths from the fixture reach a Windows process as-is; Wine maps them under Z:.
std::string ToWindowsPath(std::string path) {
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

class WinsockSession {
public:
  WinsockSession() { ok_ = WSAStartup(MAKEWORD(2, 2), &data_) == 0; }
  ~WinsockSession() {
    if (ok_) WSACleanup();
  }
  WinsockSession(const WinsockSession&) = delete;
  WinsockSession& operator=(const WinsockSession&) = delete;
  bool ok() const { return ok_; }

private:
  WSADATA data_{};
  bool ok_ = false;
};

class Socket {
public:
  explicit Socket(SOCKET s) : s_(s) {}
  ~Socket() {
    if (s_ != INVALID_SOCKET) closesocket(s_);
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  SOCKET get() const { return s_; }

private:
  SOCKET s_;
};

std::optional<std::string> RoundTrip(int port, const std::string& request) {
  WinsockSession wsa;
  if (!wsa.ok()) return std::nullopt;
  Socket s(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  if (s.get() == INVALID_SOCKET) return std::nullopt;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<u_short>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(s.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) return std::nullopt;
  size_t sent = 0;
  while (sent < request.size()) {
    int n = send(s.get(), request.data() + sent, static_cast<int>(request.size() - sent), 0);
    if (n <= 0) return std::nullopt;
    sent += static_cast<size_t>(n);
  }
  std::string reply;
  char buf[65536];
  for (;;) {
    int n = recv(s.get(), buf, sizeof buf, 0);
    if (n < 0) return std::nullopt;
    if (n == 0) break;
    reply.append(buf, static_cast<size_t>(n));
  }
  return reply;
}

// Reads "<word> <n>\r\n" style lines of the framed log.
bool ReadLine(const std::string& data, size_t& pos, std::string& line) {
  size_t end = data.find("\r\n", pos);
  if (end == std::string::npos) return false;
  line = data.substr(pos, end - pos);
  pos = end + 2;
  return true;
}

}  // namespace

std::optional<std::string> RecordedRequest::Header(std::string_view name) const {
  std::string wanted = Lower(name);
  for (const std::string& line : headers) {
    size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    if (Lower(Trim(std::string_view(line).substr(0, colon))) == wanted) {
      return Trim(std::string_view(line).substr(colon + 1));
    }
  }
  return std::nullopt;
}

std::vector<std::string> RecordedRequest::HeaderNames() const {
  std::vector<std::string> names;
  for (const std::string& line : headers) names.push_back(Trim(line.substr(0, line.find(':'))));
  return names;
}

std::optional<TestServer> TestServer::Load() {
  const char* dir = std::getenv("STORVANE_TEST_SERVER");
  if (!dir || !*dir) return std::nullopt;
  TestServer server;
  server.state_dir = dir;
  std::ifstream in(ToWindowsPath(std::string(dir) + "/ports.txt"));
  if (!in) return std::nullopt;
  std::string line;
  while (std::getline(in, line)) {
    size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    int number = std::atoi(value.c_str());
    if (key == "http")
      server.http = number;
    else if (key == "https")
      server.https = number;
    else if (key == "https_untrusted")
      server.https_untrusted = number;
    else if (key == "https_wrong_name")
      server.https_wrong_name = number;
    else if (key == "https_expired")
      server.https_expired = number;
    else if (key == "serve_dir")
      server.serve_dir = value;
  }
  if (server.http == 0) return std::nullopt;
  return server;
}

std::string TestServer::UrlOn(bool secure, int port, std::string_view path_and_query) const {
  return std::string(secure ? "https" : "http") + "://127.0.0.1:" + std::to_string(port) + std::string(path_and_query);
}

std::string TestServer::HttpUrl(std::string_view path_and_query) const { return UrlOn(false, http, path_and_query); }

std::string TestServer::HttpsUrl(std::string_view path_and_query) const { return UrlOn(true, https, path_and_query); }

std::optional<RawResponse> TestServer::Exchange(std::string_view method, std::string_view target,
                                                std::string_view body) const {
  std::string request =
      std::string(method) + " " + std::string(target) + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(http) +
      "\r\nConnection: close\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + std::string(body);
  auto reply = RoundTrip(http, request);
  if (!reply) return std::nullopt;
  size_t split = reply->find("\r\n\r\n");
  if (split == std::string::npos) return std::nullopt;
  RawResponse out;
  out.head = reply->substr(0, split);
  out.body.assign(reply->begin() + static_cast<std::ptrdiff_t>(split) + 4, reply->end());
  if (out.head.size() > 12) out.status = std::atoi(out.head.c_str() + 9);
  return out;
}

std::vector<RecordedRequest> TestServer::Requests(int since) const {
  std::vector<RecordedRequest> out;
  auto reply = Exchange("GET", "/__requests.txt?since=" + std::to_string(since));
  if (!reply || reply->status != 200) return out;
  std::string data(reply->body.begin(), reply->body.end());
  size_t pos = 0;
  std::string line;
  if (!ReadLine(data, pos, line)) return out;
  int count = 0;
  std::sscanf(line.c_str(), "COUNT %d", &count);
  for (int i = 0; i < count; ++i) {
    RecordedRequest r;
    int tls = 0, proxied = 0;
    if (!ReadLine(data, pos, line) || std::sscanf(line.c_str(), "REQUEST %d %d %d", &r.id, &tls, &proxied) != 3) break;
    r.tls = tls != 0;
    r.proxied = proxied != 0;
    if (!ReadLine(data, pos, line)) break;
    size_t sp1 = line.find(' '), sp2 = line.rfind(' ');
    r.method = line.substr(0, sp1);
    r.target = line.substr(sp1 + 1, sp2 - sp1 - 1);
    r.version = line.substr(sp2 + 1);
    int header_count = 0;
    if (!ReadLine(data, pos, line) || std::sscanf(line.c_str(), "HEADERS %d", &header_count) != 1) break;
    for (int h = 0; h < header_count && ReadLine(data, pos, line); ++h) r.headers.push_back(line);
    size_t body_len = 0;
    if (!ReadLine(data, pos, line) || std::sscanf(line.c_str(), "BODY %zu", &body_len) != 1) break;
    if (pos + body_len + 2 > data.size()) break;
    r.body.assign(data.begin() + static_cast<std::ptrdiff_t>(pos),
                  data.begin() + static_cast<std::ptrdiff_t>(pos + body_len));
    pos += body_len + 2;
    out.push_back(std::move(r));
  }
  return out;
}

bool TestServer::Reset() const {
  auto reply = Exchange("POST", "/__reset");
  return reply && reply->status == 200;
}

bool TestServer::Script(std::string_view path, std::string_view json) const {
  auto reply = Exchange("POST", "/__script?path=" + UrlEncode(path), json);
  return reply && reply->status == 200;
}

bool TestServer::RequireProxyAuth(std::string_view user_colon_password) const {
  auto reply = Exchange("POST", "/__config?proxy_auth=" + UrlEncode(user_colon_password));
  return reply && reply->status == 200;
}

std::vector<uint8_t> PatternBytes(std::size_t start, std::size_t count, bool ascii) {
  static const char kAlphabet[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::vector<uint8_t> out(count);
  for (std::size_t i = 0; i < count; ++i) {
    std::size_t k = start + i;
    out[i] = ascii ? static_cast<uint8_t>(kAlphabet[k % 36]) : static_cast<uint8_t>(k % 251);
  }
  return out;
}

std::string UrlEncode(std::string_view bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
        c == '.' || c == '~' || c == '/') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

int UnusedPort() {
  WinsockSession wsa;
  if (!wsa.ok()) return 0;
  Socket s(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(s.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) return 0;
  int len = sizeof addr;
  if (getsockname(s.get(), reinterpret_cast<sockaddr*>(&addr), &len) != 0) return 0;
  return ntohs(addr.sin_port);
}

}  // namespace storvane::testsupport
