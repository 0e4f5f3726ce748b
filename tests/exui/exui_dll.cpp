#include "exui_dll.h"

#include <objidl.h>
#include <gdiplus.h>
#include <shlwapi.h>

#include <cstring>
#include <mutex>

namespace exui_test {

namespace {

std::wstring ExeDirectory() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir(path);
  return dir.substr(0, dir.find_last_of(L"\\/"));
}

void EnsureGdiplus() {
  static std::once_flag once;
  std::call_once(once, [] {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
  });
}

bool EncoderClsid(const wchar_t* mime, CLSID& out) {
  UINT count = 0, size = 0;
  Gdiplus::GetImageEncodersSize(&count, &size);
  if (size == 0) return false;
  std::vector<uint8_t> buffer(size);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  Gdiplus::GetImageEncoders(count, size, codecs);
  for (UINT i = 0; i < count; ++i) {
    if (std::wcscmp(codecs[i].MimeType, mime) == 0) {
      out = codecs[i].Clsid;
      return true;
    }
  }
  return false;
}

std::vector<uint8_t> Encode(Gdiplus::Bitmap& bitmap, const wchar_t* mime) {
  CLSID clsid;
  if (!EncoderClsid(mime, clsid)) return {};
  IStream* stream = ::SHCreateMemStream(nullptr, 0);
  if (stream == nullptr) return {};
  std::vector<uint8_t> bytes;
  if (bitmap.Save(stream, &clsid, nullptr) == Gdiplus::Ok) {
    STATSTG stat{};
    stream->Stat(&stat, STATFLAG_NONAME);
    bytes.resize(static_cast<size_t>(stat.cbSize.QuadPart));
    LARGE_INTEGER zero{};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    ULONG read = 0;
    stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read);
    bytes.resize(read);
  }
  stream->Release();
  return bytes;
}

LRESULT CALLBACK PlainProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_CLOSE) {
    // The program answers a close request with its close query; the tests only count them.
    ++CloseRequests();
    return 0;
  }
  return ::DefWindowProcW(w, m, wp, lp);
}

void RegisterClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = PlainProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = L"ExuiTestTop";
    ::RegisterClassExW(&wc);
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.hbrBackground = nullptr;
    wc.lpszClassName = L"ExuiTestHost";
    ::RegisterClassExW(&wc);
  });
}

}  // namespace

Dll::Dll() {
  std::wstring path = ExeDirectory() + L"\\ExuiKrnln.dll";
  module_ = ::LoadLibraryW(path.c_str());
  if (module_ == nullptr) return;
  CreateBin = Get<CreateBinEx_t>("CreateBinEx");
  DeleteBin = Get<DeleteBinEx_t>("DeleteBinEx");
  GetBindControl = Get<ControlGetBindControl_t>("ControlGetBindControl");
  SetLabel = Get<ExuiSetAttribute_t>("SetAttribute_LabelEx");
}

Dll::~Dll() {
  // The library is never unloaded by the program either; only the buffers are given back.
  if (DeleteBin != nullptr) {
    for (ExuiBin bin : bins_) DeleteBin(bin);
  }
}

ExuiBin Dll::Bin(const std::vector<uint8_t>& bytes) {
  ExuiBin bin = CreateBin(bytes.data(), static_cast<int32_t>(bytes.size()));
  bins_.push_back(bin);
  return bin;
}

std::vector<uint8_t> FontBytes(const wchar_t* face, int size, bool bold) {
  ExuiFontDescriptor d{};
  for (size_t i = 0; face[i] != 0 && i + 1 < std::size(d.face); ++i) d.face[i] = static_cast<char16_t>(face[i]);
  d.size = size;
  d.bold = bold ? 1 : 0;
  std::vector<uint8_t> bytes(sizeof d);
  std::memcpy(bytes.data(), &d, sizeof d);
  return bytes;
}

