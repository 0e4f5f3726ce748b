#include "util/small_file.h"

#include <windows.h>

#include "util/handles.h"

namespace storvane {

std::optional<std::string> ReadSmallFile(const std::wstring& path, std::size_t limit) {
  UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  // The buffer follows the file, not the limit: callers give generous limits.
  LARGE_INTEGER size{};
  if (::GetFileSizeEx(file.get(), &size) && static_cast<unsigned long long>(size.QuadPart) < limit) {
    limit = static_cast<std::size_t>(size.QuadPart);
  }
  std::string bytes(limit, '\0');
  std::size_t filled = 0;
  while (filled < limit) {
    DWORD read = 0;
    if (!::ReadFile(file.get(), bytes.data() + filled, static_cast<DWORD>(limit - filled), &read, nullptr) ||
        read == 0) {
      break;
    }
    filled += read;
  }
  bytes.resize(filled);
  return bytes;
}

bool ReplaceSmallFile(const std::wstring& path, std::string_view bytes) {
  const std::wstring temporary = path + L".new";
  {
    UniqueHandle file(
        ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    const bool complete = ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                          written == bytes.size() && ::FlushFileBuffers(file.get());
    if (!complete) {
      file.reset();
      ::DeleteFileW(temporary.c_str());
      return false;
    }
  }
  if (::MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  ::DeleteFileW(temporary.c_str());
  return false;
}

}  // namespace storvane
