// Helper started by the shell-open tests: writes its own command line (UTF-16) into the file
// named by its first argument, so the test can see exactly what arrived.
#include <windows.h>
#include <shellapi.h>

int wmain() {
  int argc = 0;
  LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  if (argv == nullptr || argc < 2) return 2;
  const wchar_t* line = ::GetCommandLineW();
  HANDLE file = ::CreateFileW(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ::LocalFree(argv);
  if (file == INVALID_HANDLE_VALUE) return 3;
  DWORD written = 0;
  ::WriteFile(file, line, static_cast<DWORD>(::lstrlenW(line) * sizeof(wchar_t)), &written, nullptr);
  ::CloseHandle(file);
  return 0;
}
