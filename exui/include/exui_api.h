// Contract of ExuiKrnln.dll, Storvane's skin-UI library.
//
// Everything the launcher's skin support layer may call, and everything the library calls back.
// The DLL exports these names undecorated, all __stdcall. Integers and the library's own handles
// are 32-bit values; wherever a value may carry a pointer or a system handle (texts passed or
// returned through an integer slot, routines, module handles, user values) it is an ExuiValue,
// pointer-sized, so that the same contract holds in a 64-bit build (in the 32-bit build it is
// the same 4 bytes as ever). Compile-time only: no code here, no dependencies beyond <cstdint>.
// This header is extended, never changed, once published.
//
// Conventions
// - Texts are zero-terminated GBK (code page 936) byte strings, `const char*`. A null text is
//   the empty text.
// - Texts returned by the library (ControlGetElemData_Text, GetAttribute_* of a caption, ...)
//   point into a buffer of the calling thread that stays valid until that thread's next call
//   returning a text. Copy them at once. A failure returns a pointer to "" (never null).
// - Byte buffers (skins, font descriptors, empty byte arrays) are passed as BinEx handles made
//   with CreateBinEx. The library copies whatever it keeps, so the caller may DeleteBinEx right
//   after the call. A BinEx handle of 0 means "no bytes".
// - Control handles (ExuiControl) are opaque non-zero values. Every entry taking a control also
//   accepts the host window of a unit (a window whose property "Tab_Control" holds a control)
//   or the control's own window; unknown values make the call fail with 0 / "".
// - Colours are ARGB (0xAARRGGBB); alpha 0 means "not set, use the default look".
// - Units: control geometry (creation, ControlSet*/Get*, host windows) is in real pixels of the
//   parent window. Everything inside a control that the program designs in pixels (element
//   template places, item width and height, menu entry sizes, font sizes) is in logical pixels
//   at 96 DPI, which the library scales with the window's DPI.
// - Failures are values (0, -1, ""), never exceptions; no call ever crashes on an unknown handle.
// - The library's windows belong to the thread that created them. Calls that only store a value
//   and repaint (SetAttribute_ProgressbarEx with position, range) may come from any thread; all
//   other calls belong on the user-interface thread.
#ifndef STORVANE_EXUI_API_H
#define STORVANE_EXUI_API_H

#include <cstdint>

#define EXUI_CALL __stdcall

// ---------------------------------------------------------------------------------------------
// Handles
using ExuiValue = intptr_t;    // an integer slot that may carry a pointer or a system handle
using ExuiControl = int32_t;   // a skinned control
using ExuiBin = int32_t;       // a library-side byte buffer (CreateBinEx)
using ExuiImage = int32_t;     // an image object (LoadImageEx)
using ExuiMenu = int32_t;      // a popup menu (Create_MenuEx)
using ExuiMenuItem = int32_t;  // one menu entry (InsertItem_MenuEx)

// ---------------------------------------------------------------------------------------------
// The unit's event record, as the library reads it. The support layer owns it and keeps it
// alive as long as the control lives; the library only reads `hostWindow` and hands the pointer
// back, unchanged, as the first argument of every event.
struct ExuiEventRecord {
  void* hostWindow;  // HWND of the unit's host window
  int32_t unitId1;   // unit identifiers of the runtime (not read by the library)
  int32_t unitId2;
  int32_t eventOffset;  // the type's event offset (not read by the library)
  void* unitRecord;     // the runtime's unit record (not read by the library)
};

// Event routine given to the CreateControl_* entries. The result goes back to the control; for
// the events below 0 means "not handled, do the default".
using ExuiEventProc = int(EXUI_CALL*)(void* eventRecord, int32_t code, int32_t a, int32_t b, int32_t c, int32_t d);

