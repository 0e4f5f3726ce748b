// A loopback server for one failure the shared test servers cannot produce: an answer without
// Content-Length whose connection is reset in the middle of the body (no orderly close first),
// as when a server process dies during a download. Serves every connection that way until it
// is destroyed.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

namespace storvane::fakes {

class ResettingServer {
public:
  // Sends the first `sendBytes` bytes of `body`, then resets the connection.
  ResettingServer(std::string body, size_t sendBytes);
  ~ResettingServer();
  ResettingServer(const ResettingServer&) = delete;
  ResettingServer& operator=(const ResettingServer&) = delete;

  bool ok() const { return port_ != 0; }
  std::string Url(const std::string& path) const;
  int connections() const { return connections_.load(); }

private:
  void Serve();

  std::string body_;
  size_t sendBytes_;
  uintptr_t listener_ = ~uintptr_t{0};
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<int> connections_{0};
  std::thread thread_;
};

}  // namespace storvane::fakes
