// Served as the "new launcher" in the self-update tests. Started, it writes the command line it
// was given (UTF-16, no terminator) to selfupdate_marker.txt beside itself and stays a while, as
// a launcher does (up.exe keeps the old one until the new one has kept running); a file that
// appears there proves that this copy, and not the old launcher, was started.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  wchar_t self[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 1;
  std::wstring path(self, length);
  const std::wstring marker = path.substr(0, path.find_last_of(L'\\') + 1) + L"selfupdate_marker.txt";
  const std::wstring line = GetCommandLineW();
  HANDLE file = CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, line.data(), static_cast<DWORD>(line.size() * sizeof(wchar_t)), &written, nullptr);
  CloseHandle(file);
  Sleep(10000);
  return ok ? 0 : 1;
}
