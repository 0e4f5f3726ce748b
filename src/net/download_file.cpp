#include "net/download_file.h"

namespace storvane {

std::wstring FolderOfTarget(const std::wstring& target) {
  std::wstring folder = L".";
  if (size_t cut = target.find_last_of(L"\\/"); cut != std::wstring::npos) {
    folder = target.substr(0, cut);
    if (folder.empty() || folder.back() == L':') folder += L'\\';
  }
  return folder;
}

namespace {

// Earlier versions named their temporary files "svd" + hex digits + ".tmp".
bool IsLegacyTemporaryName(std::wstring_view name) {
  if (name.size() < 8 || name.size() > 11) return false;
  if (::CompareStringOrdinal(name.data(), 3, L"svd", 3, TRUE) != CSTR_EQUAL ||
      ::CompareStringOrdinal(name.data() + name.size() - 4, 4, L".tmp", 4, TRUE) != CSTR_EQUAL) {
    return false;
  }
  for (wchar_t c : name.substr(3, name.size() - 7)) {
    const bool hex = (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
    if (!hex) return false;
  }
  return true;
}

}  // namespace

void RemoveLegacyTemporaryFiles(const std::wstring& target) {
  std::wstring folder = FolderOfTarget(target);
  if (folder.back() != L'\\') folder += L'\\';
  WIN32_FIND_DATAW found;
  HANDLE search = ::FindFirstFileW((folder + L"svd*.tmp").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && IsLegacyTemporaryName(found.cFileName)) {
      ::DeleteFileW((folder + found.cFileName).c_str());
    }
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
}

}  // namespace storvane
