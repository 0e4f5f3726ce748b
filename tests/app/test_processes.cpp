#include "app/test_processes.h"

#include <atomic>

#include "util/win_text.h"

namespace storvane::test_support {
namespace {

std::wstring Wide(std::string_view gbk) { return GbkToWide(gbk); }

}  // namespace

std::string HostToWindowsPath(std::string_view path) {
  std::string out(path);
  if (!out.empty() && out.front() == '/') out = "Z:" + out;
  for (char& c : out) {
    if (c == '/') c = '\\';
  }
  return out;
}

TempFolder::TempFolder(std::string_view hint) {
  static std::atomic<unsigned> counter{0};
  wchar_t temp[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH + 1, temp);
  // Process image paths come back in long form; a short temp path would never compare equal.
  wchar_t longTemp[MAX_PATH + 1] = {};
  const DWORD longLength = ::GetLongPathNameW(temp, longTemp, MAX_PATH + 1);
  std::string base = WideToGbk(longLength > 0 && longLength <= MAX_PATH ? longTemp : temp);
  if (!base.empty() && base.back() == '\\') base.pop_back();
  for (;;) {
    const std::string candidate = base + "\\sv_" + std::string(hint) + "_" + std::to_string(::GetCurrentProcessId()) +
                                  "_" + std::to_string(counter++);
    if (::CreateDirectoryW(Wide(candidate).c_str(), nullptr)) {
      path_ = candidate;
      return;
    }
    if (::GetLastError() != ERROR_ALREADY_EXISTS) return;
  }
}

TempFolder::~TempFolder() {
  if (!path_.empty()) RemoveTree(path_);
}

void RemoveTree(const std::string& path) {
  const std::wstring root = Wide(path);
  WIN32_FIND_DATAW found;
  UniqueFindHandle find(::FindFirstFileW((root + L"\\*").c_str(), &found));
  if (find) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring full = root + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(WideToGbk(full));
      } else {
        ::SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(full.c_str());
      }
    } while (::FindNextFileW(find.get(), &found));
  }
  find.reset();
  // A process started from the folder (a script host) may still have it as its current
  // directory for a moment.
  for (int attempt = 0; attempt < 60 && !::RemoveDirectoryW(root.c_str()); ++attempt) {
    if (::GetLastError() == ERROR_FILE_NOT_FOUND || ::GetLastError() == ERROR_PATH_NOT_FOUND) break;
    ::Sleep(50);
  }
}

bool FileExists(const std::string& path) { return FileAttributes(path) != INVALID_FILE_ATTRIBUTES; }

bool CopyFileTo(const std::string& from, const std::string& to) {
  return ::CopyFileW(Wide(from).c_str(), Wide(to).c_str(), FALSE) != 0;
}

bool WriteBytes(const std::string& path, std::string_view bytes) {
  UniqueHandle file(
      ::CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

std::string ReadBytes(const std::string& path) {
  UniqueHandle file(::CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
  if (!file) return {};
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (::ReadFile(file.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) bytes.append(buffer, got);
  return bytes;
}

DWORD FileAttributes(const std::string& path) { return ::GetFileAttributesW(Wide(path).c_str()); }

ChildProcess::~ChildProcess() { Kill(); }

bool ChildProcess::Resume() { return thread_ && ::ResumeThread(thread_.get()) != static_cast<DWORD>(-1); }

bool ChildProcess::WaitForExit(DWORD ms) {
  return process_ && ::WaitForSingleObject(process_.get(), ms) == WAIT_OBJECT_0;
}

DWORD ChildProcess::ExitCode() const {
  DWORD code = 0;
  if (!process_ || !::GetExitCodeProcess(process_.get(), &code)) return static_cast<DWORD>(-1);
  return code;
}

void ChildProcess::Kill() {
  if (process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
    ::TerminateProcess(process_.get(), 99);
    ::WaitForSingleObject(process_.get(), 5000);
  }
}

ChildProcess StartChild(const std::string& exe, const std::string& arguments, int showCommand, bool suspended) {
  ChildProcess child;
  std::wstring commandLine = L"\"" + Wide(exe) + L"\"";
  if (!arguments.empty()) commandLine += L" " + Wide(arguments);
  std::wstring folder = Wide(exe);
  folder = folder.substr(0, folder.find_last_of(L'\\'));

  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(showCommand);
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, suspended ? CREATE_SUSPENDED : 0, nullptr,
                        folder.c_str(), &startup, &info)) {
    return child;
  }
  child.process_.reset(info.hProcess);
  child.thread_.reset(info.hThread);
  child.id_ = info.dwProcessId;
  return child;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  for (;;) {
    if (condition()) return true;
    if (::GetTickCount64() >= deadline) return false;
    ::Sleep(5);
  }
}

}  // namespace storvane::test_support
