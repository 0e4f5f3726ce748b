#include "reset_server.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace storvane::fakes {

ResettingServer::ResettingServer(std::string body, size_t sendBytes) : body_(std::move(body)), sendBytes_(sendBytes) {
  WSADATA data;
  if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) return;
  SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  int length = sizeof address;
  if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(s, 8) != 0 ||
      ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ::closesocket(s);
    return;
  }
  listener_ = s;
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Serve(); });
}

ResettingServer::~ResettingServer() {
  stopping_ = true;
  if (listener_ != ~uintptr_t{0}) ::closesocket(static_cast<SOCKET>(listener_));
  if (thread_.joinable()) thread_.join();
  ::WSACleanup();
}

std::string ResettingServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void ResettingServer::Serve() {
  while (!stopping_) {
    SOCKET client = ::accept(static_cast<SOCKET>(listener_), nullptr, nullptr);
    if (client == INVALID_SOCKET) return;
    ++connections_;
    std::string request;
    char buffer[2048];
    while (request.find("\r\n\r\n") == std::string::npos) {
      const int got = ::recv(client, buffer, sizeof buffer, 0);
      if (got <= 0) break;
      request.append(buffer, static_cast<size_t>(got));
    }
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nConnection: close\r\n\r\n";
    std::string answer = head + body_.substr(0, sendBytes_);
    size_t sent = 0;
    while (sent < answer.size()) {
      const int n = ::send(client, answer.data() + sent, static_cast<int>(answer.size() - sent), 0);
      if (n <= 0) break;
      sent += static_cast<size_t>(n);
    }
    ::Sleep(200);  // let the part arrive before the reset
    // A zero linger time makes the close a reset instead of an orderly end of stream.
    linger hard{1, 0};
    ::setsockopt(client, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard), sizeof hard);
    ::closesocket(client);
  }
}

}  // namespace storvane::fakes
