#include "net/system_proxy.h"

#include <windows.h>
#include <winhttp.h>

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "net/winhttp_handle.h"
#include "util/log.h"
#include "util/text.h"
#include "util/win_text.h"

namespace storvane::net {
namespace {

std::vector<std::string> SplitEntries(std::string_view list, std::string_view separators) {
  std::vector<std::string> entries;
  size_t start = 0;
  while (start <= list.size()) {
    const size_t end = list.find_first_of(separators, start);
    const std::string_view entry =
        list.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (!entry.empty()) entries.emplace_back(entry);
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return entries;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// '*' matches any run of characters; letters compare without case.
bool WildcardMatch(std::string_view pattern, std::string_view text) {
  if (pattern.empty()) return text.empty();
  if (pattern.front() == '*') {
    for (size_t skip = 0; skip <= text.size(); ++skip) {
      if (WildcardMatch(pattern.substr(1), text.substr(skip))) return true;
    }
    return false;
  }
  return !text.empty() && Lower(pattern.front()) == Lower(text.front()) &&
         WildcardMatch(pattern.substr(1), text.substr(1));
}

bool IsLoopback(std::string_view host) {
  std::string lower(host);
  for (char& c : lower) c = Lower(c);
  return lower == "localhost" || lower == "[::1]" || lower == "::1" || lower.rfind("127.", 0) == 0;
}

// Scheme, host and whether it is secure, from an address; nullopt when it has no host.
struct Target {
  std::string host;
  bool secure = false;
};

std::optional<Target> TargetOf(std::string_view url) {
  const size_t scheme = url.find("://");
  if (scheme == std::string_view::npos) return std::nullopt;
  Target target;
  std::string lowerScheme(url.substr(0, scheme));
  for (char& c : lowerScheme) c = Lower(c);
  target.secure = lowerScheme == "https";
  std::string_view rest = url.substr(scheme + 3);
  rest = rest.substr(0, rest.find_first_of("/?#"));
  if (const size_t at = rest.rfind('@'); at != std::string_view::npos) rest = rest.substr(at + 1);
  if (!rest.empty() && rest.front() == '[') {
    target.host = std::string(rest.substr(0, rest.find(']') + 1));
  } else {
    target.host = std::string(rest.substr(0, rest.find(':')));
  }
  if (target.host.empty()) return std::nullopt;
  return target;
}

std::string TakeGlobalText(LPWSTR text) {
  if (text == nullptr) return {};
  std::string out = WideToGbk(text);
  ::GlobalFree(text);
  return out;
}

struct UserSettings {
  bool autoDetect = false;
  std::string autoConfigUrl, proxy, bypass;
};

UserSettings ReadUserSettings() {
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config{};
  UserSettings settings;
  if (!::WinHttpGetIEProxyConfigForCurrentUser(&config)) return settings;
  settings.autoDetect = config.fAutoDetect != FALSE;
  settings.autoConfigUrl = TakeGlobalText(config.lpszAutoConfigUrl);
  settings.proxy = TakeGlobalText(config.lpszProxy);
  settings.bypass = TakeGlobalText(config.lpszProxyBypass);
  return settings;
}

// What discovery found: the proxy list and its bypass list, or nothing (direct, or it failed).
struct Discovered {
  bool found = false;
  std::string proxy, bypass;
};

Discovered Discover(const std::wstring& url, const std::wstring& configUrl) {
  Discovered result;
  UniqueWinHttpHandle session(
      ::WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) return result;
  WINHTTP_AUTOPROXY_OPTIONS options{};
  if (!configUrl.empty()) {
    options.dwFlags = WINHTTP_AUTOPROXY_CONFIG_URL;
    options.lpszAutoConfigUrl = configUrl.c_str();
  } else {
    options.dwFlags = WINHTTP_AUTOPROXY_AUTO_DETECT;
    options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
  }
  options.fAutoLogonIfChallenged = TRUE;
  WINHTTP_PROXY_INFO info{};
  if (!::WinHttpGetProxyForUrl(session.get(), url.c_str(), &options, &info)) return result;
  result.found = true;
  const bool named = info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY;
  result.proxy = TakeGlobalText(info.lpszProxy);
  result.bypass = TakeGlobalText(info.lpszProxyBypass);
  if (!named) result.proxy.clear();
  return result;
}

// Discovery may fetch a script or wait for the network: it runs on a thread of its own and is
// given up after `waitMs`, its thread left to end alone with the state it shares.
std::optional<Discovered> DiscoverWithin(std::wstring url, std::wstring configUrl, unsigned waitMs) {
  struct Shared {
    std::mutex lock;
    std::condition_variable done;
    std::optional<Discovered> result;
  };
  auto shared = std::make_shared<Shared>();
  try {
    std::thread([shared, url = std::move(url), configUrl = std::move(configUrl)] {
      Discovered found = Discover(url, configUrl);
      const std::lock_guard<std::mutex> hold(shared->lock);
      shared->result = std::move(found);
      shared->done.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    return std::nullopt;
  }
  std::unique_lock<std::mutex> hold(shared->lock);
  shared->done.wait_for(hold, std::chrono::milliseconds(waitMs), [&] { return shared->result.has_value(); });
  return shared->result;
}

// Discovery asks the network (a script, or detection) and its answer holds for the session:
// each host is looked up once per process, not on every icon.
std::optional<Discovered> CachedDiscovery(const std::string& key, const std::string& url, const std::string& configUrl,
                                          unsigned waitMs) {
  static std::mutex lock;
  static std::map<std::string, std::optional<Discovered>> known;
  {
    const std::lock_guard<std::mutex> hold(lock);
    if (const auto found = known.find(key); found != known.end()) return found->second;
  }
  std::optional<Discovered> discovered = DiscoverWithin(GbkToWide(url), GbkToWide(configUrl), waitMs);
  if (!discovered) Log("proxy: automatic discovery did not answer in time; going without it");
  const std::lock_guard<std::mutex> hold(lock);
  known[key] = discovered;
  return discovered;
}

}  // namespace

std::string ProxyFromList(std::string_view list, bool secure) {
  const std::string_view wanted = secure ? "https" : "http";
  for (const std::string& entry : SplitEntries(list, "; \t")) {
    const size_t equals = entry.find('=');
    if (equals == std::string::npos) return entry;
    std::string scheme = entry.substr(0, equals);
    for (char& c : scheme) c = Lower(c);
    if (scheme == wanted && equals + 1 < entry.size()) return entry.substr(equals + 1);
  }
  return {};
}

bool ProxyBypassed(std::string_view bypassList, std::string_view host) {
  const std::vector<std::string> entries = SplitEntries(bypassList, ";, \t\r\n");
  bool loopbackThroughProxy = false;
  for (const std::string& entry : entries) {
    if (entry == "<-loopback>") loopbackThroughProxy = true;
  }
  if (IsLoopback(host) && !loopbackThroughProxy) return true;
  for (const std::string& entry : entries) {
    if (entry == "<local>") {
      if (host.find('.') == std::string_view::npos && host.find(':') == std::string_view::npos) return true;
      continue;
    }
    // An entry may name a scheme ("http://host"); the host part is what is compared.
    const size_t scheme = entry.find("://");
    if (WildcardMatch(scheme == std::string::npos ? entry : entry.substr(scheme + 3), host)) return true;
  }
  return false;
}

std::string SystemProxyFor(std::string_view url, unsigned discoveryMs) {
  const std::optional<Target> target = TargetOf(url);
  if (!target) return {};
  const UserSettings settings = ReadUserSettings();
  if (settings.autoDetect || !settings.autoConfigUrl.empty()) {
    const std::string key =
        ConcatTexts(target->secure ? "https://" : "http://", target->host, " ", settings.autoConfigUrl);
    const std::optional<Discovered> discovered =
        CachedDiscovery(key, std::string(url), settings.autoConfigUrl, discoveryMs);
    if (discovered && discovered->found) {
      if (discovered->proxy.empty() || ProxyBypassed(discovered->bypass, target->host)) return {};
      return ProxyFromList(discovered->proxy, target->secure);
    }
  }
  if (settings.proxy.empty() || ProxyBypassed(settings.bypass, target->host)) return {};
  return ProxyFromList(settings.proxy, target->secure);
}

}  // namespace storvane::net
