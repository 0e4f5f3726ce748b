#include "net/http_fetch.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "net/cookies.h"
#include "net/decode.h"
#include "net/headers.h"
#include "net/http_method.h"
#include "net/message_pump.h"
#include "net/winhttp_handle.h"
#include "util/handles.h"
#include "util/log.h"
#include "util/text.h"
#include "util/win_text.h"

namespace storvane::net {
namespace {

constexpr char kMessageNoPlatform[] = "700 当前系统不支持WinHttp服务!";
constexpr char kMessageBadUrl[] = "701 解析URL地址失败!";
constexpr char kMessageNoSession[] = "702 创建WinHttp会话失败!";
constexpr char kMessageNoConnection[] = "703 创建WinHttp连接失败!";
constexpr char kMessageNoRequest[] = "704 创建WinHttp请求失败!";
constexpr char kMessageTimeouts[] = "705 设置超时时间失败!";
constexpr char kMessageCredentials[] = "707 设置代理凭证失败!";
constexpr char kMessageCookieOption[] = "708 禁止自动设置Cookies失败!";
constexpr char kMessageRedirectOption[] = "709 重定向设置失败!";
constexpr char kMessageHeaders[] = "710 设置协议头失败!";
constexpr char kMessageSend[] = "711 发送请求失败!";
constexpr char kMessageNoResponse[] = "712 服务器未响应!";
constexpr char kMessageRead[] = "713 读取数据失败!";
// The caller's own limits: a deadline passed counts as no response, a body too long as a failed read.
constexpr char kMessageDeadline[] = "712 服务器未响应!";
constexpr char kMessageTooLong[] = "713 读取数据失败!";

constexpr int kDefaultTimeoutMs = 30000;
constexpr DWORD kLargestRead = 1 << 16;
// A longer wait is held at the longest WinHTTP can express instead of wrapping round to a
// negative value, which WinHTTP refuses (or reads as no limit at all).
constexpr int kLongestTimeoutSeconds = INT_MAX / 1000;

#ifndef WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3
#define WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3 0x00002000
#endif

struct DefaultHeader {
  std::string_view key;
  std::string_view line;
  bool postOnly;
};

constexpr DefaultHeader kDefaultHeaders[] = {
    {"User-Agent: ", "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n", false},
    {"Accept: ", "Accept: text/html, application/xhtml+xml, */*\r\n", false},
    {"Accept-Encoding: ", "Accept-Encoding: gbk, GB2312\r\n", false},
    {"Accept-Language: ", "Accept-Language: zh-cn\r\n", false},
    {"Content-Type:", "Content-Type: application/x-www-form-urlencoded\r\n", true},
    {"Cache-Control: ", "Cache-Control: no-cache\r\n", false},
};

struct AddressParts {
  std::string host;
  INTERNET_PORT port = 0;
  bool secure = false;
  std::wstring path;
};

std::optional<AddressParts> SplitAddress(std::string_view url) {
  std::wstring wide = GbkToWide(url);
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwSchemeLength = static_cast<DWORD>(-1);
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!WinHttpCrackUrl(wide.c_str(), static_cast<DWORD>(wide.size()), 0, &parts)) return std::nullopt;
  AddressParts out;
  out.host = WideToGbk(std::wstring_view(parts.lpszHostName, parts.dwHostNameLength));
  out.port = parts.nPort;
  out.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
  if (parts.dwUrlPathLength == 0) {
    // A query without a path is dropped along with it.
    out.path = L"/";
  } else {
    out.path.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
    if (parts.lpszExtraInfo != nullptr) out.path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  }
  return out;
}

bool SetDwordOption(HINTERNET handle, DWORD option, DWORD value) {
  return WinHttpSetOption(handle, option, &value, sizeof value) != FALSE;
}

// Collects a response's Set-Cookie items and its last Location value, pumping window
// messages once per header line so the window stays responsive.
void ReadHeaderLines(const std::string& headers, std::string& received, std::string* location) {
  for (const std::string& line : SplitText(headers, "\r\n")) {
    if (TextBefore(line, ": ") == "Set-Cookie") {
      std::string item = FindText(line, ";") != -1 ? TextBetween(line, "Set-Cookie:", ";")
                                                   : ReplaceText(line, "Set-Cookie:", "", 1, std::nullopt, false);
      received += TrimText(item) + "; ";
    }
    if (CompareTextCase(LeftText(line, 10), "Location: ", false) == 0 && location != nullptr) {
      *location = line.substr(10);
    }
    PumpPendingMessages();
  }
}

// The block without its empty lines. They carry no header; some WinHTTP implementations skip
// them and others refuse the whole block, so they are left out for every one of them.
std::string WithoutEmptyLines(std::string_view block) {
  std::string out;
  for (const std::string& line : SplitText(block, "\r\n")) {
    if (line.empty()) continue;
    if (!out.empty()) out += "\r\n";
    out += line;
  }
  return out;
}

}  // namespace

