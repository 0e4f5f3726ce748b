// The unit runtime: windows built from static designs (a table of units per window), the units'
// events, plain feedback labels that run work on the user-interface thread for worker threads,
// modal windows, close requests and the runtime's message boxes.
//
// A design is plain constant data, written once per window:
//
//   constexpr UnitDesign kUnits[] = {
//       {.type = UnitType::WindowEx, .name = "窗口EX_下载", .width = 360, .height = 140, .fillsWindow = true},
//       {.type = UnitType::ProgressbarEx, .name = "进度条EX_下载", .left = 20, .top = 90, .width = 320,
//        .height = 8, .rangeMax = 10000},
//   };
//   constexpr WindowDesign kDownloadWindow{.name = "下载窗口", .caption = "下载", .width = 360,
//                                          .height = 140, .units = kUnits,
//                                          .onCreated = OnDownloadWindowCreated};
//
// Sizes and places in designs, and everything the program reads or sets of a unit's geometry
// or of a window's client size, are design units: pixels at 96 DPI. The runtime scales them with
// the window's DPI (and again when the window moves to a monitor of another DPI), exactly as the
// skin-UI library scales what lies inside its controls, so one set of numbers describes the
// window at every scale. Only screen placement (Window::ScreenBounds and its kin) is in the
// screen's pixels, and the coordinates the library's events carry are the control's pixels.
//
// A design is shared by every window made from it, so what one window's handlers work on is not
// in the design: it is the window's context, an object handed to LoadWindow that the window owns
// and destroys with itself. Every handler receives its window or unit and reaches the context
// through it (Window::Context).
//
// Everything here belongs to the user-interface thread, except Unit::SendFeedback (any thread,
// it waits for the handler), Unit::SetPosition / SetRangeMax of progress bars and
// Window::RequestClose (any thread, posted).
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "exui_api.h"
#include "uilib/skin_commands.h"

namespace storvane::uilib {

enum class UnitType {
  WindowEx,  // skinned frame; usually fills the window
  LabelEx,
  PictureBoxEx,
  ProgressbarEx,
  IcoListboxEx,
  MinutesboxEx,  // skinned group box; may hold other units
  ButtonEx,      // skinned push button
  Label,         // plain runtime label: a window of our own, the target of feedback messages
};

// The runtime's private feedback message: sent to a plain label with two integers, it runs the
// label's feedback handler on the label's (the user-interface) thread.
inline constexpr UINT kFeedbackMessage = 0x8075;

// Unit event numbers (library code − 660 + the type's event offset, which is 0 for every type).
enum UnitEvent : int {
  kUnitClick = 1,
  kUnitDoubleClick = 2,
  kUnitRightClick = 3,
  kUnitMouseEnter = 4,
  kUnitMouseLeave = 5,
  kUnitFocus = 6,  // a = 1 gained, 0 lost (frames: window activated / deactivated)
  kUnitSize = 7,   // a = width, b = height (the control's pixels)
  kUnitMove = 8,
  kUnitVisible = 9,
  kUnitCloseClick = 10,  // frame close glyph; result 0 lets the window's close query decide
  kUnitMinimiseClick = 11,
  kUnitItemClick = 12,
  kUnitItemDoubleClick = 13,
  kUnitHotItem = 14,
  kUnitScroll = 15,
  kUnitProgress = 16,
  kUnitKey = 17,  // a = the virtual key a button handed on (Escape)
};

class Unit;
class Window;

// What one window's handlers work on. Made by the ContextMaker given to LoadWindow once the
// window's units exist and before its creation handler runs; owned by the window and destroyed
// with it, after its units' windows are gone.
class WindowContext {
public:
  virtual ~WindowContext() = default;
};
// Null gives a window without a context.
using ContextMaker = std::function<std::unique_ptr<WindowContext>(Window& window)>;

using WindowHandler = void (*)(Window& window);
using CloseQueryHandler = bool (*)(Window& window);
using WindowFocusHandler = void (*)(Window& window, int a, int b);
using UnitEventHandler = int (*)(Unit& unit, int event, std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d);
using UnitFocusHandler = void (*)(Unit& unit, int a, int b);
// A plain label's feedback: the message's two integers in, the sender's result out. Results travel
// back as the message's return value, never through an address inside the message.
using FeedbackHandler = int (*)(Unit& label, int a, int b);

struct UnitDesign {
  UnitType type = UnitType::Label;
  const char* name = "";  // GBK, unique in its window
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  const char* caption = "";
  bool visible = true;
  const char* container = nullptr;  // a MinutesboxEx unit of the same window holding this one
  int rangeMax = 100;               // progress bars
  bool fillsWindow = false;         // kept at the window's client size
  UnitEventHandler onEvent = nullptr;
  UnitFocusHandler onFocus = nullptr;    // the unit's focus event, with its a and b
  FeedbackHandler onFeedback = nullptr;  // plain labels: the feedback message's two integers
};

struct WindowDesign {
  const char* name = "";     // GBK; FindLoadedWindow finds the window by it
  const char* caption = "";  // the window's own title (taskbar)
  int width = 0;             // client size; made smaller where the monitor's work area is
  int height = 0;
  std::span<const UnitDesign> units;
  WindowHandler onCreated = nullptr;         // units and context exist, window not shown yet
  WindowHandler onShown = nullptr;           // once, when the message loop first gets to it after showing
  WindowHandler onSizeChanged = nullptr;     // client size changed (after creation)
  CloseQueryHandler onCloseQuery = nullptr;  // false keeps the window open
  WindowFocusHandler onFocus = nullptr;      // activation: (1, 0) activated, (0, 0) deactivated
};

class Unit {
public:
  Unit(Window& window, const UnitDesign& design, int index);
  Unit(const Unit&) = delete;
  Unit& operator=(const Unit&) = delete;

