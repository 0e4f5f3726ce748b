#include "support/desktop.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cstdlib>
#include <thread>

#include "util/win_text.h"

namespace storvane::testing {
namespace {

void PumpPending() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

struct FindState {
  DWORD processId;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTopWindow(HWND window, LPARAM param) {
  auto* state = reinterpret_cast<FindState*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == state->processId && IsWindowVisible(window)) state->found.push_back(window);
  return TRUE;
}

struct DialogSearch {
  std::wstring caption;
  HWND found = nullptr;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM param) {
  auto* s = reinterpret_cast<DialogSearch*>(param);
  if (WindowClass(window) == L"#32770" && IsWindowVisible(window) && WindowText(window) == s->caption) {
    s->found = window;
    return FALSE;
  }
  return TRUE;
}

// Gdiplus flat API, loaded at run time (the startup input is four 32-bit fields).
struct GdiplusStartupInput {
  UINT32 version = 1;
  void* callback = nullptr;
  BOOL suppressThread = FALSE;
  BOOL suppressExternal = FALSE;
};
using GdiplusStartupFn = int(WINAPI*)(ULONG_PTR*, const GdiplusStartupInput*, void*);
using GdiplusShutdownFn = void(WINAPI*)(ULONG_PTR);
using CreateFromHbitmapFn = int(WINAPI*)(HBITMAP, HPALETTE, void**);
using SaveToFileFn = int(WINAPI*)(void*, const WCHAR*, const CLSID*, const void*);
using DisposeImageFn = int(WINAPI*)(void*);

// {557CF406-1A04-11D3-9A73-0000F81EF32E}: the PNG encoder.
constexpr CLSID kPngEncoder = {0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};

}  // namespace

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout, std::chrono::milliseconds step) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    PumpPending();
    Sleep(static_cast<DWORD>(step.count()));
  }
}

TestProcess TestProcess::Start(const std::wstring& commandLine, const std::wstring& workingDir) {
  TestProcess p;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::wstring cmd = commandLine;
  if (CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                     workingDir.empty() ? nullptr : workingDir.c_str(), &si, &pi)) {
    CloseHandle(pi.hThread);
    p.process_.reset(pi.hProcess);
    p.id_ = pi.dwProcessId;
  }
  return p;
}

std::optional<DWORD> TestProcess::WaitForExit(std::chrono::milliseconds timeout) {
  if (!process_) return std::nullopt;
  if (WaitForSingleObject(process_.get(), static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  GetExitCodeProcess(process_.get(), &code);
  return code;
}

bool TestProcess::Running() const { return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }

void TestProcess::Kill() {
  if (Running()) {
    TerminateProcess(process_.get(), 1);
    WaitForSingleObject(process_.get(), 5000);
  }
}

TestProcess::~TestProcess() { Kill(); }

std::vector<HWND> TopWindowsOfProcess(DWORD processId) {
  FindState s{processId, {}};
  EnumWindows(CollectTopWindow, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

HWND WaitForTopWindow(DWORD processId, std::chrono::milliseconds timeout) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        auto w = TopWindowsOfProcess(processId);
        found = w.empty() ? nullptr : w.front();
        return found != nullptr;
      },
      timeout);
  return found;
}

std::wstring WindowText(HWND window) {
  wchar_t buf[1024] = {};
  // SendMessageTimeout so that a hung window cannot hang the test.
  DWORD_PTR len = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 2000, &len))
    return {};
  return std::wstring(buf, static_cast<size_t>(len));
}

std::wstring WindowClass(HWND window) {
  wchar_t buf[256] = {};
  int n = GetClassNameW(window, buf, 256);
  return std::wstring(buf, n > 0 ? n : 0);
}

HWND WaitForDialog(const std::wstring& caption, std::chrono::milliseconds timeout) {
  DialogSearch s{caption};
  WaitUntil(
      [&] {
        s.found = nullptr;
        EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&s));
        return s.found != nullptr;
      },
      timeout);
  return s.found;
}

std::wstring DialogMessage(HWND dialog) {
  // The message of a standard message box is its static control 0xFFFF.
  HWND text = GetDlgItem(dialog, 0xFFFF);
  return text ? WindowText(text) : std::wstring();
}

bool ClickDialogButton(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  if (!button) return false;
  return PostMessageW(button, BM_CLICK, 0, 0) != 0;
}

