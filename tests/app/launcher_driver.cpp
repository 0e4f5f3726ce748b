#include "app/launcher_driver.h"

#include <shellapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <cstddef>

#include <cwctype>

#include "util/handles.h"

namespace storvane::testing {
namespace {

constexpr wchar_t kMenuClass[] = L"StorvaneExuiMenu";
constexpr wchar_t kMessageBoxClass[] = L"#32770";

std::wstring Normalised(std::wstring path) {
  for (wchar_t& c : path) c = c == L'/' ? L'\\' : static_cast<wchar_t>(std::towlower(c));
  return path;
}

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

BOOL CALLBACK CollectChild(HWND window, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
  return TRUE;
}

std::vector<HWND> WindowsInside(HWND top) {
  std::vector<HWND> windows;
  EnumChildWindows(top, CollectChild, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

AccElement FirstWithRole(HWND top, long role) {
  for (HWND w : WindowsInside(top)) {
    if (!IsWindowVisible(w)) continue;
    AccElement e = AccessibleOf(w);
    if (e && e.Role() == role) return e;
  }
  return {};
}

void PressKey(WORD key) {
  INPUT in[2]{};
  in[0].type = in[1].type = INPUT_KEYBOARD;
  in[0].ki.wVk = in[1].ki.wVk = key;
  in[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, in, sizeof(INPUT));
}

}  // namespace

bool LauncherDriver::Start(const std::wstring& exe, std::chrono::milliseconds timeout) {
  process_ = TestProcess::Start(Quoted(exe), DirectoryOf(exe));
  if (!process_.started()) return false;
  processId_ = process_.id();
  window_ = WaitForTopWindow(processId_, timeout);
  return window_ != nullptr;
}

bool LauncherDriver::Attach(DWORD processId, std::chrono::milliseconds timeout) {
  processId_ = processId;
  window_ = WaitForTopWindow(processId_, timeout);
  return window_ != nullptr;
}

AccElement LauncherDriver::List() const { return window_ ? FirstWithRole(window_, ROLE_SYSTEM_LIST) : AccElement{}; }

std::vector<AccElement> LauncherDriver::Items() const {
  AccElement list = List();
  return list ? list.Children() : std::vector<AccElement>{};
}

bool LauncherDriver::WaitForItems(size_t count, std::chrono::milliseconds timeout) {
  return WaitUntil([&] { return Items().size() == count; }, timeout, std::chrono::milliseconds(200));
}

std::wstring LauncherDriver::Title(size_t item) const {
  auto items = Items();
  return item < items.size() ? items[item].Name() : std::wstring();
}

std::wstring LauncherDriver::Caption(size_t item) const {
  auto items = Items();
  return item < items.size() ? items[item].Value() : std::wstring();
}

bool LauncherDriver::WaitForCaption(size_t item, const std::wstring& caption, std::chrono::milliseconds timeout) const {
  return WaitUntil([&] { return Caption(item) == caption; }, timeout, std::chrono::milliseconds(100));
}

AccElement LauncherDriver::ItemButton(size_t item, size_t button) const {
  auto items = Items();
  if (item >= items.size()) return {};
  auto buttons = items[item].Children();
  if (button >= buttons.size()) return {};
  return std::move(buttons[button]);
}

bool LauncherDriver::Press(const AccElement& element) {
  lastPressWasClick_ = false;
  if (!element) return false;
  const RECT r = element.Location();
  const POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  if (r.right > r.left && r.bottom > r.top) {
    DWORD owner = 0;
    GetWindowThreadProcessId(WindowFromPoint(centre), &owner);
    if (owner == processId_) {
      ClickAt(centre.x, centre.y);
      lastPressWasClick_ = true;
      return true;
    }
  }
  // Covered (a tool's window lies over the launcher) or scrolled away: the accessible action
  // does what the click would.
  return element.DoDefaultAction();
}

bool LauncherDriver::PressAction(size_t item) { return Press(ItemButton(item, 0)); }
bool LauncherDriver::PressMenuButton(size_t item) { return Press(ItemButton(item, 1)); }

HWND LauncherDriver::MenuWindow() const {
  for (HWND w : TopWindowsOfProcess(processId_)) {
    if (WindowClass(w) == kMenuClass) return w;
  }
  return nullptr;
}

std::vector<MenuEntryState> LauncherDriver::OpenMenu(size_t item) {
  std::vector<MenuEntryState> entries;
  if (!PressMenuButton(item)) return entries;
  HWND menu = nullptr;
  if (!WaitUntil([&] { return (menu = MenuWindow()) != nullptr; }, std::chrono::seconds(15))) return entries;
  for (const AccElement& e : AccessibleOf(menu).Children()) {
    if (e.Role() == ROLE_SYSTEM_SEPARATOR || e.Name().empty()) continue;
    entries.push_back({e.Name(), (e.State() & STATE_SYSTEM_UNAVAILABLE) == 0});
  }
  return entries;
}

bool LauncherDriver::ChooseMenuEntry(const std::wstring& name) {
  HWND menu = MenuWindow();
  if (!menu) return false;
  AccElement entry = FindAccessible(AccessibleOf(menu), name, 1);
  if (!Press(entry)) return false;
  return WaitUntil([&] { return MenuWindow() == nullptr; }, std::chrono::seconds(10));
}

bool LauncherDriver::CloseMenu() {
  if (!MenuWindow()) return true;
  PressKey(VK_ESCAPE);
  if (WaitUntil([&] { return MenuWindow() == nullptr; }, std::chrono::seconds(3))) return true;
  // A click outside the menu dismisses it too; the title bar's middle does nothing else.
  RECT r{};
  GetWindowRect(window_, &r);
  ClickAt((r.left + r.right) / 2, r.top + 12);
  return WaitUntil([&] { return MenuWindow() == nullptr; }, std::chrono::seconds(5));
}

HWND LauncherDriver::DownloadWindow() const {
  for (HWND w : TopWindowsOfProcess(processId_)) {
    if (w == window_) continue;
    const std::wstring cls = WindowClass(w);
    if (cls == kMenuClass || cls == kMessageBoxClass) continue;
    return w;
  }
  return nullptr;
}

int LauncherDriver::ProgressPercent(HWND window) {
  AccElement bar = FirstWithRole(window, ROLE_SYSTEM_PROGRESSBAR);
  if (!bar) return -1;
  const std::wstring value = bar.Value();
  if (value.empty() || !std::iswdigit(value[0])) return -1;
  return _wtoi(value.c_str());
}

std::vector<DWORD> ProcessesWithImage(const std::wstring& exePath) {
  std::vector<DWORD> found;
  const std::wstring wanted = Normalised(exePath);
  const size_t cut = wanted.find_last_of(L'\\');
  const std::wstring baseName = cut == std::wstring::npos ? wanted : wanted.substr(cut + 1);
  UniqueHandle snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snap) return found;
  PROCESSENTRY32W e{};
  e.dwSize = sizeof e;
  for (BOOL ok = Process32FirstW(snap.get(), &e); ok; ok = Process32NextW(snap.get(), &e)) {
    if (Normalised(e.szExeFile) != baseName) continue;
    UniqueHandle modules(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, e.th32ProcessID));
    if (!modules) continue;
    MODULEENTRY32W m{};
    m.dwSize = sizeof m;
    if (Module32FirstW(modules.get(), &m) && Normalised(m.szExePath) == wanted) found.push_back(e.th32ProcessID);
  }
  return found;
}

std::optional<std::wstring> ProcessCommandLine(DWORD processId) {
  // NtQueryInformationProcess gives the process environment block; its process parameters
  // hold the command line as a counted UTF-16 string (offsets of this build's architecture).
  using QueryFn = LONG(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);
  struct BasicInformation {
    PVOID exitStatus;
    PVOID pebBase;
    PVOID affinity;
    PVOID priority;
    ULONG_PTR processId;
    PVOID parentId;
  };
  struct CountedString {
    USHORT length;
    USHORT maximum;
    PWSTR buffer;
  };
  auto query = reinterpret_cast<QueryFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
  UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
  if (!query || !process) return std::nullopt;
  BasicInformation info{};
  if (query(process.get(), 0, &info, sizeof info, nullptr) != 0 || !info.pebBase) return std::nullopt;
  PVOID parameters = nullptr;
  if (!ReadProcessMemory(process.get(), static_cast<char*>(info.pebBase) + offsetof(PEB, ProcessParameters),
                         &parameters, sizeof parameters, nullptr)) {
    return std::nullopt;
  }
  CountedString line{};
  if (!ReadProcessMemory(process.get(),
                         static_cast<char*>(parameters) + offsetof(RTL_USER_PROCESS_PARAMETERS, CommandLine), &line,
                         sizeof line, nullptr)) {
    return std::nullopt;
  }
  std::wstring text(line.length / sizeof(wchar_t), L'\0');
  if (!text.empty() && !ReadProcessMemory(process.get(), line.buffer, text.data(), line.length, nullptr)) {
    return std::nullopt;
  }
  return text;
}

HWND MainWindowOf(DWORD processId) {
  auto windows = TopWindowsOfProcess(processId);
  return windows.empty() ? nullptr : windows.front();
}

bool EndProcess(DWORD processId) {
  UniqueHandle p(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId));
  if (!p) return false;
  TerminateProcess(p.get(), 1);
  return WaitForSingleObject(p.get(), 10000) == WAIT_OBJECT_0;
}

}  // namespace storvane::testing
