#include "util/log.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "util/handles.h"
#include "util/win_text.h"

namespace storvane {
namespace {

bool FileLogWanted() {
  wchar_t value[8] = {};
  const DWORD length = ::GetEnvironmentVariableW(L"STORVANE_LOG", value, 8);
  return length > 0 && !(length == 1 && value[0] == L'0');
}

std::wstring LogFilePath() {
  wchar_t folder[MAX_PATH + 1] = {};
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
  if (length == 0 || length > MAX_PATH) return {};
  return std::wstring(folder, length) + L"storvane.log";
}

}  // namespace

void Log(std::string_view gbkText) {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  wchar_t prefix[64] = {};
  std::swprintf(prefix, 64, L"%04u-%02u-%02u %02u:%02u:%02u.%03u [%lu:%lu] ", now.wYear, now.wMonth, now.wDay,
                now.wHour, now.wMinute, now.wSecond, now.wMilliseconds, ::GetCurrentProcessId(),
                ::GetCurrentThreadId());
  const std::wstring line = prefix + GbkToWide(gbkText) + L"\r\n";
  ::OutputDebugStringW(line.c_str());
  if (!FileLogWanted()) return;
  const std::wstring path = LogFilePath();
  if (path.empty()) return;
  // Appends from several processes interleave by whole lines: each line is one write.
  UniqueHandle file(::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  const std::string bytes = WideToUtf8(line);
  DWORD written = 0;
  ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace storvane
