#include "util/image_file.h"

#include <windows.h>

#include "util/handles.h"

namespace storvane {
namespace {

struct ViewTraits {
  using type = const void*;
  static type invalid() noexcept { return nullptr; }
  static bool is_valid(type p) noexcept { return p != nullptr; }
  static void close(type p) noexcept { ::UnmapViewOfFile(p); }
};

}  // namespace

bool IsCompleteImageFile(const std::wstring& path, std::initializer_list<std::uint16_t> machines) {
  UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file || !::GetFileSizeEx(file.get(), &size) || size.QuadPart < static_cast<LONGLONG>(pe::kDosHeaderSize) ||
      static_cast<unsigned long long>(size.QuadPart) > SIZE_MAX) {
    return false;
  }
  // Mapped rather than read: a tool may be large, and the checks look at a few headers only.
  UniqueHandle mapping(::CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
  if (!mapping) return false;
  UniqueResource<ViewTraits> view(::MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
  if (!view) return false;
  const auto* bytes = static_cast<const std::uint8_t*>(view.get());
  for (std::uint16_t machine : machines) {
    pe::HeaderLayout layout;
    if (pe::CheckRawHeaders(bytes, static_cast<std::size_t>(size.QuadPart), machine, pe::HeaderCheck::Strict, layout) ==
        pe::ImageVerdict::Accepted) {
      return true;
    }
  }
  return false;
}

}  // namespace storvane
