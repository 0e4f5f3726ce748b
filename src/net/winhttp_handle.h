// Owner of WinHTTP handles (sessions, connections, requests). Kept apart from the general
// handle owners because <winhttp.h> cannot share a translation unit with the other HTTP API.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include "util/handles.h"

namespace storvane::net {

namespace handle_traits {
struct WinHttp {
  using type = HINTERNET;
  static type invalid() noexcept { return nullptr; }
  static bool is_valid(type h) noexcept { return h != nullptr; }
  static void close(type h) noexcept { ::WinHttpCloseHandle(h); }
};
}  // namespace handle_traits

using UniqueWinHttpHandle = UniqueResource<handle_traits::WinHttp>;

}  // namespace storvane::net