// Event codes raised through ExuiEventProc (all below 700; the support layer forwards code - 660
// + the type's event offset to the runtime). a, b, c, d as listed; unlisted values are 0.
enum ExuiEventCode : int32_t {
  EXUI_EV_CLICK = 661,          // left click released inside the control (labels, picture box,
                                // group box, window frame client area). a = x, b = y (client).
  EXUI_EV_DBLCLICK = 662,       // left double click. a = x, b = y.
  EXUI_EV_RCLICK = 663,         // right click released. a = x, b = y.
  EXUI_EV_MOUSE_ENTER = 664,    // the mouse entered the control.
  EXUI_EV_MOUSE_LEAVE = 665,    // the mouse left the control.
  EXUI_EV_FOCUS = 666,          // the control's window got (a = 1) or lost (a = 0) the keyboard
                                // focus.
  EXUI_EV_SIZE = 667,           // the control's size changed. a = width, b = height.
  EXUI_EV_MOVE = 668,           // the control's position changed. a = left, b = top (in parent).
  EXUI_EV_VISIBLE = 669,        // visibility changed. a = 1 shown, 0 hidden.
  EXUI_EV_CLOSE_CLICK = 670,    // window frame: the close glyph was clicked. Result 0 (default):
                                // the library posts WM_CLOSE to the top-level window, whose close
                                // handling (the program's close query) decides. Non-zero: nothing.
  EXUI_EV_MIN_CLICK = 671,      // window frame: the minimise glyph was clicked. Result 0: the
                                // library minimises the top-level window. Non-zero: nothing.
  EXUI_EV_ITEM_CLICK = 672,     // icon list: an item was clicked outside its buttons. a = item
                                // index, b = element index under the mouse or -1.
  EXUI_EV_ITEM_DBLCLICK = 673,  // icon list: an item was double-clicked. a = item index.
  EXUI_EV_HOT_ITEM = 674,       // icon list: the item under the mouse changed. a = item or -1.
  EXUI_EV_SCROLL = 675,         // icon list: the scroll offset changed. a = offset in pixels.
  EXUI_EV_PROGRESS = 676,       // progress bar: the position changed. a = position.
  EXUI_EV_KEY = 677,            // button: a key it does not use was pressed while it had the
                                // focus (Escape). a = the virtual key.
};

// Element click routine given to ControlSetElemAttribute_Button (as an ExuiValue). Called on the
// user-interface thread when a button element is clicked (left button pressed and released on
// it), and by the accessible default action of the button:
//   control  the list control (ExuiControl)
//   code     EXUI_ELEM_CLICK (0x10000)
//   kind     the second argument of the element calls (1)
//   item     zero-based item index
//   column   -1
//   element  element index of the button
//   x, y     mouse position relative to the item's top-left corner (-1, -1 from accessibility)
//   state    the button's state flag at the time of the click
using ExuiElemClickProc = int(EXUI_CALL*)(int32_t control, int32_t code, int32_t kind, int32_t item, int32_t column,
                                          int32_t element, int32_t x, int32_t y, int32_t state);
constexpr int32_t EXUI_ELEM_CLICK = 0x10000;

// Menu event routine given to Create_MenuEx:
//   menu      the menu handle
//   code      EXUI_MENU_CHOSEN (650) when an entry was chosen; EXUI_MENU_CLOSED (651) when the
//             menu closed without a choice
//   item      the chosen entry's handle, exactly as InsertItem_MenuEx returned it (0 for 651)
//   index     zero-based position of the entry in the menu (-1 for 651)
//   userValue the last argument of Create_MenuEx
//   reserved  0
// The menu is already closed when the routine runs. The result is ignored.
using ExuiMenuProc = int(EXUI_CALL*)(int32_t menu, int32_t code, int32_t item, int32_t index, ExuiValue userValue,
                                     int32_t reserved);
constexpr int32_t EXUI_MENU_CHOSEN = 650;
constexpr int32_t EXUI_MENU_CLOSED = 651;

