#include "msaa_client.h"

#include <sstream>

#include "exui_dll.h"

namespace exui_test {
namespace {

std::wstring FromUtf8(const std::string& s) {
  int n = ::MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n);
  return out;
}

std::wstring ExeDirectory() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir(path);
  return dir.substr(0, dir.find_last_of(L"\\/"));
}

}  // namespace

std::vector<Line> Probe(HWND window, const std::string& args) {
  std::wstring dir = ExeDirectory();
  std::wstring out = dir + L"\\msaa_probe_out.txt";
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE file = ::CreateFileW(out.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::wstring command = L"\"" + dir + L"\\exui_msaa_probe.exe\" " +
                         std::to_wstring(reinterpret_cast<intptr_t>(window)) + L" " + FromUtf8(args);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = file;
  si.hStdError = file;
  PROCESS_INFORMATION pi{};
  BOOL started = ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
  ::CloseHandle(file);
  if (!started) return {};
  PumpUntil([&] { return ::WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0; }, std::chrono::seconds(20));
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  std::vector<Line> lines;
  HANDLE in = ::CreateFileW(out.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  std::string text;
  char buffer[4096];
  DWORD read = 0;
  while (::ReadFile(in, buffer, sizeof buffer, &read, nullptr) && read > 0) text.append(buffer, read);
  ::CloseHandle(in);
  std::istringstream stream(text);
  std::string raw;
  while (std::getline(stream, raw)) {
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    std::vector<std::string> f;
    std::string part;
    std::istringstream fields(raw);
    while (std::getline(fields, part, '|')) f.push_back(part);
    if (!raw.empty() && raw.back() == '|') f.push_back("");  // an empty last field
    Line line;
    line.kind = f.empty() ? "" : f[0];
    if (f.size() >= 8) {
      line.id = std::stol(f[1]);
      line.role = std::stol(f[2]);
      line.name = FromUtf8(f[3]);
      line.value = FromUtf8(f[4]);
      std::sscanf(f[5].c_str(), "%ld,%ld,%ld,%ld", &line.where.left, &line.where.top, &line.where.right,
                  &line.where.bottom);
      line.where.right += line.where.left;
      line.where.bottom += line.where.top;
      line.state = std::stol(f[6]);
      line.action = FromUtf8(f[7]);
    } else if (f.size() >= 2) {
      line.name = FromUtf8(f[1]);
    }
    lines.push_back(line);
  }
  return lines;
}

std::vector<Line> OfKind(const std::vector<Line>& lines, const char* kind) {
  std::vector<Line> out;
  for (auto& l : lines) {
    if (l.kind == kind) out.push_back(l);
  }
  return out;
}

}  // namespace exui_test
