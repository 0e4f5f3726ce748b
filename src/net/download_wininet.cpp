#include "net/download_wininet.h"

#include <cwchar>
#include <vector>

#include "util/win_text.h"

namespace storvane {

DWORD QueryNumber(const WinInet& api, HINTERNET request, DWORD query, bool& ok) {
  DWORD value = 0;
  DWORD size = sizeof value;
  ok = api.queryInfo(request, query, &value, &size, nullptr) != 0;
  return ok ? value : 0;
}

// The answer's header lines as received; nullopt when they do not fit in 32 KB. (Once WinINet
// has decoded a body it may drop its Content-Encoding, and asking for a header by its query
// number then answers with another one's value on some systems.) Schemes without headers have
// none.
std::optional<std::string> RawHeaders(const WinInet& api, HINTERNET request) {
  constexpr DWORD kCharacters = 16384;
  std::vector<wchar_t> block(kCharacters);
  DWORD size = (kCharacters - 1) * static_cast<DWORD>(sizeof(wchar_t));
  if (!api.queryInfo(request, HTTP_QUERY_RAW_HEADERS_CRLF, block.data(), &size, nullptr)) {
    if (::GetLastError() == ERROR_INSUFFICIENT_BUFFER) return std::nullopt;
    return std::string();
  }
  return WideToGbk(std::wstring(block.data(), size / sizeof(wchar_t)));
}

// The value of the first header line `name` (lower case, with its colon) in `headers`.
std::string HeaderIn(std::string_view headers, std::string_view name) {
  for (size_t start = 0; start < headers.size();) {
    const size_t end = std::min(headers.find("\r\n", start), headers.size());
    const std::string_view line = headers.substr(start, end - start);
    bool named = line.size() >= name.size();
    for (size_t i = 0; named && i < name.size(); ++i) {
      const char c = line[i];
      named = (c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) == name[i];
    }
    if (named) return TrimText(line.substr(name.size()));
    start = end + 2;
  }
  return {};
}

// Asks WinINet to decode what the header block offers (gzip, deflate); false when it cannot.
bool AskForDecoding(const WinInet& api, HINTERNET internet) {
  BOOL decode = TRUE;
  return api.setOption != nullptr && api.setOption(internet, INTERNET_OPTION_HTTP_DECODING, &decode, sizeof decode);
}

// Closes `handle` on a thread of its own (or here, when no thread starts) and gives it up.
void CloseOnTheirOwn(const WinInet& api, UniqueInternetHandle& handle) {
  HINTERNET raw = handle.get();
  if (raw == nullptr) return;
  handle.release();
  const auto close = api.closeHandle;
  try {
    std::thread([close, raw] { close(raw); }).detach();
  } catch (const std::system_error&) {
    close(raw);
  }
}

// Opens `url` in `internet`. With a cancel flag the call runs on a thread of its own, so that a
// cancel ends the wait for a server that does not answer: the session is then closed (on a
// thread of its own too), which ends the system's call, and the opening thread closes whatever
// that call still brings back. `cancelled` tells that case from a failure; GetLastError holds a
// failure's error.
HINTERNET OpenAddress(const WinInet& api, UniqueInternetHandle& internet, const std::wstring& url,
                      const std::wstring& headers, const std::atomic<bool>* cancel, bool& cancelled) {
  cancelled = false;
  const DWORD headerLength = static_cast<DWORD>(headers.size());
  if (cancel == nullptr)
    return api.openUrl(internet.get(), url.c_str(), headers.c_str(), headerLength, kOpenUrlFlags, 0);
  struct Shared {
    std::mutex mutex;
    std::condition_variable changed;
    bool done = false;
    bool abandoned = false;
    HINTERNET address = nullptr;
    DWORD error = 0;
  };
  auto shared = std::make_shared<Shared>();
  const auto open = api.openUrl;
  const auto close = api.closeHandle;
  HINTERNET session = internet.get();
  try {
    std::thread([shared, open, close, session, url, headers, headerLength] {
      HINTERNET address = open(session, url.c_str(), headers.c_str(), headerLength, kOpenUrlFlags, 0);
      const DWORD error = ::GetLastError();
      const std::lock_guard lock(shared->mutex);
      if (shared->abandoned) {
        if (address != nullptr) close(address);
        return;
      }
      shared->address = address;
      shared->error = error;
      shared->done = true;
      shared->changed.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    return api.openUrl(session, url.c_str(), headers.c_str(), headerLength, kOpenUrlFlags, 0);
  }
  std::unique_lock lock(shared->mutex);
  while (!shared->changed.wait_for(lock, std::chrono::milliseconds(100), [&] { return shared->done; })) {
    if (!cancel->load()) continue;
    shared->abandoned = true;
    cancelled = true;
    lock.unlock();
    CloseOnTheirOwn(api, internet);
    return nullptr;
  }
  ::SetLastError(shared->error);
  return shared->address;
}

// The 64-bit Content-Length as announced; nullopt when there is none or it is not a number.
std::optional<uint64_t> AnnouncedLength(const WinInet& api, HINTERNET request) {
  wchar_t text[32] = {};
  DWORD size = sizeof text - sizeof(wchar_t);
  if (!api.queryInfo(request, HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr)) return std::nullopt;
  wchar_t* end = nullptr;
  const unsigned long long value = std::wcstoull(text, &end, 10);
  if (end == text) return std::nullopt;
  return value;
}

// The session of one transfer, its system waits set to the stall window: a silent server is left
// after as long where the system keeps them.
HINTERNET OpenInternet(const WinInet& api, int stallMs) {
  DWORD connection = 0;
  api.getConnectedState(&connection, 0);
  const DWORD accessType = (connection & INTERNET_CONNECTION_PROXY) != 0
                               ? INTERNET_OPEN_TYPE_PRECONFIG
                               : INTERNET_OPEN_TYPE_PRECONFIG_WITH_NO_AUTOPROXY;
  HINTERNET internet =
      api.open(GbkToWide(MakeDownloadAgentName(::GetTickCount())).c_str(), accessType, nullptr, nullptr, 0);
  if (internet == nullptr) return nullptr;
  DWORD waitMs = static_cast<DWORD>(stallMs);
  for (DWORD option :
       {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT}) {
    api.setOption(internet, option, &waitMs, sizeof waitMs);
  }
  return internet;
}

}  // namespace storvane