// ---------------------------------------------------------------------------------------------
// Attribute ids of SetAttribute_* / GetAttribute_*. One numbering for all types; each type
// accepts the ids listed for it and refuses others (result 0). Value kinds:
//   text  = const char* (GBK); the getter returns a thread buffer (see Conventions)
//   font  = ExuiBin holding the 84-byte font descriptor; the getter returns a pointer to the
//           control's 84 bytes (read-only, valid until the font changes)
//   image = ExuiImage; the control keeps its own reference, the caller may destroy its handle
//   int / colour / bool = the integer itself
enum ExuiAttribute : int32_t {
  EXUI_ATTR_CAPTION = 1,        // text. Window (title bar), label, group box (title; may be "").
  EXUI_ATTR_FONT = 2,           // font. Window, label, group box, list (default element font).
  EXUI_ATTR_TEXT_COLOR = 3,     // colour. Window caption, label, group box title.
  EXUI_ATTR_BACK_COLOR = 4,     // colour. All types; alpha 0 = the type's default background
                                // (labels, picture box, progress bar: transparent).
  EXUI_ATTR_VISIBLE = 5,        // bool. All types (also ControlSetVisual).
  EXUI_ATTR_DISABLED = 6,       // bool. All types (also ControlSetDisabled).
  EXUI_ATTR_TEXT_FORMAT = 7,    // int, ExuiTextFormat bits. Label.
  EXUI_ATTR_RANGE_MAX = 8,      // int. Progress bar maximum (default 100).
  EXUI_ATTR_RANGE_MIN = 9,      // int. Progress bar minimum (default 0).
  EXUI_ATTR_POSITION = 10,      // int. Progress bar position, clamped to [min, max].
  EXUI_ATTR_IMAGE = 11,         // image. Picture box picture; window icon (title bar).
  EXUI_ATTR_BORDER_COLOR = 12,  // colour. Window frame, group box, list.
  EXUI_ATTR_ACCENT_COLOR = 13,  // colour. Progress fill (default #2D8CF0).
  EXUI_ATTR_IMAGE_MODE = 14,    // int. Picture box: 0 = fit keeping proportions (default),
                                // 1 = stretch, 2 = centre at natural size.
  EXUI_ATTR_TITLE_HEIGHT = 15,  // int. Window frame title bar height (default 40; 0 = no bar).
  EXUI_ATTR_BUTTONS = 16,       // int. Window frame glyph buttons: bit 0 close, bit 1 minimise
                                // (default 3).
  EXUI_ATTR_ITEM_WIDTH = 17,    // int. Icon list item width W (default: list width - 24).
  EXUI_ATTR_ITEM_HEIGHT = 18,   // int. Icon list item height (default 90).
  EXUI_ATTR_SCROLL_POS = 19,    // int. Icon list vertical scroll offset in pixels.
  EXUI_ATTR_RADIUS = 20,        // int. Corner radius: group box (6), progress track (4).
  EXUI_ATTR_HOT_ITEM = 21,      // int, read-only. Icon list: item under the mouse or -1.
  EXUI_ATTR_ANIMATE = 22,       // bool. Progress bar: animate position changes (default 1).
};

// Text format bits of text elements (ControlSetElemAttribute_Text) and labels.
enum ExuiTextFormat : int32_t {
  EXUI_TEXT_SINGLELINE = 0x01,  // one line, "…" at the end when too long
  EXUI_TEXT_HCENTER = 0x02,     // centred horizontally
  EXUI_TEXT_BOTTOM = 0x04,      // aligned to the bottom
  EXUI_TEXT_VCENTER = 0x08,     // centred vertically
  EXUI_TEXT_RIGHT = 0x10,       // right-aligned
  // 0 = top-left, wrapping at word or character boundaries, "…" on the last line that fits.
};

// The 84-byte font descriptor: UTF-16LE face name with its terminating zero in 64 bytes, then
// size in pixels at 96 DPI (scaled with the system DPI), then bold, italic, underline, strikeout
// (0 or 1). An empty face means "微软雅黑"; size <= 0 means 12.
struct ExuiFontDescriptor {
  char16_t face[32];
  int32_t size;
  int32_t bold;
  int32_t italic;
  int32_t underline;
  int32_t strikeout;
};
static_assert(sizeof(ExuiFontDescriptor) == 84, "font descriptor is 84 bytes");

