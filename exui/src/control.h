// The common part of every skinned control: its window (a child of the unit's host window,
// filling it), double-buffered painting, events to the program, geometry, visibility, update
// locking and the attributes every type shares.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "accessible.h"
#include "draw.h"
#include "exui/include/exui_api.h"
#include "font.h"

namespace storvane::exui {

// Private messages of our windows.
enum : UINT {
  kMsgAccDefault = WM_APP + 0x3E0,  // wParam, lParam: what the accessible default action clicks
  kMsgRepaint = WM_APP + 0x3E1,     // repaint requested from another thread
};

class Control : public AccessibleSource, public std::enable_shared_from_this<Control> {
public:
  explicit Control(ExuiControlType type);
  ~Control() override;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  // Makes the window (see the contract header for where it goes) and gives the control its
  // handle. False when the window cannot be made.
  bool Create(HWND parent, int left, int top, int width, int height, ExuiEventProc eventProc, ExuiEventRecord* record);
  // Destroys the window (the host window stays; its "Tab_Control" property is removed).
  void Destroy();

  int32_t Handle() const noexcept { return handle_; }
  ExuiControlType Type() const noexcept { return type_; }
  HWND Window() const noexcept { return window_; }
  HWND Host() const noexcept { return host_; }
  // The window that carries the unit's geometry: the host when there is one.
  HWND Outer() const noexcept { return host_ != nullptr ? host_ : window_; }

  // Follows the host after it moved (mode 0) or was resized (mode 1).
  void SyncToHost(int mode);

  // Calls the program's event routine; 0 when there is none.
  int Raise(int code, int a = 0, int b = 0, int c = 0, int d = 0);

  virtual bool SetAttribute(int id, ExuiValue value);
  virtual ExuiValue GetAttribute(int id);

  // Geometry of the unit in its parent's client coordinates.
  RECT UnitRect() const;
  bool SetUnitRect(int left, int top, int width, int height);
  bool Visible() const;
  void SetVisible(bool visible);
  bool Disabled() const { return disabled_; }
  void SetDisabled(bool disabled);

  int LockUpdate();
  int UnlockUpdate();
  int LockCount() const { return lockCount_; }

  // Repaint soon; safe from any thread.
  void Invalidate();
  float Scale() const { return scale_; }

  // Accessibility defaults: the window's client area, named by the caption.
  HWND AccWindow() const override { return window_; }
  AccInfo AccSelf() const override;

protected:
  // Draws the whole client area (width x height, in pixels) into g.
  virtual void Paint(Gdiplus::Graphics& g, float width, float height) = 0;
  // Type-specific message handling; set `handled` to stop the default handling.
  virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual long AccRole() const { return ROLE_SYSTEM_CLIENT; }

  // Colour behind the control: its own background, else the window frame's of the same
  // top-level window, else white.
  uint32_t BackdropColour() const;
  // The control's font (descriptor or default) at the current DPI.
  Gdiplus::Font* Font(float sizeFactor = 1.0f) const;
  // The caption as UTF-16 (the caption is kept as GBK, as the program gave it).
  const std::wstring& CaptionWide() const { return captionWide_; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(const char* gbk);

  FontSpec fontSpec_;
  uint32_t textColour_ = 0;
  uint32_t backColour_ = 0;
  uint32_t borderColour_ = 0;
  bool hot_ = false;  // the mouse is over the window

private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void PaintTo(HDC target);
  // Draws the control's picture into `surface` (made at least width x height); false when it
  // cannot be made.
  bool Render(Surface& surface, HDC reference, int width, int height);
  static bool RegisterWindowClass();

  const ExuiControlType type_;
  int32_t handle_ = 0;
  HWND window_ = nullptr;
  HWND host_ = nullptr;
  ExuiEventProc eventProc_ = nullptr;
  ExuiEventRecord* record_ = nullptr;
  std::string caption_;
  std::wstring captionWide_;
  bool disabled_ = false;
  bool created_ = false;  // events start once the program has the control's handle
  bool trackingLeave_ = false;
  bool pressed_ = false;
  std::atomic<int> lockCount_{0};
  float scale_ = 1.0f;
  Surface heldPicture_;
};

// Focus moved by the program (ControlSetFocusControl) raises no focus events: a focus handler
// that moves the focus would otherwise hear about its own move and answer it again.
class QuietFocusScope {
public:
  QuietFocusScope();
  ~QuietFocusScope();
  QuietFocusScope(const QuietFocusScope&) = delete;
  QuietFocusScope& operator=(const QuietFocusScope&) = delete;
  static bool Active();
};

// GBK -> UTF-16 and back, with code page 936 whatever the system's ANSI code page.
std::wstring Wide(const char* gbk);
std::wstring Wide(const std::string& gbk);
std::string Gbk(const std::wstring& wide);

}  // namespace storvane::exui
