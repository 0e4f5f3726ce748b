// Test helpers: the real ExuiKrnln.dll loaded with LoadLibrary from beside the test program,
// typed entry points, host windows made the way the skin support layer makes them, message
// pumping and mouse input.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "exui/include/exui_api.h"

namespace exui_test {

class Dll {
public:
  Dll();
  ~Dll();
  Dll(const Dll&) = delete;
  Dll& operator=(const Dll&) = delete;

  HMODULE module() const { return module_; }
  bool loaded() const { return module_ != nullptr; }

  // The export of that name as a function pointer of type F; null when missing.
  template <typename F>
  F Get(const char* name) const {
    return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module_, name)));
  }

  // Frequently used entry points.
  CreateBinEx_t CreateBin = nullptr;
  DeleteBinEx_t DeleteBin = nullptr;
  ControlGetBindControl_t GetBindControl = nullptr;
  ExuiSetAttribute_t SetLabel = nullptr;

  // Bytes to a buffer of the library, deleted with the Dll.
  ExuiBin Bin(const std::vector<uint8_t>& bytes);

private:
  HMODULE module_ = nullptr;
  std::vector<ExuiBin> bins_;
};

// The 84-byte font descriptor of a face, size and bold switch.
std::vector<uint8_t> FontBytes(const wchar_t* face, int size, bool bold = false);
// GBK bytes of a UTF-16 text, as the program holds texts.
std::string Gbk(const std::wstring& text);
std::wstring FromGbk(const char* gbk);

// WM_CLOSE messages received by the test top-level windows (which stay open).
int& CloseRequests();

// A top-level popup window (no system frame, like the launcher's) shown at the given place.
// Only activated when asked: keyboard input needs an active window of this program.
HWND MakeTopWindow(int left, int top, int width, int height, const wchar_t* title = L"Storvane", bool activate = false);
// A transparent host child window like the support layer's, with its event record.
struct Host {
  HWND window = nullptr;
  ExuiEventRecord record{};
};
Host MakeHost(HWND parent, int left, int top, int width, int height);

// Dispatches messages until `done` returns true or the time runs out; true when done.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(5));
void Pump(std::chrono::milliseconds duration);

// Real mouse input: moves the cursor to a screen point and clicks the left button there.
void ClickAt(POINT screen);
void MoveMouseTo(POINT screen);

// Events received by RecordEvent, the event routine the tests pass to the creation entries.
struct Event {
  void* record;
  int32_t code, a, b, c, d;
};
std::vector<Event>& Events();
int EXUI_CALL RecordEvent(void* record, int32_t code, int32_t a, int32_t b, int32_t c, int32_t d);

// Creation with the 23 values as the support layer passes them.
ExuiControl CreateUnit(const Dll& dll, const char* entry, HWND parent, Host& host);

// PNG bytes of a generated icon (a rounded square in `colour` with a letter).
std::vector<uint8_t> MakeIconPng(uint32_t argb, wchar_t letter, int size = 96);
// Encodes a generated picture with the named GDI+ encoder ("image/png", "image/jpeg", ...).
std::vector<uint8_t> EncodeSample(const wchar_t* mime, int width, int height, uint32_t argb);
// A 16 x 16 32-bit icon file (ICO container around a DIB).
std::vector<uint8_t> MakeIcoFile(uint32_t argb);
// Saves a screen rectangle as a PNG file; true on success.
bool SaveScreenPng(const RECT& screen, const std::wstring& path);
// Colour of a screen pixel as 0xRRGGBB.
uint32_t ScreenPixel(POINT screen);

}  // namespace exui_test