  UnitType type() const { return design_.type; }
  const UnitDesign& design() const { return design_; }
  std::string_view name() const { return design_.name; }
  Window& window() const { return window_; }
  // The unit's window: the host of a skinned unit or the plain label itself; null once destroyed.
  HWND hwnd() const { return hwnd_; }
  bool skinned() const { return design_.type != UnitType::Label; }
  // The library's control of a skinned unit (bound to its host window); 0 for plain labels and
  // when the library is missing.
  ExuiControl control() const { return control_; }

  std::string Caption() const;
  void SetCaption(std::string_view caption);
  bool Visible() const;
  void SetVisible(bool visible);
  // Position in the parent's client area (the window, or the container unit) and size, in
  // design units.
  RECT Bounds() const;
  int Left() const { return Bounds().left; }
  int Top() const { return Bounds().top; }
  int Width() const;
  int Height() const;
  void Move(int left, int top, int width, int height);
  void SetLeft(int left);
  void SetTop(int top);
  void SetWidth(int width);
  void SetHeight(int height);

  // The library's attributes of a skinned unit (exui_api.h ExuiAttribute); 0 when refused.
  ExuiValue Attribute(int id) const;
  bool SetAttribute(int id, ExuiValue value);
  // Progress bars.
  int RangeMax() const { return static_cast<int>(Attribute(EXUI_ATTR_RANGE_MAX)); }
  void SetRangeMax(int maximum) { SetAttribute(EXUI_ATTR_RANGE_MAX, maximum); }
  int Position() const { return static_cast<int>(Attribute(EXUI_ATTR_POSITION)); }
  void SetPosition(int position) { SetAttribute(EXUI_ATTR_POSITION, position); }

  // Plain labels: sends the feedback message and waits until the handler has run on the
  // user-interface thread; its result is the handler's. Callable from any thread.
  LRESULT SendFeedback(int a = 0, int b = 0) const;

  // Internal to the runtime and the skin support layer.
  ExuiEventRecord& eventRecord() { return record_; }
  void Create(HWND parent);
  void MovePixels(int left, int top, int width, int height);
  void Forget() {
    hwnd_ = nullptr;
    control_ = 0;
  }
  int Dispatch(int event, std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d);

private:
  SkinType skinType() const;