// ---------------------------------------------------------------------------------------------
// Skins: our own compact format, carried by the program as bytes and passed as a BinEx. A blob
// starts with ExuiSkinHeader; `size` counts the bytes of the whole structure (header included);
// anything after it (padding to the program's fixed blob size) is ignored. A blob that is not a
// skin of the expected kind (wrong magic, kind or size) gives the default look: it is accepted,
// never an error. Every colour field with alpha 0 takes the default shown in brackets.
constexpr uint32_t EXUI_SKIN_MAGIC = 0x4B535845;  // the bytes "EXSK"
constexpr uint16_t EXUI_SKIN_VERSION = 1;
enum ExuiSkinKind : uint16_t { EXUI_SKIN_BUTTON = 1, EXUI_SKIN_MENU = 2 };

struct ExuiSkinHeader {
  uint32_t magic;    // EXUI_SKIN_MAGIC
  uint16_t version;  // EXUI_SKIN_VERSION
  uint16_t kind;     // ExuiSkinKind
  uint32_t size;     // sizeof the whole skin structure
};

// Button elements. Index 0 normal, 1 hover, 2 pressed, 3 state flag set (the tool runs).
// Buttons narrower than they are high (the "▼" button) are drawn flat: no border, fill only
// when hot or pressed (flatHover).
struct ExuiButtonSkin {
  ExuiSkinHeader header;  // kind EXUI_SKIN_BUTTON
  uint32_t fill[4];       // [#FFFFFF, #FFFFFF, #EEF4FE, #E8F5E9]
  uint32_t border[4];     // [#D0D0D0, #2D8CF0, #2D8CF0, #66BB6A]
  uint32_t text[4];       // [element colour, #2D8CF0, #2D8CF0, #388E3C]
  uint32_t flatHover;     // [#F0F0F0]
  uint32_t radius;        // corner radius in pixels [4]
  uint32_t borderWidth;   // [1]
};

// Popup menus.
struct ExuiMenuSkin {
  ExuiSkinHeader header;  // kind EXUI_SKIN_MENU
  uint32_t background;    // [#FFFFFF]
  uint32_t border;        // [#DADCE0]
  uint32_t hoverFill;     // [#F2F2F2]
  uint32_t separator;     // [#E6E6E6]
  uint32_t shadow;        // shadow colour, alpha = strength [#28000000]; 0x01000000 = none
  uint32_t radius;        // [4]
  uint32_t padding;       // space around the entries in pixels [4]
  uint32_t textIndent;    // left text indent inside an entry in pixels [12]
};

// ---------------------------------------------------------------------------------------------
// Entry points, as function pointer types (name of the export = name of the type without the
// trailing _t). "reserved" arguments are passed as the program passes them and not read.

// Internal call. code 2008 registers a module: (2008, module handle, 0, 0, version). Version
// 20210218 or 0 is accepted and the module handle (non-zero) is returned; any other version
// returns 0. Unknown codes return 0.
constexpr int32_t EXUI_CMD_REGISTER = 2008;
constexpr int32_t EXUI_LIBRARY_VERSION = 20210218;
using CallInternalFunction_Ex_t = ExuiValue(EXUI_CALL*)(int32_t code, ExuiValue a, ExuiValue b, ExuiValue c,
                                                        ExuiValue d);

// Byte buffers. CreateBinEx copies `length` bytes from `data` (null data with a length gives
// zeroed bytes; length <= 0 gives an empty buffer) and returns the handle (0 on failure).
using CreateBinEx_t = ExuiBin(EXUI_CALL*)(const void* data, int32_t length);
using DeleteBinEx_t = int32_t(EXUI_CALL*)(ExuiBin bin);              // 1, or 0 unknown
using GetBinExDataPointer_t = const void*(EXUI_CALL*)(ExuiBin bin);  // null when empty
using GetBinExDatalength_t = int32_t(EXUI_CALL*)(ExuiBin bin);       // -1 when unknown

// Creation of the six skinned types, 23 values each:
//   (0, parent window, left, top, width, height, event routine, event record, 15 zeros).
// The control's window is made a child of the record's host window, filling its client area,
// so it follows the host's position, z-order and visibility; when the record is null or names
// no window, a child of `parent` at left, top, width, height. The host window's property
// "Tab_Control" is set to the control. Result: the control handle (0 on failure).
using ExuiCreateControl_t = ExuiControl(EXUI_CALL*)(int32_t reserved, void* parent, int32_t left, int32_t top,
                                                    int32_t width, int32_t height, ExuiEventProc eventProc,
                                                    ExuiEventRecord* eventRecord, int32_t r0, int32_t r1, int32_t r2,
                                                    int32_t r3, int32_t r4, int32_t r5, int32_t r6, int32_t r7,
                                                    int32_t r8, int32_t r9, int32_t r10, int32_t r11, int32_t r12,
                                                    int32_t r13, int32_t r14);