std::wstring AccElement::Name() const {
  Variant id = Variant::FromInt(static_cast<int32_t>(child));
  UniqueBstr name;
  if (!object || FAILED(object->get_accName(*id.get(), name.put()))) return {};
  return name.get() ? std::wstring(name.get(), SysStringLen(name.get())) : std::wstring();
}

std::wstring AccElement::Value() const {
  Variant id = Variant::FromInt(static_cast<int32_t>(child));
  UniqueBstr value;
  if (!object || FAILED(object->get_accValue(*id.get(), value.put()))) return {};
  return value.get() ? std::wstring(value.get(), SysStringLen(value.get())) : std::wstring();
}

long AccElement::Role() const {
  Variant id = Variant::FromInt(static_cast<int32_t>(child));
  Variant role;
  if (!object || FAILED(object->get_accRole(*id.get(), role.put()))) return 0;
  return role.raw().vt == VT_I4 ? role.raw().lVal : 0;
}

long AccElement::State() const {
  Variant id = Variant::FromInt(static_cast<int32_t>(child));
  Variant state;
  if (!object || FAILED(object->get_accState(*id.get(), state.put()))) return 0;
  return state.raw().vt == VT_I4 ? state.raw().lVal : 0;
}

RECT AccElement::Location() const {
  RECT r{};
  long x = 0, y = 0, w = 0, h = 0;
  Variant id = Variant::FromInt(static_cast<int32_t>(child));
  if (object && SUCCEEDED(object->accLocation(&x, &y, &w, &h, *id.get()))) r = {x, y, x + w, y + h};
  return r;
}

bool AccElement::DoDefaultAction() const {
  Variant id = Variant::FromInt(static_cast<int32_t>(child));
  return object && SUCCEEDED(object->accDoDefaultAction(*id.get()));
}

std::vector<AccElement> AccElement::Children() const {
  std::vector<AccElement> out;
  if (!object || child != CHILDID_SELF) return out;
  long count = 0;
  if (FAILED(object->get_accChildCount(&count)) || count <= 0) return out;
  std::vector<VARIANT> kids(static_cast<size_t>(count));
  long got = 0;
  if (FAILED(AccessibleChildren(object.get(), 0, count, kids.data(), &got))) return out;
  for (long i = 0; i < got; ++i) {
    VARIANT& v = kids[static_cast<size_t>(i)];
    AccElement e;
    if (v.vt == VT_DISPATCH && v.pdispVal) {
      IAccessible* acc = nullptr;
      if (SUCCEEDED(v.pdispVal->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&acc)))) {
        e.object.reset(acc);
      }
    } else if (v.vt == VT_I4) {
      e.object = object.Clone();
      e.child = v.lVal;
    }
    VariantClear(&v);
    if (e) out.push_back(std::move(e));
  }
  return out;
}

AccElement AccessibleOf(HWND window) {
  // Accessibility across processes goes through COM; the test thread joins it once.
  thread_local ComInit com;
  AccElement e;
  IAccessible* acc = nullptr;
  if (SUCCEEDED(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                           reinterpret_cast<void**>(&acc)))) {
    e.object.reset(acc);
  }
  return e;
}

AccElement FindAccessible(const AccElement& root, const std::wstring& name, int maxDepth) {
  if (!root) return {};
  if (root.Name() == name) {
    AccElement copy;
    copy.object = root.object.Clone();
    copy.child = root.child;
    return copy;
  }
  if (maxDepth <= 0) return {};
  for (const AccElement& c : root.Children()) {
    AccElement hit = FindAccessible(c, name, maxDepth - 1);
    if (hit) return hit;
  }
  return {};
}

namespace {
BOOL CALLBACK CollectChild(HWND window, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
  return TRUE;
}
}  // namespace

AccElement FindAccessibleInWindows(HWND top, const std::wstring& name, int maxDepth) {
  std::vector<HWND> windows{top};
  EnumChildWindows(top, CollectChild, reinterpret_cast<LPARAM>(&windows));
  for (HWND w : windows) {
    if (!IsWindowVisible(w)) continue;
    AccElement hit = FindAccessible(AccessibleOf(w), name, maxDepth);
    if (hit) return hit;
  }
  return {};
}

void MoveMouseTo(int x, int y) {
  const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  INPUT in{};
  in.type = INPUT_MOUSE;
  // Rounded up: plain truncation lands one pixel short.
  in.mi.dx = static_cast<LONG>((static_cast<long long>(x) * 65536 + sw - 1) / sw);
  in.mi.dy = static_cast<LONG>((static_cast<long long>(y) * 65536 + sh - 1) / sh);
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &in, sizeof in);
}

