// Small files the programs keep beside themselves (version records): read whole, written so that
// a reader never sees half of one.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace storvane {

// The file's bytes up to `limit`, or nullopt when it cannot be opened.
std::optional<std::string> ReadSmallFile(const std::wstring& path, std::size_t limit = 4096);

// Writes `bytes` to a temporary file beside `path` and moves it over `path` in one step; the
// old content stays when anything fails. True when the new content is in place.
bool ReplaceSmallFile(const std::wstring& path, std::string_view bytes);

}  // namespace storvane