std::string Gbk(const std::wstring& text) {
  int n = ::WideCharToMultiByte(936, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(936, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring FromGbk(const char* gbk) {
  if (gbk == nullptr) return {};
  int n = ::MultiByteToWideChar(936, 0, gbk, -1, nullptr, 0);
  std::wstring out(static_cast<size_t>(n > 0 ? n - 1 : 0), L'\0');
  if (n > 1) ::MultiByteToWideChar(936, 0, gbk, -1, out.data(), n);
  return out;
}

HWND MakeTopWindow(int left, int top, int width, int height, const wchar_t* title, bool activate) {
  RegisterClasses();
  HWND w = ::CreateWindowExW(0, L"ExuiTestTop", title, WS_POPUP | WS_CLIPCHILDREN, left, top, width, height, nullptr,
                             nullptr, ::GetModuleHandleW(nullptr), nullptr);
  ::ShowWindow(w, activate ? SW_SHOW : SW_SHOWNOACTIVATE);
  if (activate) ::SetForegroundWindow(w);
  ::UpdateWindow(w);
  return w;
}

Host MakeHost(HWND parent, int left, int top, int width, int height) {
  RegisterClasses();
  Host host;
  host.window = ::CreateWindowExW(WS_EX_TRANSPARENT, L"ExuiTestHost", L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                                  left, top, width, height, parent, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  // Later units lie above earlier ones, as in a window design.
  ::SetWindowPos(host.window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  host.record.hostWindow = host.window;
  host.record.unitId1 = 1;
  host.record.unitId2 = 2;
  host.record.eventOffset = 0;
  return host;
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

void Pump(std::chrono::milliseconds duration) {
  auto end = std::chrono::steady_clock::now() + duration;
  PumpUntil([&] { return std::chrono::steady_clock::now() >= end; }, duration + std::chrono::seconds(1));
}

namespace {

void SendMouse(POINT screen, DWORD flags) {
  int sw = ::GetSystemMetrics(SM_CXSCREEN);
  int sh = ::GetSystemMetrics(SM_CYSCREEN);
  INPUT input{};
  input.type = INPUT_MOUSE;
  // Rounded up, or the pointer lands a pixel short.
  input.mi.dx = static_cast<LONG>((static_cast<long long>(screen.x) * 65536 + sw - 1) / sw);
  input.mi.dy = static_cast<LONG>((static_cast<long long>(screen.y) * 65536 + sh - 1) / sh);
  input.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | flags;
  ::SendInput(1, &input, sizeof input);
}

}  // namespace

void MoveMouseTo(POINT screen) {
  SendMouse(screen, MOUSEEVENTF_MOVE);
  Pump(std::chrono::milliseconds(60));
}

void ClickAt(POINT screen) {
  MoveMouseTo(screen);
  SendMouse(screen, MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTDOWN);
  Pump(std::chrono::milliseconds(40));
  SendMouse(screen, MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTUP);
  Pump(std::chrono::milliseconds(60));
}

int& CloseRequests() {
  static int count = 0;
  return count;
}

std::vector<Event>& Events() {
  static std::vector<Event> events;
  return events;
}

int EXUI_CALL RecordEvent(void* record, int32_t code, int32_t a, int32_t b, int32_t c, int32_t d) {
  Events().push_back({record, code, a, b, c, d});
  return 0;
}

ExuiControl CreateUnit(const Dll& dll, const char* entry, HWND parent, Host& host) {
  auto create = dll.Get<ExuiCreateControl_t>(entry);
  if (create == nullptr) return 0;
  RECT r{};
  ::GetWindowRect(host.window, &r);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return create(0, parent, r.left, r.top, r.right - r.left, r.bottom - r.top, &RecordEvent, &host.record, 0, 0, 0, 0, 0,
                0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
}

std::vector<uint8_t> MakeIconPng(uint32_t argb, wchar_t letter, int size) {
  EnsureGdiplus();
  Gdiplus::Bitmap bitmap(size, size, PixelFormat32bppARGB);
  {
    Gdiplus::Graphics g(&bitmap);
    g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    g.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
    g.Clear(Gdiplus::Color(0, 0, 0, 0));
    Gdiplus::LinearGradientBrush brush(Gdiplus::Point(0, 0), Gdiplus::Point(size, size), Gdiplus::Color(argb),
                                       Gdiplus::Color(0xFF, 0xFF, 0xFF, 0xFF));
    brush.SetBlendTriangularShape(1.0f, 0.35f);
    g.FillRectangle(&brush, 0, 0, size, size);
    Gdiplus::FontFamily family(L"微软雅黑");
    Gdiplus::Font font(&family, size * 0.5f, Gdiplus::FontStyleBold, Gdiplus::UnitPixel);
    Gdiplus::SolidBrush white(Gdiplus::Color(0xFF, 0xFF, 0xFF, 0xFF));
    Gdiplus::StringFormat sf;
    sf.SetAlignment(Gdiplus::StringAlignmentCenter);
    sf.SetLineAlignment(Gdiplus::StringAlignmentCenter);
    wchar_t text[2] = {letter, 0};
    g.DrawString(text, 1, &font, Gdiplus::RectF(0, 0, static_cast<float>(size), static_cast<float>(size)), &sf, &white);
  }
  return Encode(bitmap, L"image/png");
}

std::vector<uint8_t> EncodeSample(const wchar_t* mime, int width, int height, uint32_t argb) {
  EnsureGdiplus();
  Gdiplus::Bitmap bitmap(width, height, PixelFormat32bppARGB);
  {
    Gdiplus::Graphics g(&bitmap);
    g.Clear(Gdiplus::Color(argb));
  }
  return Encode(bitmap, mime);
}

std::vector<uint8_t> MakeIcoFile(uint32_t argb) {
  const int side = 16;
  std::vector<uint8_t> out;
  auto put16 = [&](uint16_t v) {
    out.push_back(v & 0xFF);
    out.push_back(v >> 8);
  };
  auto put32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back((v >> (8 * i)) & 0xFF);
  };
  const uint32_t pixels = side * side * 4;
  const uint32_t mask = side * 4;  // 1 bit per pixel, rows padded to 32 bits
  const uint32_t imageSize = 40 + pixels + mask;
  put16(0);
  put16(1);
  put16(1);  // icon directory with one image
  out.push_back(side);
  out.push_back(side);
  out.push_back(0);
  out.push_back(0);
  put16(1);
  put16(32);
  put32(imageSize);
  put32(6 + 16);
  put32(40);
  put32(side);
  put32(side * 2);
  put16(1);
  put16(32);
  put32(0);
  put32(pixels);
  put32(0);
  put32(0);
  put32(0);
  put32(0);
  for (int i = 0; i < side * side; ++i) put32(argb);
  for (uint32_t i = 0; i < mask; ++i) out.push_back(0);
  return out;
}

bool SaveScreenPng(const RECT& screen, const std::wstring& path) {
  EnsureGdiplus();
  int w = screen.right - screen.left;
  int h = screen.bottom - screen.top;
  HDC screenDc = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screenDc);
  HBITMAP bitmap = ::CreateCompatibleBitmap(screenDc, w, h);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  ::BitBlt(memory, 0, 0, w, h, screenDc, screen.left, screen.top, SRCCOPY);
  ::SelectObject(memory, old);
  bool ok = false;
  {
    Gdiplus::Bitmap image(bitmap, nullptr);
    CLSID clsid;
    ok = EncoderClsid(L"image/png", clsid) && image.Save(path.c_str(), &clsid, nullptr) == Gdiplus::Ok;
  }
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screenDc);
  return ok;
}

uint32_t ScreenPixel(POINT screen) {
  HDC dc = ::GetDC(nullptr);
  COLORREF c = ::GetPixel(dc, screen.x, screen.y);
  ::ReleaseDC(nullptr, dc);
  return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

}  // namespace exui_test
