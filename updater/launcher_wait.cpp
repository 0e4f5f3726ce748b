#include "updater/launcher_wait.h"

#include <algorithm>

#include "sys/process_finder.h"
#include "util/handles.h"
#include "util/win_text.h"

namespace storvane::updater {
namespace {

std::wstring Normalized(std::wstring path) {
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return path;
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
  return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

}  // namespace

std::vector<DWORD> FindProcessesOfImage(const std::wstring& executablePath) {
  const std::wstring wanted = Normalized(executablePath);
  const size_t cut = wanted.find_last_of(L'\\');
  const std::wstring name = cut == std::wstring::npos ? wanted : wanted.substr(cut + 1);
  std::vector<DWORD> matches;
  for (DWORD id : FindProcessIdsByExeName(WideToGbk(name))) {
    if (id == ::GetCurrentProcessId()) continue;
    if (SamePath(Normalized(GbkToWide(GetProcessImagePath(id))), wanted)) matches.push_back(id);
  }
  return matches;
}

bool WaitForImageToEnd(const std::wstring& executablePath, DWORD timeoutMs) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    std::vector<UniqueHandle> running;
    for (DWORD id : FindProcessesOfImage(executablePath)) {
      UniqueHandle process(::OpenProcess(SYNCHRONIZE, FALSE, id));
      // One we may not wait on is polled instead, by the next round of the search.
      if (process)
        running.push_back(std::move(process));
      else
        running.emplace_back();
    }
    if (running.empty()) return true;
    const DWORD spent = ::GetTickCount() - start;
    if (spent >= timeoutMs) return false;
    const DWORD remaining = timeoutMs - spent;
    std::vector<HANDLE> waitable;
    for (const UniqueHandle& h : running) {
      if (h) waitable.push_back(h.get());
    }
    if (waitable.size() == running.size() && waitable.size() <= MAXIMUM_WAIT_OBJECTS) {
      ::WaitForMultipleObjects(static_cast<DWORD>(waitable.size()), waitable.data(), TRUE, remaining);
    } else {
      ::Sleep(std::min<DWORD>(remaining, 100));
    }
  }
}

}  // namespace storvane::updater
