// Request method numbers shared by both HTTP engines.
#pragma once

#include <string>

namespace storvane::net {

// 0 GET, 1 POST, 2 HEAD, 3 PUT, 4 OPTIONS, 5 DELETE, 6 TRACE, 7 CONNECT; any other number GET.
inline std::string MethodName(int method) {
  static const char* const kNames[] = {"GET", "POST", "HEAD", "PUT", "OPTIONS", "DELETE", "TRACE", "CONNECT"};
  return method >= 0 && method <= 7 ? kNames[method] : "GET";
}

constexpr int kMethodPost = 1;

}  // namespace storvane::net