std::string BuildFetchHeaderBlock(std::string_view extra_headers, int method, bool add_default_headers,
                                  bool normalize_names, std::string_view cookies) {
  std::string block;
  if (!extra_headers.empty()) block = std::string(extra_headers) + "\r\n";
  if (add_default_headers) {
    for (const DefaultHeader& row : kDefaultHeaders) {
      if (row.postOnly && method != kMethodPost) continue;
      if (FindText(block, row.key, 1, true) == -1) block += row.line;
    }
  }
  if (normalize_names) block = NormalizeHeaderNames(block);
  if (FindText(block, "Connection") != -1 && HeaderValue(block, "Connection") == "keep-alive") {
    block = ReplaceText(block, "Connection: keep-alive\r\n", "");
  }
  if (FindText(block, "Cookie:", 1, true) == -1 && !cookies.empty()) {
    if (FindText(cookies, "Cookie:", 1, true) != -1) {
      block += "\r\n" + std::string(cookies) + "\r\n";
    } else {
      block += "\r\nCookie: " + std::string(cookies) + "\r\n";
    }
  }
  return block;
}

namespace {

// A step's failure: the numbered message for the caller's status text, and whether pending
// window messages are dispatched before returning (the request steps that may have waited).
struct FetchFailure {
  const char* message = nullptr;
  bool pump = true;
};
using StepResult = std::optional<FetchFailure>;

// The handles of one exchange. They are closed exactly once, newest first: by the exchange when it
// is over, or earlier by a caller that has stopped waiting for it, which makes every call still
// blocked on them return. A handle opened after that is closed at once.
class FetchHandles {
public:
  FetchHandles() = default;
  FetchHandles(const FetchHandles&) = delete;
  FetchHandles& operator=(const FetchHandles&) = delete;
  ~FetchHandles() { CloseAll(); }

  // Keeps `handle` for closing; null once the handles have been closed.
  HINTERNET Keep(HINTERNET handle) {
    std::lock_guard lock(mutex_);
    if (closed_) {
      if (handle != nullptr) WinHttpCloseHandle(handle);
      return nullptr;
    }
    if (handle != nullptr) open_.push_back(handle);
    return handle;
  }

  void CloseAll() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    closedFlag_ = true;
    for (auto it = open_.rbegin(); it != open_.rend(); ++it) WinHttpCloseHandle(*it);
    open_.clear();
  }

  // Whether the handles have been closed: an exchange still reading then stops, as a closed
  // handle does not stop every implementation's reads at once.
  bool closed() const { return closedFlag_.load(); }

  HINTERNET session = nullptr, connection = nullptr, request = nullptr;

private:
  std::mutex mutex_;
  std::vector<HINTERNET> open_;
  bool closed_ = false;
  std::atomic<bool> closedFlag_{false};
};

