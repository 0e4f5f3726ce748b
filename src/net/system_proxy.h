// The proxy the current user's Internet settings name for an address, as the system's browsers
// find it: an automatic configuration script or automatic detection when the settings ask for
// one, else the named proxy unless its bypass list covers the host. The result is what the two
// HTTP engines take as their proxy parameter, so they stay as they are and simply use it.
#pragma once

#include <string>
#include <string_view>

namespace storvane::net {

// "host:port" of the proxy to use for `url` (GBK text), or the empty text for a direct
// connection. Automatic discovery is given at most `discoveryMs`; past that the request goes
// direct (or through the named proxy, when the settings also name one).
std::string SystemProxyFor(std::string_view url, unsigned discoveryMs = 3000);

// The proxy a settings list names for a request of that scheme: "host:port", or a list of
// "scheme=host:port" entries separated by ';' or blanks ("http=", "https=", or none for every
// scheme); the first that fits. Empty when none does.
std::string ProxyFromList(std::string_view list, bool secure);

// Whether `host` is left out of the proxy by the bypass list (entries separated by ';', ',' or
// blanks; '*' matches any run of characters; "<local>" matches host names without a dot).
// Loopback hosts (localhost, 127.*, [::1]) never go through a proxy unless the list holds
// "<-loopback>", as on Windows.
bool ProxyBypassed(std::string_view bypassList, std::string_view host);

}  // namespace storvane::net
