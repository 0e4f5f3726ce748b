// Shared by the updater's tests: scratch folders, files, the launcher stand-in and polling.
#pragma once

#include <windows.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "support/scratch_folder.h"

namespace storvane::updater::testing {

inline std::wstring ModuleFolder() {
  wchar_t self[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self, length);
  return path.substr(0, path.find_last_of(L'\\'));
}

// The launcher stand-in, built next to the test programs.
inline std::wstring StubPath() { return ModuleFolder() + L"\\updater_launcher_stub.exe"; }

inline std::vector<uint8_t> ReadFileBytes(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline bool WriteFileBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

inline bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

using testsupport::ScratchFolder;

// The stand-in's bytes with `padding` extra bytes at the end: still the same program, but a
// size of its own, which its marker lines report.
inline std::vector<uint8_t> StubBytes(size_t padding = 0) {
  std::vector<uint8_t> bytes = ReadFileBytes(StubPath());
  bytes.insert(bytes.end(), padding, 0x5A);
  return bytes;
}

// Starts `exe` with "--hold <ms>"; the returned handle is the caller's to close.
inline HANDLE StartHeld(const std::wstring& exe, DWORD holdMs) {
  std::wstring commandLine = L"\"" + exe + L"\" --hold " + std::to_wstring(holdMs);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    return nullptr;
  }
  CloseHandle(info.hThread);
  return info.hProcess;
}

// The stand-in's marker lines in the folder, in order.
inline std::vector<std::string> MarkerLines(const std::wstring& folder) {
  std::ifstream in((folder + L"\\launcher_marker.txt").c_str(), std::ios::binary);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

// Polls `done` every 50 ms for at most `timeoutMs`; true as soon as it holds.
inline bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (done()) return true;
    if (GetTickCount() - start >= timeoutMs) return false;
    Sleep(50);
  }
}

// Host paths handed over by CTest reach a Windows program as they are; Wine maps "/" to Z:.
inline std::wstring HostPathToWindows(const char* hostPath) {
  std::string path = hostPath != nullptr ? hostPath : "";
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  std::wstring wide(path.begin(), path.end());
  for (wchar_t& c : wide) {
    if (c == L'/') c = L'\\';
  }
  return wide;
}

inline std::string Base64(const std::vector<uint8_t>& bytes) {
  static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const uint32_t v = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
    for (int shift : {18, 12, 6, 0}) out += kAlphabet[(v >> shift) & 63];
  }
  if (i + 1 == bytes.size()) {
    const uint32_t v = bytes[i] << 16;
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += "==";
  } else if (i + 2 == bytes.size()) {
    const uint32_t v = (bytes[i] << 16) | (bytes[i + 1] << 8);
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
    out += '=';
  }
  return out;
}

// The JSON body that scripts the test server to answer with `bytes`.
inline std::string ServeBytesScript(const std::vector<uint8_t>& bytes) {
  return R"({"status":200,"headers":["Content-Type: application/octet-stream"],"body_b64":")" + Base64(bytes) + "\"}";
}

}  // namespace storvane::updater::testing
