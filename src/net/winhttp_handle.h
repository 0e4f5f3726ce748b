// Owner of WinHTTP handles (sessions, connections, requests). Kept apart from the general
// handle owners because <winhttp.h> cannot share a translation unit with the other HTTP API.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include "util/handles.h"

namespace storvane::net {

using UniqueWinHttpHandle = UniqueResource<handle_traits::NullEmpty<HINTERNET, ::WinHttpCloseHandle>>;

}  // namespace storvane::net
