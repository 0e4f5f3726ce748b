// Stands in for the launcher in the updater's tests. Each start appends "start <size>" to
// launcher_marker.txt beside it, <size> being the size of its own executable (which tells an
// old copy from a new one); with "--hold <ms>" (or, without it, the milliseconds written in
// launcher_hold.txt beside it: how a copy up.exe starts is told to keep running) it stays alive
// that long and then appends "end <size>".
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <cwchar>
#include <string>

namespace {

void AppendLine(const std::wstring& file, const std::string& line) {
  for (int attempt = 0; attempt < 50; ++attempt) {
    HANDLE h = CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      WriteFile(h, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
      CloseHandle(h);
      return;
    }
    Sleep(20);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  wchar_t self[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self, length);
  const std::wstring marker = path.substr(0, path.find_last_of(L'\\') + 1) + L"launcher_marker.txt";

  WIN32_FILE_ATTRIBUTE_DATA data{};
  GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
  const std::string size = std::to_string(data.nFileSizeLow);

  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
  DWORD hold = 0;
  for (int i = 1; argv != nullptr && i + 1 < count; ++i) {
    if (std::wcscmp(argv[i], L"--hold") == 0) hold = static_cast<DWORD>(_wtoi(argv[i + 1]));
  }
  if (argv != nullptr) LocalFree(argv);
  if (hold == 0) {
    HANDLE h = CreateFileW((path.substr(0, path.find_last_of(L'\\') + 1) + L"launcher_hold.txt").c_str(), GENERIC_READ,
                           FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      char text[16] = {};
      DWORD read = 0;
      ReadFile(h, text, sizeof text - 1, &read, nullptr);
      CloseHandle(h);
      hold = static_cast<DWORD>(atoi(text));
    }
  }

  AppendLine(marker, "start " + size + "\r\n");
  if (hold > 0) {
    Sleep(hold);
    AppendLine(marker, "end " + size + "\r\n");
  }
  return 0;
}