using CreateControl_WindowEx_t = ExuiCreateControl_t;
using CreateControl_LabelEx_t = ExuiCreateControl_t;
using CreateControl_PictureBoxEx_t = ExuiCreateControl_t;
using CreateControl_ProgressbarEx_t = ExuiCreateControl_t;
using CreateControl_IcoListboxEx_t = ExuiCreateControl_t;
using CreateControl_MinutesboxEx_t = ExuiCreateControl_t;
// A push button (ButtonEx): caption, font, text colour, visible, disabled. Clicked by the mouse,
// Space or Enter (focused) or the accessible default action: EXUI_EV_CLICK with a = b = -1 for
// the keyboard and accessibility.
using CreateControl_ButtonEx_t = ExuiCreateControl_t;

// Attributes: SetAttribute_<Type>(control, id, value) returns 1 when set, 0 when refused;
// GetAttribute_<Type>(control, id) returns the value (0 / "" when refused). Values are
// ExuiValues: a text or a font pointer travels in them.
using ExuiSetAttribute_t = int32_t(EXUI_CALL*)(ExuiControl control, int32_t id, ExuiValue value);
using ExuiGetAttribute_t = ExuiValue(EXUI_CALL*)(ExuiControl control, int32_t id);
// Names: SetAttribute_WindowEx, GetAttribute_WindowEx, SetAttribute_LabelEx, GetAttribute_LabelEx,
// SetAttribute_PictureBoxEx, GetAttribute_PictureBoxEx, SetAttribute_ProgressbarEx,
// GetAttribute_ProgressbarEx, SetAttribute_IcoListboxEx, GetAttribute_IcoListboxEx,
// SetAttribute_MinutesboxEx, GetAttribute_MinutesboxEx (all of the two types above).

// Control commands.
// ControPonintSizeSynchronise(host, host, mode): mode 0 = the host moved, 1 = it was resized;
// brings the control to the host's position / client size. Returns 1, or 0 for an unknown host.
using ControPonintSizeSynchronise_t = int32_t(EXUI_CALL*)(void* host, void* host2, int32_t mode);
using ControlDestroy_t = int32_t(EXUI_CALL*)(ExuiControl control);         // 1 / 0
using ControlIsCreate_t = int32_t(EXUI_CALL*)(ExuiControl control);        // 1 live / 0
using ControlGetBindControl_t = ExuiControl(EXUI_CALL*)(void* window);     // 0 when none
using ControlGetWindow_t = void*(EXUI_CALL*)(ExuiControl control);         // its own HWND
using ControlGetBindWin_t = void*(EXUI_CALL*)(ExuiControl control);        // the host HWND
using ControlGetcontrolType_t = int32_t(EXUI_CALL*)(ExuiControl control);  // ExuiControlType
using ControlLockUpdate_t = int32_t(EXUI_CALL*)(ExuiControl control);      // new lock count
using ControlUnlockUpdate_t = int32_t(EXUI_CALL*)(ExuiControl control);    // new lock count;
                                                                           // 0 repaints
using ControlGetLockUpdateCount_t = int32_t(EXUI_CALL*)(ExuiControl control);
using ControlSetFocusControl_t = int32_t(EXUI_CALL*)(ExuiControl control);  // keyboard focus
using ControlGetFocusControl_t = ExuiControl(EXUI_CALL*)();                 // 0 when none ours
using ControlRedraw_t = int32_t(EXUI_CALL*)(ExuiControl control);
// Geometry of the unit (moves / sizes the host window when there is one), in parent client
// coordinates.
using ControlSetLeft_t = int32_t(EXUI_CALL*)(ExuiControl control, int32_t value);
using ControlSetTop_t = ControlSetLeft_t;
using ControlSetWidth_t = ControlSetLeft_t;
using ControlSetHeight_t = ControlSetLeft_t;
using ControlGetLeft_t = int32_t(EXUI_CALL*)(ExuiControl control);
using ControlGetTop_t = ControlGetLeft_t;
using ControlGetWidth_t = ControlGetLeft_t;
using ControlGetHeight_t = ControlGetLeft_t;
using ControlSetRect_t = int32_t(EXUI_CALL*)(ExuiControl control, int32_t left, int32_t top, int32_t width,
                                             int32_t height);
