// A fresh folder per test under the prefix's temporary directory, removed with its files
// afterwards.
#pragma once

#include <windows.h>

#include <set>
#include <string>

namespace storvane::testsupport {

class ScratchFolder {
public:
  // `tag` starts the folder's name, so leftovers of a crashed run show whose they are.
  explicit ScratchFolder(const std::wstring& tag) {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    static int counter = 0;
    path_ = std::wstring(base) + tag + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(counter++);
    CreateDirectoryW(path_.c_str(), nullptr);
  }
  ~ScratchFolder() { Remove(path_); }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::wstring& path() const { return path_; }
  std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

  // The names directly inside, without "." and "..".
  std::set<std::wstring> Names() const {
    std::set<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((path_ + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
      std::wstring name = data.cFileName;
      if (name != L"." && name != L"..") names.insert(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
  }

private:
  static void Remove(const std::wstring& dir) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((dir + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring full = dir + L"\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
          Remove(full);
        else
          DeleteFileW(full.c_str());
      } while (FindNextFileW(find, &data));
      FindClose(find);
    }
    RemoveDirectoryW(dir.c_str());
  }
  std::wstring path_;
};

}  // namespace storvane::testsupport
