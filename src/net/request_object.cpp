#include "net/request_object.h"

#include <algorithm>
#include <climits>

#include "net/base64.h"
#include "net/cookies.h"
#include "net/headers.h"
#include "net/http_method.h"
#include "util/com.h"

namespace storvane::net {
namespace {

constexpr int kDefaultTimeoutMs = 15000;
constexpr int kKeepComponentTimeouts = -1;
// A longer wait is held at the longest the component can express instead of wrapping round to
// a negative value.
constexpr int kLongestTimeoutSeconds = INT_MAX / 1000;
constexpr int kProxySettingProxy = 2;      // HTTPREQUEST_PROXYSETTING_PROXY
constexpr int kOptionEnableRedirects = 6;  // WinHttpRequestOption_EnableRedirects
constexpr int kOptionSecureProtocols = 9;  // WinHttpRequestOption_SecureProtocols
constexpr int kProtocolTls12 = 0x800;
constexpr int kProtocolTls13 = 0x2000;
constexpr int kCredentialsForProxy = 1;

void SetRequestHeader(IDispatch* request, const std::string& name, const std::string& value) {
  CallMethod(request, "SetRequestHeader", name, value);
}

// The Set-Cookie items of a header block, "; "-separated.
std::string CollectSetCookies(const std::string& headers) {
  std::string received;
  for (const std::string& line : SplitText(headers, "\r\n")) {
    if (TextBefore(line, ": ") != "Set-Cookie") continue;
    std::string item = FindText(line, ";") != -1 ? TextBetween(line, "Set-Cookie:", ";")
                                                 : ReplaceText(line, "Set-Cookie:", "", 1, std::nullopt, false);
    received += TrimText(item) + "; ";
  }
  if (RightText(received, 2) == "; ") received = LeftText(received, TextLength(received) - 2);
  return received;
}

}  // namespace

std::string BuildRequestObjectHeaderBlock(std::string_view extra_headers, int method, std::string_view url,
                                          bool add_default_headers, bool normalize_names) {
  std::string block(extra_headers);
  if (add_default_headers) {
    const std::string rows[][2] = {
        {"Accept:", "\r\nAccept: */*"},
        {"Referer:", "\r\nReferer: " + std::string(url)},
        {"Accept-Language:", "\r\nAccept-Language: zh-cn"},
        {"User-Agent:", "\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)"},
    };
    for (const auto& row : rows) {
      if (FindText(block, row[0], 1, true) == -1) block += row[1];
    }
    if (method == kMethodPost && FindText(block, "Content-Type:", 1, true) == -1) {
      block += "\r\nContent-Type: application/x-www-form-urlencoded";
    }
  }
  if (normalize_names) block = NormalizeHeaderNames(block);
  return block;
}

Bytes RequestObjectFetch(std::string_view url, const RequestObjectOptions& options) {
  ComInit com;
  const int method = options.method >= 0 && options.method <= 7 ? options.method : 0;

  ComPtr<IDispatch> request = options.request_object != nullptr
                                  ? ComPtr<IDispatch>::FromBorrowed(options.request_object)
                                  : CreateObject("WinHttp.WinHttpRequest.5.1");
  if (!request) return {};

  if (options.timeout_seconds != kKeepComponentTimeouts) {
    const int t = options.timeout_seconds < 1 ? kDefaultTimeoutMs
                                              : std::min(options.timeout_seconds, kLongestTimeoutSeconds) * 1000;
    CallMethod(request.get(), "SetTimeouts", t, t, t, t);
  }
  if (!options.proxy.empty()) CallMethod(request.get(), "SetProxy", kProxySettingProxy, options.proxy);
  // A shared object still holds the last request's response: when this one cannot even be
  // opened or sent (an address of another scheme), that response must not pass for its own.
  const Variant openArgs[] = {MakeVariant(MethodName(method)), MakeVariant(std::string(url)), MakeVariant(false)};
  bool sent = SUCCEEDED(InvokeByName(request.get(), "Open", DISPATCH_METHOD, openArgs, nullptr));
  // Windows 7's component leaves TLS 1.2 out of its default, and HTTPS services have dropped
  // everything older. Systems that do not know TLS 1.3 refuse its bit, so they get TLS 1.2
  // alone; one that refuses both keeps its default rather than losing the request.
  const Variant protocolsIndex = Variant::FromInt(kOptionSecureProtocols);
  if (!PutPropertyArgs(request.get(), "Option", std::span<const Variant>(&protocolsIndex, 1),
                       Variant::FromInt(kProtocolTls12 | kProtocolTls13))) {
    PutPropertyArgs(request.get(), "Option", std::span<const Variant>(&protocolsIndex, 1),
                    Variant::FromInt(kProtocolTls12));
  }
  if (options.no_redirect) {
    const Variant index = Variant::FromInt(kOptionEnableRedirects);
    PutPropertyArgs(request.get(), "Option", std::span<const Variant>(&index, 1), Variant::FromBool(false));
  }
  // No certificate error is ignored: a server that cannot prove its identity gets no trust.

  const std::string block = BuildRequestObjectHeaderBlock(options.extra_headers, method, url,
                                                          options.add_default_headers, options.normalize_names);

  if (!options.proxy.empty() && !options.proxy_user.empty()) {
    CallMethod(request.get(), "SetCredentials", options.proxy_user, options.proxy_password, options.credential_flags);
    if (options.credential_flags == kCredentialsForProxy) {
      SetRequestHeader(request.get(), "Proxy-Authorization",
                       "Basic " + Base64Encode(TextToBytes(options.proxy_user + ":" + options.proxy_password)));
    }
  }

  if (options.cookies != nullptr) {
    std::string& cookies = *options.cookies;
    if (!cookies.empty() && FindText(cookies, "Cookie:", 1, true) != -1) {
      cookies = ReplaceText(cookies, "Cookie:", "", 1, std::nullopt, false);
    }
    SetRequestHeader(request.get(), "Cookie", cookies);
  }

  if (FindText(block, "\r\n") == -1) {
    SetRequestHeader(request.get(), HeaderLineName(block), HeaderLineValue(block));
  } else {
    for (const std::string& line : SplitText(block, "\r\n")) {
      if (line.empty()) continue;
      const std::string name = HeaderLineName(line);
      const std::string value = HeaderLineValue(line);
      if (name == "Connection" && value == "keep-alive") continue;
      SetRequestHeader(request.get(), name, value);
    }
  }

  const Variant sendArg =
      options.body_data.empty() ? MakeVariant(options.body_text) : Variant::FromBytes(options.body_data);
  sent = sent && SUCCEEDED(InvokeByName(request.get(), "Send", DISPATCH_METHOD, std::span(&sendArg, 1), nullptr));

  Bytes result = sent ? GetProperty(request.get(), "ResponseBody").ToBytes() : Bytes();
  const std::string headers = sent ? CallMethod(request.get(), "GetAllResponseHeaders").ToText() : std::string();
  if (options.response_headers != nullptr) *options.response_headers = headers;
  const int status = sent ? static_cast<int>(GetProperty(request.get(), "Status").ToDouble()) : 0;
  if (options.status_code != nullptr) *options.status_code = status;
  GetProperty(request.get(), "StatusText");

  std::string localReceived;
  std::string& received = options.received_cookies != nullptr ? *options.received_cookies : localReceived;
  received = CollectSetCookies(headers);
  if (options.merge_cookie_jar && options.cookies != nullptr) received = MergeCookies(*options.cookies, received);
  return result;
}

}  // namespace storvane::net