// ControlGetRect fills four int32 (left, top, width, height); returns 1 / 0.
using ControlGetRect_t = int32_t(EXUI_CALL*)(ExuiControl control, int32_t* rect4);
using ControlSetVisual_t = int32_t(EXUI_CALL*)(ExuiControl control, int32_t visible);
using ControlGetVisual_t = int32_t(EXUI_CALL*)(ExuiControl control);
using ControlSetDisabled_t = int32_t(EXUI_CALL*)(ExuiControl control, int32_t disabled);
using ControlGetDisabled_t = int32_t(EXUI_CALL*)(ExuiControl control);

enum ExuiControlType : int32_t {
  EXUI_TYPE_WINDOW = 1,
  EXUI_TYPE_LABEL = 2,
  EXUI_TYPE_PICTUREBOX = 3,
  EXUI_TYPE_PROGRESSBAR = 4,
  EXUI_TYPE_ICOLISTBOX = 5,
  EXUI_TYPE_MINUTESBOX = 6,
  EXUI_TYPE_BUTTON = 7,
};

// Icon list items.
// InsertItem_IcoListboxEx(list, position): position -1 (or beyond the end) appends; returns the
// new item's zero-based index, -1 on failure. Each item gets the template's elements with empty
// data (display switch 1 for image, text and button elements).
using InsertItem_IcoListboxEx_t = int32_t(EXUI_CALL*)(ExuiControl list, int32_t position);
using DeleteItem_IcoListboxEx_t = int32_t(EXUI_CALL*)(ExuiControl list, int32_t item);  // 1 / 0
using GetItemCount_IcoListboxEx_t = int32_t(EXUI_CALL*)(ExuiControl list);              // -1 unknown list
using GuaranteeVisible_IcoListboxEx_t = int32_t(EXUI_CALL*)(ExuiControl list, int32_t item);

// Element template. `kind` is 1 (item elements); other values are refused. The template applies
// to every item, present and future.
// ControlInsertElem(list, kind, column -1, position -1 = append, count): adds `count` elements
// (no kind yet, zero size) to the template; returns the new element count, 0 on failure.
using ControlInsertElem_t = int32_t(EXUI_CALL*)(ExuiControl list, int32_t kind, int32_t column, int32_t position,
                                                int32_t count);
using ControlGetElemCount_t = int32_t(EXUI_CALL*)(ExuiControl list, int32_t kind);
// Image element: (list, 1, -1, element, -1, 0, 0, left, top, width, height, 0)
using ControlSetElemAttribute_Imsge_t = int32_t(EXUI_CALL*)(ExuiControl list, int32_t kind, int32_t row,
                                                            int32_t element, int32_t column, int32_t mask,
                                                            int32_t flags, int32_t left, int32_t top, int32_t width,
                                                            int32_t height, int32_t reserved);
// Text element: (list, 1, -1, element, -1, 0, 0, left, top, width, height, 0, font, format)
// font: ExuiBin with a font descriptor, or 0 for the list's font. format: ExuiTextFormat bits.
using ControlSetElemAttribute_Text_t = int32_t(EXUI_CALL*)(ExuiControl list, int32_t kind, int32_t row, int32_t element,
                                                           int32_t column, int32_t mask, int32_t flags, int32_t left,
                                                           int32_t top, int32_t width, int32_t height, int32_t reserved,
                                                           ExuiBin font, int32_t format);
// Button element: (list, 1, -1, element, -1, click routine, 0, left, top, width, height, 0,
// skin, font). skin: ExuiBin of an ExuiButtonSkin (any other bytes, or 0: default look).
using ControlSetElemAttribute_Button_t = int32_t(EXUI_CALL*)(ExuiControl list, int32_t kind, int32_t row,
                                                             int32_t element, int32_t column, ExuiValue clickProc,
                                                             int32_t flags, int32_t left, int32_t top, int32_t width,
                                                             int32_t height, int32_t reserved, ExuiBin skin,
                                                             ExuiBin font);