  Window& window_;
  const UnitDesign& design_;
  ExuiEventRecord record_{};
  HWND hwnd_ = nullptr;
  ExuiControl control_ = 0;
  std::string caption_;
};

class Window {
public:
  Window(const WindowDesign& design, Window* parent, bool modal);
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND hwnd() const { return hwnd_; }
  const WindowDesign& design() const { return design_; }
  Window* parent() const { return parent_; }
  bool modal() const { return modal_; }
  Unit* FindUnit(std::string_view name) const;
  // The unit whose skinned control is `control`; null when none of this window's is.
  Unit* FindUnitOfControl(ExuiControl control) const;

  // The context the window was loaded with, as a T; null when it has none or another kind.
  template <typename T>
  T* Context() const {
    return dynamic_cast<T*>(context_.get());
  }

  // Placement on the screen, in the screen's pixels.
  RECT ScreenBounds() const;
  int Left() const { return ScreenBounds().left; }
  int Top() const { return ScreenBounds().top; }
  int Width() const;
  int Height() const;
  void MoveTo(int left, int top);
  // Client size in design units.
  int ClientWidth() const;
  int ClientHeight() const;

  // The window's DPI (96 until it exists) and the conversions between design units and its
  // pixels. Rounded to the nearest pixel, as the library rounds the places inside controls.
  int Dpi() const { return dpi_; }
  int ToPixels(int designUnits) const;
  int ToDesignUnits(int pixels) const;

  // Posts the runtime's close request (the close query, if any, decides). Any thread.
  void RequestClose() const;

  // Internal to the runtime.
  bool Create(const ContextMaker& makeContext);
  // Shrinks the window into its monitor's work area where it does not fit (a large scale on a
  // small screen); the size handler lays the units out for what is left.
  void FitIntoWorkArea();
  void Attach(HWND hwnd) { hwnd_ = hwnd; }
  LRESULT Handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  int serial() const { return serial_; }

private:
  void FitFillingUnits();
  void ChangeDpi(int dpi, const RECT& suggested);

  const WindowDesign& design_;
  Window* parent_;
  bool modal_;
  bool ready_ = false;
  bool shown_ = false;
  bool rescaling_ = false;  // size changes wait until every unit has its new scale
  int dpi_ = 96;
  int serial_;
  HWND hwnd_ = nullptr;
  std::vector<std::unique_ptr<Unit>> units_;
  // Declared after the units: destroyed before them, while every reference it holds is valid.
  std::unique_ptr<WindowContext> context_;
};

// Builds the window of `design` with its units and the context `makeContext` gives, runs its
// creation handler, shows it and returns it (it lives until it is closed); null when the window
// cannot be made. With a parent the window belongs to it and is centred on it.
Window* LoadWindow(const WindowDesign& design, Window* parent = nullptr, const ContextMaker& makeContext = {});

// The same, modal: the parent is disabled until the window has closed; returns then.
void LoadModalWindow(const WindowDesign& design, Window* parent, const ContextMaker& makeContext = {});

// A loaded window by its design's name, and a unit of it; null when there is none.
Window* FindLoadedWindow(std::string_view designName);
Unit* FindLoadedUnit(std::string_view designName, std::string_view unitName);
// The unit of any loaded window whose skinned control is `control`: how a routine the library
// calls with nothing but a control finds its way back to the unit, its window and its context.
Unit* FindUnitOfControl(ExuiControl control);

// Dispatches window messages until the quit message (posted when the last window without a
// parent closes); returns its exit code.
int RunMessageLoop();

// The runtime's message box: task-modal, texts in GBK. Returns the button pressed.
inline constexpr char kDefaultMessageCaption[] = "信息：";
int RuntimeMessageBox(std::string_view text, UINT type = MB_OK, std::string_view caption = kDefaultMessageCaption,
                      HWND owner = nullptr);

}  // namespace storvane::uilib
