// One synchronous HTTP or HTTPS request through the system's WinHTTP request COM component
// ("WinHttp.WinHttpRequest.5.1"), returning the body as bytes. Nothing is reported: a failing
// member call yields its empty value and the steps after it still run. Server certificates are
// always verified.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>
#include <string_view>

#include "util/text.h"

namespace storvane::net {

// The optional parameters in their positional order. Pointer members are the caller's
// variables; null means the parameter was left out, which for `cookies` and `request_object`
// changes what the call does.
struct RequestObjectOptions {
  int method = 0;                           // 0..7 as for HttpFetch; other values count as 0
  std::string body_text = {};               // request body when body_data is empty
  std::string* cookies = nullptr;           // given: sent as the Cookie header and merged
  std::string* received_cookies = nullptr;  // out: cleared, then the response's cookies
  std::string extra_headers = {};           // caller's header lines, CRLF-separated
  std::string* response_headers = nullptr;  // out: all response headers
  int* status_code = nullptr;               // out: HTTP status number, 0 when there is none
  bool no_redirect = false;
  Bytes body_data = {};     // request body; wins over body_text when non-empty
  std::string proxy = {};   // proxy server text; empty: the component's default
  int timeout_seconds = 0;  // -1: component's own; below 1: 15 s; else seconds, at most 2147483
  std::string proxy_user = {};
  std::string proxy_password = {};
  int credential_flags = 1;             // SetCredentials flags; 1: the proxy's
  IDispatch* request_object = nullptr;  // an existing request object to use (shared)
  bool merge_cookie_jar = true;
  bool add_default_headers = true;
  bool normalize_names = true;
};

// The response body; empty when no request object could be made or no body came back.
Bytes RequestObjectFetch(std::string_view url, const RequestObjectOptions& options = {});

// The header block handed to the component line by line: caller lines, then each default
// line (preceded by CRLF) that is not already present, names normalised on request.
std::string BuildRequestObjectHeaderBlock(std::string_view extra_headers, int method, std::string_view url,
                                          bool add_default_headers, bool normalize_names);

}  // namespace storvane::net