StepResult OpenSession(const AddressParts& address, const HttpFetchOptions& options, FetchHandles& handles) {
  // The proxy is named for every scheme, not as "http=host:port" for a plain address alone: a
  // redirect of the request to a secure address then goes through the user's proxy too instead
  // of around it, which fails wherever only the proxy leads out.
  const bool useProxy = !options.proxy.empty();
  const std::wstring proxyName = GbkToWide(options.proxy);
  handles.session =
      handles.Keep(WinHttpOpen(nullptr, useProxy ? WINHTTP_ACCESS_TYPE_NAMED_PROXY : WINHTTP_ACCESS_TYPE_NO_PROXY,
                               useProxy ? proxyName.c_str() : WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!handles.session) return FetchFailure{kMessageNoSession};

  // Windows 7's WinHTTP leaves TLS 1.2 out of its default, and HTTPS services have dropped
  // everything older. Systems that do not know TLS 1.3 refuse its bit, so they get TLS 1.2
  // alone; one that refuses both keeps its default rather than losing the request.
  if (!SetDwordOption(handles.session, WINHTTP_OPTION_SECURE_PROTOCOLS,
                      WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3)) {
    SetDwordOption(handles.session, WINHTTP_OPTION_SECURE_PROTOCOLS, WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2);
  }

  const int timeout = options.timeout_seconds > 0 ? std::min(options.timeout_seconds, kLongestTimeoutSeconds) * 1000
                                                  : kDefaultTimeoutMs;
  if (!WinHttpSetTimeouts(handles.session, timeout, timeout, timeout, timeout)) {
    return FetchFailure{kMessageTimeouts};
  }
  handles.connection = handles.Keep(WinHttpConnect(handles.session, GbkToWide(address.host).c_str(), address.port, 0));
  if (!handles.connection) return FetchFailure{kMessageNoConnection};
  return std::nullopt;
}

StepResult OpenRequest(const AddressParts& address, const HttpFetchOptions& options, FetchHandles& handles) {
  const std::wstring method = GbkToWide(MethodName(options.method));
  handles.request = handles.Keep(WinHttpOpenRequest(handles.connection, method.c_str(), address.path.c_str(), nullptr,
                                                    WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                    address.secure ? WINHTTP_FLAG_SECURE : 0));
  if (!handles.request) return FetchFailure{kMessageNoRequest};
  HINTERNET request = handles.request;

  if (!options.server_user.empty() && !options.server_password.empty() &&
      !WinHttpSetCredentials(request, WINHTTP_AUTH_TARGET_SERVER, WINHTTP_AUTH_SCHEME_BASIC,
                             GbkToWide(options.server_user).c_str(), GbkToWide(options.server_password).c_str(),
                             nullptr)) {
    return FetchFailure{kMessageCredentials, false};
  }
  if (!options.proxy_user.empty() && !options.proxy_password.empty() &&
      !WinHttpSetCredentials(request, WINHTTP_AUTH_TARGET_PROXY, WINHTTP_AUTH_SCHEME_BASIC,
                             GbkToWide(options.proxy_user).c_str(), GbkToWide(options.proxy_password).c_str(),
                             nullptr)) {
    return FetchFailure{kMessageCredentials, false};
  }

  // No certificate error is ignored: the catalogue fetched here names the programs the
  // launcher downloads and runs, so a server that cannot prove its identity gets no trust.

  // The only cookies sent are the caller's, in the header block: WinHTTP must add none of its own.
  if (!SetDwordOption(request, WINHTTP_OPTION_DISABLE_FEATURE, WINHTTP_DISABLE_COOKIES)) {
    return FetchFailure{kMessageCookieOption, false};
  }
  if (options.no_redirect && !SetDwordOption(request, WINHTTP_OPTION_DISABLE_FEATURE, WINHTTP_DISABLE_REDIRECTS)) {
    return FetchFailure{kMessageRedirectOption, false};
  }
  return std::nullopt;
}

StepResult SendAndReceive(const HttpFetchOptions& options, const std::string& cookies, HINTERNET request) {
  const std::wstring block = GbkToWide(WithoutEmptyLines(BuildFetchHeaderBlock(
      options.extra_headers, options.method, options.add_default_headers, options.normalize_names, cookies)));
  if (!WinHttpAddRequestHeaders(request, block.c_str(), static_cast<DWORD>(block.size()), WINHTTP_ADDREQ_FLAG_ADD)) {
    return FetchFailure{kMessageHeaders};
  }
  const Bytes bodyOut = !options.body_data.empty() ? options.body_data : TextToBytes(options.body_text);
  const DWORD bodySize = static_cast<DWORD>(bodyOut.size());
  if (!WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                          bodyOut.empty() ? WINHTTP_NO_REQUEST_DATA : const_cast<uint8_t*>(bodyOut.data()), bodySize,
                          bodySize, 0)) {
    return FetchFailure{kMessageSend};
  }
  if (!WinHttpReceiveResponse(request, nullptr)) return FetchFailure{kMessageNoResponse};
  return std::nullopt;
}