void ClickAt(int x, int y) {
  MoveMouseTo(x, y);
  Sleep(60);
  INPUT in[2]{};
  in[0].type = in[1].type = INPUT_MOUSE;
  in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(1, &in[0], sizeof(INPUT));
  Sleep(40);
  SendInput(1, &in[1], sizeof(INPUT));
  Sleep(60);
}

bool SaveScreenPng(const std::wstring& path, const RECT* area) {
  RECT r = area ? *area : RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return false;
  UniqueWindowDc screen(nullptr, GetDC(nullptr));
  UniqueMemoryDc mem(CreateCompatibleDC(screen.get()));
  UniqueBitmap bitmap(CreateCompatibleBitmap(screen.get(), w, h));
  if (!mem || !bitmap) return false;
  {
    ScopedSelectObject select(mem.get(), bitmap.get());
    BitBlt(mem.get(), 0, 0, w, h, screen.get(), r.left, r.top, SRCCOPY);
  }
  UniqueModule gdiplus(LoadLibraryW(L"gdiplus.dll"));
  if (!gdiplus) return false;
  auto startup =
      reinterpret_cast<GdiplusStartupFn>(reinterpret_cast<void*>(GetProcAddress(gdiplus.get(), "GdiplusStartup")));
  auto shutdown =
      reinterpret_cast<GdiplusShutdownFn>(reinterpret_cast<void*>(GetProcAddress(gdiplus.get(), "GdiplusShutdown")));
  auto fromHbitmap = reinterpret_cast<CreateFromHbitmapFn>(
      reinterpret_cast<void*>(GetProcAddress(gdiplus.get(), "GdipCreateBitmapFromHBITMAP")));
  auto save =
      reinterpret_cast<SaveToFileFn>(reinterpret_cast<void*>(GetProcAddress(gdiplus.get(), "GdipSaveImageToFile")));
  auto dispose =
      reinterpret_cast<DisposeImageFn>(reinterpret_cast<void*>(GetProcAddress(gdiplus.get(), "GdipDisposeImage")));
  if (!startup || !shutdown || !fromHbitmap || !save || !dispose) return false;
  ULONG_PTR token = 0;
  GdiplusStartupInput input;
  if (startup(&token, &input, nullptr) != 0) return false;
  void* image = nullptr;
  bool ok = fromHbitmap(bitmap.get(), nullptr, &image) == 0 && image;
  if (ok) ok = save(image, path.c_str(), &kPngEncoder, nullptr) == 0;
  if (image) dispose(image);
  shutdown(token);
  return ok;
}

std::wstring ArtifactPath(const std::wstring& fileName) {
  std::wstring dir;
  if (const wchar_t* env = _wgetenv(L"STORVANE_ARTIFACT_DIR"); env && *env) {
    dir = env;
    // The harness gives a host path; Wine shows the host's root as drive Z:.
    if (dir[0] == L'/') dir = L"Z:" + dir;
    for (wchar_t& c : dir)
      if (c == L'/') c = L'\\';
  } else {
    dir = ThisProgramDirectory() + L"\\artifacts";
  }
  MakeDirectories(dir);
  return dir + L"\\" + fileName;
}

bool FileExists(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ReadFileBytes(const std::wstring& path) {
  UniqueHandle f(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, 0, nullptr));
  if (!f) return {};
  std::string out;
  char buf[65536];
  DWORD got = 0;
  while (ReadFile(f.get(), buf, sizeof buf, &got, nullptr) && got > 0) out.append(buf, got);
  return out;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  UniqueHandle f(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  if (!f) return false;
  DWORD written = 0;
  return WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

void RemoveTree(const std::wstring& path) {
  std::wstring from = path;
  from.push_back(L'\0');  // the shell wants a double-terminated list
  SHFILEOPSTRUCTW op{};
  op.wFunc = FO_DELETE;
  op.pFrom = from.c_str();
  op.fFlags = FOF_NO_UI;
  SHFileOperationW(&op);
}

bool MakeDirectories(const std::wstring& path) {
  const int r = SHCreateDirectoryExW(nullptr, path.c_str(), nullptr);
  return r == ERROR_SUCCESS || r == ERROR_ALREADY_EXISTS;
}

std::wstring DirectoryOf(const std::wstring& path) {
  const size_t cut = path.find_last_of(L"\\/");
  return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut);
}

std::wstring ThisProgramDirectory() {
  wchar_t buf[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, buf, MAX_PATH);
  return DirectoryOf(buf);
}

}  // namespace storvane::testing
