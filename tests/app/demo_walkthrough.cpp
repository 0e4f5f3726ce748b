// The demo's walk through the launcher that already runs: install the first tool through its
// real window, open it, and save a screenshot of each step into the folder given as the only
// argument (02-installing.png, 03-installed.png, 04-menu.png, 05-running.png). Prints each step
// and ends with 0 when every step was seen, 1 otherwise.
#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <string>

#include "app/launcher_driver.h"
#include "util/handles.h"

namespace storvane::testing {
namespace {

using namespace std::chrono_literals;

DWORD FindLauncher() {
  UniqueHandle snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snap) return 0;
  PROCESSENTRY32W e{};
  e.dwSize = sizeof e;
  for (BOOL ok = Process32FirstW(snap.get(), &e); ok; ok = Process32NextW(snap.get(), &e)) {
    if (_wcsicmp(e.szExeFile, L"storvane.exe") == 0) return e.th32ProcessID;
  }
  return 0;
}

bool Step(bool ok, const char* what) {
  std::printf("%s %s\n", ok ? "ok  " : "FAIL", what);
  std::fflush(stdout);
  return ok;
}

int Walk(const std::wstring& folder) {
  MakeDirectories(folder);
  auto shot = [&](const wchar_t* name) { return SaveScreenPng(folder + L"\\" + name); };

  DWORD launcherId = 0;
  WaitUntil([&] { return (launcherId = FindLauncher()) != 0; }, 60s);
  LauncherDriver launcher;
  if (!Step(launcherId != 0 && launcher.Attach(launcherId), "launcher window")) return 1;
  if (!Step(launcher.WaitForItems(3, 60s), "three tools listed")) return 1;

  // Install: the picture is taken while the download window shows progress.
  bool ok = launcher.PressAction(0);
  bool pictured = false;
  ok = ok && WaitUntil(
                 [&] {
                   HWND w = launcher.DownloadWindow();
                   if (w && !pictured && LauncherDriver::ProgressPercent(w) > 0) pictured = shot(L"02-installing.png");
                   return pictured;
                 },
                 60s, 20ms);
  if (!Step(ok, "installing (02-installing.png)")) return 1;
  ok = launcher.WaitForCaption(0, L"打开软件", 60s);
  WaitUntil([&] { return launcher.DownloadWindow() == nullptr; }, 30s);
  if (!Step(ok && shot(L"03-installed.png"), "installed (03-installed.png)")) return 1;

  auto menu = launcher.OpenMenu(0);
  ok = !menu.empty() && shot(L"04-menu.png");
  launcher.CloseMenu();
  if (!Step(ok, "item menu (04-menu.png)")) return 1;

  ok = launcher.PressAction(0) && launcher.WaitForCaption(0, L"正在运行", 60s);
  WaitUntil([] { return false; }, 500ms);  // let the tool's window finish painting
  if (!Step(ok && shot(L"05-running.png"), "running (05-running.png)")) return 1;
  return 0;
}

}  // namespace
}  // namespace storvane::testing

int main() {
  // The folder may hold any characters: read it from the wide command line.
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr || argc != 2) {
    std::fprintf(stderr, "usage: demo_walkthrough <screenshot folder>\n");
    if (argv) LocalFree(argv);
    return 2;
  }
  const std::wstring folder = argv[1];
  LocalFree(argv);
  return storvane::testing::Walk(folder);
}