// The body as it arrives; a read error keeps what came before it and says so in `status`. A body
// past `maxBytes` (0: no limit) is a failure: reading stops there and nothing of it is kept.
StepResult ReadBody(const FetchHandles& handles, size_t maxBytes, Bytes& body, std::string& status) {
  HINTERNET request = handles.request;
  Bytes chunk;
  for (;;) {
    DWORD available = 0;
    if (!WinHttpQueryDataAvailable(request, &available) || available < 1) break;
    if (handles.closed()) return FetchFailure{kMessageDeadline};
    available = std::min(available, kLargestRead);
    chunk.assign(available, 0);
    DWORD got = 0;
    if (!WinHttpReadData(request, chunk.data(), available, &got)) {
      status = kMessageRead;
      break;
    }
    if (maxBytes > 0 && got > maxBytes - std::min(maxBytes, body.size())) {
      body = Bytes();
      return FetchFailure{kMessageTooLong};
    }
    body.insert(body.end(), chunk.begin(), chunk.begin() + got);
  }
  return std::nullopt;
}

// The raw response header block, or nullopt when the system has none to give.
std::optional<std::string> ReadResponseHeaders(HINTERNET request) {
  DWORD headerSize = 0;
  DWORD index = 0;
  WinHttpQueryHeaders(request, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER,
                      &headerSize, &index);
  Bytes headerBuffer(headerSize, 0);
  index = 0;
  if (headerBuffer.empty() ||
      !WinHttpQueryHeaders(request, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX, headerBuffer.data(),
                           &headerSize, &index)) {
    return std::nullopt;
  }
  return Utf16ToLocal(headerBuffer, kGbkCodePage);
}

// The address as the log shows it: credentials written into it ("user:password@") left out.
std::string AddressForLog(std::string_view url) {
  const size_t scheme = url.find("://");
  const size_t hostStart = scheme == std::string_view::npos ? 0 : scheme + 3;
  const size_t hostEnd = url.find_first_of("/?#", hostStart);
  const size_t at = url.substr(0, hostEnd).rfind('@');
  if (at == std::string_view::npos || at < hostStart) return std::string(url);
  return ConcatTexts(url.substr(0, hostStart), url.substr(at + 1));
}

// One exchange on the wire, shared by the caller and the thread that runs it: a caller that stops
// waiting leaves it to that thread, which may still be blocked in WinHTTP and touches nothing else.
struct Exchange {
  Exchange(AddressParts address, const HttpFetchOptions& options, std::string cookies)
      : address(std::move(address)), options(WireOptions(options)), cookies(std::move(cookies)) {}

  // The caller's variables are not the exchange's to reach.
  static HttpFetchOptions WireOptions(const HttpFetchOptions& options) {
    HttpFetchOptions wire = options;
    wire.cookies = wire.received_cookies = wire.response_headers = nullptr;
    wire.redirect_location = wire.status_text = nullptr;
    wire.body_bytes = nullptr;
    return wire;
  }