// Element data of one item: (list, 1, item, -1, element, mask, display, state, ...).
//   display: 1 drawn, 0 hidden (a data carrier); state: the button's state flag (1 = the tool
//   runs: drawn in the "active" style), stored but unused for images and texts.
// Image: ... image (ExuiImage, 0 = none: a placeholder tile is drawn). The item keeps its own
// reference: the caller may DestroyImageEx its handle right after.
using ControlSetElemData_Imsge_t = int32_t(EXUI_CALL*)(ExuiControl list, int32_t kind, int32_t item, int32_t column,
                                                       int32_t element, int32_t mask, int32_t display, int32_t state,
                                                       ExuiImage image);
// Text: ... text, colour (ARGB; alpha 0 = #333333).
using ControlSetElemData_Text_t = int32_t(EXUI_CALL*)(ExuiControl list, int32_t kind, int32_t item, int32_t column,
                                                      int32_t element, int32_t mask, int32_t display, int32_t state,
                                                      const char* text, uint32_t colour);
// Button: ... caption, colour, selected (stored; drawn like state).
using ControlSetElemData_Button_t = int32_t(EXUI_CALL*)(ExuiControl list, int32_t kind, int32_t item, int32_t column,
                                                        int32_t element, int32_t mask, int32_t display, int32_t state,
                                                        const char* caption, uint32_t colour, int32_t selected);
// Reading element data: (list, 1, item, -1, element, field). Field EXUI_FIELD_TEXT (4) returns
// the text (const char* as an ExuiValue; "" on failure); the other fields return the integer.
enum ExuiElemField : int32_t {
  EXUI_FIELD_DISPLAY = 1,
  EXUI_FIELD_STATE = 2,
  EXUI_FIELD_COLOUR = 3,
  EXUI_FIELD_TEXT = 4,
  EXUI_FIELD_IMAGE = 5,     // image elements: 1 when an image is set, 0 otherwise
  EXUI_FIELD_SELECTED = 6,  // button elements
};
using ControlGetElemData_Text_t = ExuiValue(EXUI_CALL*)(ExuiControl list, int32_t kind, int32_t item, int32_t column,
                                                        int32_t element, int32_t field);
using ControlGetElemData_Button_t = ControlGetElemData_Text_t;
using ControlGetElemData_Imsge_t = ControlGetElemData_Text_t;

// Images. LoadImageEx(data, length, 0, 0) decodes PNG, JPEG, BMP, GIF (first frame) or ICO
// bytes; returns the image handle, 0 for empty or undecodable bytes. DestroyImageEx releases
// the handle (controls that took the image keep theirs); 1 / 0.
using LoadImageEx_t = ExuiImage(EXUI_CALL*)(const void* data, int32_t length, int32_t reserved1, int32_t reserved2);
using DestroyImageEx_t = int32_t(EXUI_CALL*)(ExuiImage image);
// GetImageAttributeEx(image, 1 = width, 2 = height); 0 for an unknown image.
using GetImageAttributeEx_t = int32_t(EXUI_CALL*)(ExuiImage image, int32_t which);

// Menus.
// Create_MenuEx(16, 16, skin, font, iconBytes, alpha, event routine, user value):
//   skin: ExuiBin of an ExuiMenuSkin (other bytes or 0: default look); font: ExuiBin font
//   descriptor (0: 微软雅黑 12); iconBytes: reserved ExuiBin (may be empty); alpha: 0..255
//   opacity of the menu window. Returns the menu handle, 0 on failure.
using Create_MenuEx_t = ExuiMenu(EXUI_CALL*)(int32_t iconWidth, int32_t iconHeight, ExuiBin skin, ExuiBin font,
                                             ExuiBin iconBytes, int32_t alpha, ExuiMenuProc eventProc,
                                             ExuiValue userValue);
