#include "support/demo_service.h"

#include <tlhelp32.h>

#include <cstdlib>

#include "support/test_server.h"
#include "util/win_text.h"

namespace storvane::testing {
namespace {

std::wstring EnvW(const wchar_t* name) {
  const wchar_t* v = _wgetenv(name);
  return v ? std::wstring(v) : std::wstring();
}

testsupport::TestServer Endpoint(int port) {
  testsupport::TestServer s;
  s.http = port;
  return s;
}

}  // namespace

std::wstring HostPathToWindows(std::wstring path) {
  if (!path.empty() && path[0] == L'/') path = L"Z:" + path;
  for (wchar_t& c : path)
    if (c == L'/') c = L'\\';
  return path;
}

std::optional<DemoService> DemoService::Load() {
  const std::wstring state = EnvW(L"STORVANE_DEMO_SERVICE");
  if (state.empty()) return std::nullopt;
  DemoService d;
  d.stateDir = HostPathToWindows(state);
  d.downloadsDir = d.stateDir + L"\\downloads";
  // The fixture writes the port once the service listens (a free one, or the launcher's).
  d.port = std::atoi(ReadFileBytes(d.stateDir + L"\\port").c_str());
  if (d.port <= 0) return std::nullopt;
  return d;
}

std::string DemoService::Base() const { return "http://127.0.0.1:" + std::to_string(port); }

bool DemoService::Control(std::string_view json) const {
  auto r = Endpoint(port).Exchange("POST", "/__control", json);
  return r && r->status == 200;
}

bool DemoService::ResetOffer() const {
  return Control(
      R"({"launcher_version":"2.1","launcher_down":null,"versions":null,"catalogue":null,"bom":true,"entries":0,"single_raw":null,"misbehave":null,"digests":false,"via_only":false})");
}

bool DemoService::Restore() const {
  return Control(R"({"catalogue": null, "bom": true, "entries": 0, "misbehave": null,
                     "versions": {"dianpu": "1.0.3", "caiji": 2.5, "dingdan": "3.2.0"}})");
}

std::string DemoService::Fetch(std::string_view path) const {
  auto r = Endpoint(port).Exchange("GET", path);
  return r ? std::string(r->body.begin(), r->body.end()) : std::string();
}

std::string DemoService::Log() const {
  auto r = Endpoint(port).Exchange("GET", "/__log");
  return r ? std::string(r->body.begin(), r->body.end()) : std::string();
}

std::vector<std::string> DemoService::LogLines() const {
  std::vector<std::string> lines;
  std::string line;
  for (char c : Log()) {
    if (c == '\n') {
      if (!line.empty()) lines.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  return lines;
}

std::wstring InstallDirectory() {
  wchar_t windows[MAX_PATH] = {};
  GetWindowsDirectoryW(windows, MAX_PATH);
  return std::wstring(windows, 2) + L"\\quorlen\\storvane\\zor";
}

std::wstring BuiltLauncher() { return HostPathToWindows(EnvW(L"STORVANE_LAUNCHER")); }

std::wstring InstallLauncher(bool keepTools) {
  const std::wstring dir = InstallDirectory();
  CreateDirectoryW((dir.substr(0, 2) + L"\\quorlen").c_str(), nullptr);
  CreateDirectoryW((dir.substr(0, 2) + L"\\quorlen\\storvane").c_str(), nullptr);
  CreateDirectoryW(dir.c_str(), nullptr);
  if (!keepTools) {
    RemoveTree(dir + L"\\soft");
    // The catalogue a previous run kept would fill the list whenever the service fails.
    RemoveTree(dir + L"\\offline");
  }
  const std::wstring target = dir + L"\\storvane.exe";
  // A run that stopped inside the blocked-copy test leaves a folder of that name behind.
  RemoveDirectoryW(target.c_str());
  CopyFileW(BuiltLauncher().c_str(), target.c_str(), FALSE);
  return target;
}

void EndStrayProcesses() {
  for (int round = 0; round < 3; ++round) {
    UniqueHandle snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snap) return;
    PROCESSENTRY32W e{};
    e.dwSize = sizeof e;
    bool any = false;
    for (BOOL ok = Process32FirstW(snap.get(), &e); ok; ok = Process32NextW(snap.get(), &e)) {
      std::wstring name = e.szExeFile;
      for (wchar_t& c : name) c = static_cast<wchar_t>(towlower(c));
      if (name == L"storvane.exe" || name == L"up.exe" || name.rfind(L"shoptool_", 0) == 0) {
        if (HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, e.th32ProcessID)) {
          TerminateProcess(p, 1);
          WaitForSingleObject(p, 5000);
          CloseHandle(p);
          any = true;
        }
      }
    }
    if (!any) return;
  }
}

}  // namespace storvane::testing