  void Run() {
    failure = OpenSession(address, options, handles);
    if (!failure) failure = OpenRequest(address, options, handles);
    if (!failure) failure = SendAndReceive(options, cookies, handles.request);
    if (!failure) failure = ReadBody(handles, options.max_body_bytes, body, readStatus);
    if (!failure) headers = ReadResponseHeaders(handles.request);
    handles.CloseAll();
  }

  const AddressParts address;
  const HttpFetchOptions options;
  const std::string cookies;
  FetchHandles handles;
  StepResult failure;
  Bytes body;
  std::string readStatus;
  std::optional<std::string> headers;
};

// Runs the exchange, on this thread without a deadline. With one, on a thread of its own while
// this one dispatches its messages; once the deadline has passed its handles are closed and it is
// left to end by itself.
StepResult RunExchange(const std::shared_ptr<Exchange>& exchange, int deadlineMs) {
  if (deadlineMs <= 0) {
    exchange->Run();
    return exchange->failure;
  }
  const uint64_t deadline = DeadlineAfter(deadlineMs);
  auto done = std::make_shared<UniqueHandle>(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!*done) return FetchFailure{kMessageNoSession};
  try {
    std::thread([exchange, done] {
      try {
        exchange->Run();
      } catch (const std::bad_alloc&) {
        exchange->handles.CloseAll();
        exchange->failure = FetchFailure{kMessageRead};
      }
      SetEvent(done->get());
    }).detach();
  } catch (const std::system_error&) {
    return FetchFailure{kMessageNoSession};
  }
  if (!WaitPumpingUntil(done->get(), deadline)) {
    exchange->handles.CloseAll();
    return FetchFailure{kMessageDeadline};
  }
  return exchange->failure;
}

}  // namespace

std::string HttpFetch(std::string_view url, const HttpFetchOptions& options) {
  // Out parameters the caller left out still need somewhere to go.
  std::string localCookies, localReceived, localStatus;
  std::string& cookies = options.cookies != nullptr ? *options.cookies : localCookies;
  std::string& received = options.received_cookies != nullptr ? *options.received_cookies : localReceived;
  std::string& status = options.status_text != nullptr ? *options.status_text : localStatus;

  const std::string logPrefix = ConcatTexts("http: ", MethodName(options.method), " ", AddressForLog(url));
  auto fail = [&](const FetchFailure& failure) {
    status = failure.message;
    Log(ConcatTexts(logPrefix, " failed: ", failure.message));
    if (failure.pump) PumpPendingMessages();
    return std::string();
  };

  if (!WinHttpCheckPlatform()) return fail({kMessageNoPlatform});
  const std::optional<AddressParts> address = SplitAddress(url);
  if (!address) return fail({kMessageBadUrl});

  const std::shared_ptr<Exchange> exchange = std::make_shared<Exchange>(*address, options, cookies);
  if (StepResult failed = RunExchange(exchange, options.deadline_ms)) return fail(*failed);
  if (!exchange->readStatus.empty()) status = exchange->readStatus;
  const Bytes& body = exchange->body;
  const std::optional<std::string>& headers = exchange->headers;
  if (!headers) {
    Log(ConcatTexts(logPrefix, " gave no response headers"));
    PumpPendingMessages();
    return {};
  }
  if (options.response_headers != nullptr) *options.response_headers = *headers;

  const int lineEnd = FindText(*headers, "\r\n", 10);
  status = lineEnd == -1 ? std::string() : MidText(*headers, 10, lineEnd - 10);
  Log(ConcatTexts(logPrefix, " -> ", status, ", ", std::to_string(body.size()), " bytes"));

  ReadHeaderLines(*headers, received, options.redirect_location);
  if (RightText(received, 2) == "; ") received = LeftText(received, TextLength(received) - 2);
  if (options.merge_cookie_jar && !cookies.empty()) received = MergeCookies(cookies, received);

  if (options.body_bytes != nullptr) *options.body_bytes = body;
  std::string text = DecodeMetaCharset(ToText(body), body);
  PumpPendingMessages();
  return text;
}

}  // namespace storvane::net