using Destroy_MenuEx_t = int32_t(EXUI_CALL*)(ExuiMenu menu);
// InsertItem_MenuEx(menu, 0, -1, 0, 0, caption, text colour, disabled text colour, width,
//   height, separator, disabled, reserved): position -1 appends. separator 1 draws a line and
//   is never choosable. Returns the entry handle (non-zero, unique in the process), 0 on failure.
using InsertItem_MenuEx_t = ExuiMenuItem(EXUI_CALL*)(ExuiMenu menu, int32_t parent, int32_t position, int32_t icon,
                                                     ExuiValue data, const char* caption, uint32_t textColour,
                                                     uint32_t disabledColour, int32_t width, int32_t height,
                                                     int32_t separator, int32_t disabled, int32_t reserved);
using GetItemCount_MenuEx_t = int32_t(EXUI_CALL*)(ExuiMenu menu);
using DeleteItem_MenuEx_t = int32_t(EXUI_CALL*)(ExuiMenu menu, ExuiMenuItem item);  // 1 / 0
using SetItemTitle_MenuEx_t = int32_t(EXUI_CALL*)(ExuiMenu menu, ExuiMenuItem item,
                                                  const char* caption);  // 1 / 0
using SetItemDisabled_MenuEx_t = int32_t(EXUI_CALL*)(ExuiMenu menu, ExuiMenuItem item, int32_t disabled);
using GetItemDisabled_MenuEx_t = int32_t(EXUI_CALL*)(ExuiMenu menu, ExuiMenuItem item);
using GetItemTitle_MenuEx_t = const char*(EXUI_CALL*)(ExuiMenu menu, ExuiMenuItem item);
// PopUp_MenuEx(menu, 0, screen x, screen y, owner window, wait, 0): shows the menu with its
// top-left corner at x, y (moved to stay on the monitor). wait 0: returns at once, the choice
// arrives later through the event routine; wait 1: returns when the menu has closed (the event
// routine has run by then). Returns 1 when shown, 0 on failure. The menu closes on a choice,
// Esc, a click outside it or when the application loses activation. Keys: Up/Down (skipping
// separators and disabled entries), Home/End, Enter or Space to choose, Esc to close.
using PopUp_MenuEx_t = int32_t(EXUI_CALL*)(ExuiMenu menu, int32_t parent, int32_t x, int32_t y, void* owner,
                                           int32_t wait, int32_t reserved);
using Close_MenuEx_t = int32_t(EXUI_CALL*)(ExuiMenu menu);
using IsPopUp_MenuEx_t = int32_t(EXUI_CALL*)(ExuiMenu menu);
// The menu window's HWND while it exists (for tests and accessibility clients), else null.
// Reached through GetAttribute_MenuEx(menu, EXUI_MENU_ATTR_WINDOW).
using GetAttribute_MenuEx_t = ExuiValue(EXUI_CALL*)(ExuiMenu menu, int32_t id);
constexpr int32_t EXUI_MENU_ATTR_WINDOW = 1;

// ---------------------------------------------------------------------------------------------
// Accessibility (MSAA). Every control window answers WM_GETOBJECT(OBJID_CLIENT) with its own
// IAccessible:
// - window frame: children 1 = minimise button, 2 = close button (role push button, names
//   "最小化" and "关闭", default action "按下" = click, which raises the events above).
// - icon list: role list; children 1..n = items (role list item; name = text of element 1,
//   value = caption of element 4 (the first button element), location = the item's rectangle
//   on the screen, state invisible/offscreen when scrolled out of view; default action clicks
//   element 4, scrolling the item into view first). get_accChild(i) gives the item as an object
//   whose children are its displayed button elements in element order (role push button,
//   name = caption, default action clicks it), then its displayed text elements (role static
//   text, name = the text, located where the whole text would be drawn, so a text cut off by
//   its box reaches past it).
// - progress bar: role progress bar, value = percentage text ("42%").
// - labels and group boxes: role static text / grouping, name = caption.
// - popup menu window: role menu popup; children 1..n = entries (role menu item, or separator;
//   name = caption; state unavailable when disabled; default action chooses the entry, which
//   delivers 650 exactly as a mouse choice).

#endif  // STORVANE_EXUI_API_H
