// Process-wide state of the skin-UI library: its module, GDI+ start-up, and the tables that turn
// the handles given to the program back into objects.
//
// Handles are small counters rather than addresses, so a stale handle can never reach a new
// object that happens to live at the same address; every kind shares one counter, which also
// makes menu entry handles unique in the process.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "exui/include/exui_api.h"

struct IWICImagingFactory;

namespace storvane::exui {

class Control;
class Image;
class Menu;
class Surface;

// A library-side byte buffer (CreateBinEx).
struct BinBuffer {
  std::vector<uint8_t> bytes;
};

class Library {
public:
  static Library& Instance();

  // Base address of this DLL however it was loaded (LoadLibrary or a mapper of our own), found
  // from the address of our own code rather than by name.
  HINSTANCE Module() const noexcept { return module_; }

  // Starts GDI+ once; false when it cannot start (drawing then does nothing).
  bool EnsureGdiplus();

  // The imaging component's factory, made once and kept for the life of the process, like GDI+:
  // GDI+'s own stream decoding builds one for every picture, which made a catalogue icon cost
  // several times its decode. Null on a thread without COM (where GDI+ decodes instead); a later
  // call from a thread with COM still makes it.
  IWICImagingFactory* ImagingFactory();

  int32_t NextHandle();

  // Byte buffers.
  int32_t AddBin(std::vector<uint8_t> bytes);
  bool RemoveBin(int32_t handle);
  std::shared_ptr<BinBuffer> FindBin(int32_t handle);
  // The bytes of a buffer, empty for 0 or an unknown handle.
  std::vector<uint8_t> BinBytes(int32_t handle);

  // Images.
  int32_t AddImage(std::shared_ptr<Image> image);
  bool RemoveImage(int32_t handle);
  std::shared_ptr<Image> FindImage(int32_t handle);

  // Controls. Lookup also accepts a host window (property "Tab_Control") or a control's own
  // window.
  void AddControl(std::shared_ptr<Control> control);
  std::shared_ptr<Control> RemoveControl(int32_t handle);
  std::shared_ptr<Control> FindControl(int32_t handleOrWindow);
  std::vector<std::shared_ptr<Control>> ControlsOfRoot(HWND root);

  // Menus.
  void AddMenu(std::shared_ptr<Menu> menu);
  std::shared_ptr<Menu> RemoveMenu(int32_t handle);
  std::shared_ptr<Menu> FindMenu(int32_t handle);

  // The off-screen surface the calling thread paints its controls through. One per thread, shared
  // by its controls: each picture is finished and copied to the screen before the next control
  // paints, so a surface per control (a window's worth of pixels each) would only hold old pictures.
  Surface& PaintSurface();
  // Gives back the calling thread's surface when nothing has painted through it for `idleMs`: a
  // launcher left open for hours need not hold a window's worth of pixels it is not drawing.
  void ReleaseIdlePaintSurface(ULONGLONG idleMs);

  // Registered module handles (internal command 2008).
  void RegisterModule(ExuiValue module);

  // A text returned to the caller: kept in a buffer of the calling thread until its next call.
  const char* ReturnText(std::string_view text);

private:
  Library();
  ~Library();

  HINSTANCE module_ = nullptr;
  std::mutex mutex_;
  std::once_flag gdiplusOnce_;
  bool gdiplusReady_ = false;
  ULONG_PTR gdiplusToken_ = 0;
  std::mutex imagingMutex_;
  IWICImagingFactory* imagingFactory_ = nullptr;  // never released: the process ends with it
  int32_t nextHandle_ = 0x00A00001;
  std::map<int32_t, std::shared_ptr<BinBuffer>> bins_;
  std::map<int32_t, std::shared_ptr<Image>> images_;
  std::map<int32_t, std::shared_ptr<Control>> controls_;
  std::map<int32_t, std::shared_ptr<Menu>> menus_;
  std::vector<ExuiValue> modules_;
  struct PaintSurfaceOfThread {
    std::unique_ptr<Surface> surface;
    ULONGLONG lastUse = 0;
  };
  std::map<DWORD, PaintSurfaceOfThread> paintSurfaces_;
};

// Name of the host window property that holds a unit's control.
inline constexpr wchar_t kTabControlProperty[] = L"Tab_Control";

// Marks one of our own windows with its control's handle, so that the window alone finds it.
void MarkOwnWindow(HWND window, int32_t handle);
void UnmarkOwnWindow(HWND window);

}  // namespace storvane::exui
