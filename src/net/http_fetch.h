// One synchronous HTTP or HTTPS request through the WinHTTP API, returning the body as text.
// Every call opens and closes its own session, connection and request; nothing is kept
// between calls. Failures are never raised: the result is empty and `status_text` receives
// a numbered message (700-713). Server certificates are always verified.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "util/text.h"

namespace storvane::net {

// The optional parameters, in their positional order. Pointer members are the caller's
// in/out and out variables: null means the parameter was left out; each is written only in
// the step that owns it, so a step that does not run leaves the caller's value alone.
struct HttpFetchOptions {
  int method = 0;                           // 0 GET, 1 POST, 2 HEAD, 3 PUT, 4 OPTIONS, 5 DELETE, 6 TRACE, 7 CONNECT
  std::string body_text = {};               // request body when body_data is empty
  std::string* cookies = nullptr;           // in/out: sent; replaced by the merged cookies
  std::string* received_cookies = nullptr;  // in/out: the response's cookies are appended
  std::string extra_headers = {};           // caller's header lines, CRLF-separated
  std::string* response_headers = nullptr;  // out: the raw response header block
  bool no_redirect = false;
  std::string server_user = {};
  std::string server_password = {};
  std::string proxy = {};  // host:port; empty: no proxy
  std::string proxy_user = {};
  std::string proxy_password = {};
  int timeout_seconds = 0;                   // per phase; 0 or less: 30 seconds; at most 2147483
  std::string* redirect_location = nullptr;  // out: value of the last Location header
  std::string* status_text = nullptr;        // out: e.g. "200 OK", or the failure message
  Bytes* body_bytes = nullptr;               // out: the raw body
  bool merge_cookie_jar = true;
  bool add_default_headers = true;
  Bytes body_data = {};  // request body; wins over body_text when non-empty
  bool normalize_names = true;
  // A deadline of the caller's own for the whole exchange, in milliseconds; 0: none beyond the
  // per-phase time-outs. With one, the exchange runs on a thread of its own while the calling
  // thread dispatches its window messages; when the deadline passes, the request's handles are
  // closed and the call fails ("712") without waiting for that thread any longer.
  int deadline_ms = 0;
  // The longest body taken, in bytes; 0: no limit. A longer one fails the call ("713") as soon
  // as it is past the limit, and nothing of it is kept.
  size_t max_body_bytes = 0;
};

// The response body as text: its bytes up to the first zero byte, re-decoded when an HTML meta
// tag names a charset. Empty on every failure.
std::string HttpFetch(std::string_view url, const HttpFetchOptions& options = {});

// The request header block the engine hands to WinHTTP: caller lines, the default lines not
// already present, names normalised, a "Connection: keep-alive" line followed by CRLF removed,
// and a Cookie line when the block has none and `cookies` is non-empty.
std::string BuildFetchHeaderBlock(std::string_view extra_headers, int method, bool add_default_headers,
                                  bool normalize_names, std::string_view cookies);

}  // namespace storvane::net
