// Popup menus (Create_MenuEx and friends): entries with captions, colours, sizes, separators
// and disabled states; a shadowed popup window chosen from by mouse or keyboard; the choice
// delivered to the program's menu routine as event 650 with the entry's handle.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "accessible.h"
#include "exui/include/exui_api.h"
#include "font.h"
#include "skin.h"
#include "util/handles.h"

namespace storvane::exui {

struct MenuEntry {
  int32_t handle = 0;
  std::string caption;  // GBK
  std::wstring wide;
  uint32_t textColour = 0;
  uint32_t disabledColour = 0;
  int width = 60;   // logical pixels
  int height = 24;  // logical pixels
  bool separator = false;
  bool disabled = false;

  bool Selectable() const { return !separator && !disabled; }
};

struct MenuMetrics {
  int width = 0;
  int height = 0;
  std::vector<RECT> entries;  // client pixels
};

// Sizes the popup: every entry at least its given size, wide enough for its caption plus the
// indents on both sides, and tall enough for a line of text.
MenuMetrics ComputeMenuMetrics(const std::vector<MenuEntry>& entries, const MenuLook& look, float scale,
                               const std::vector<float>& textWidths, float lineHeight);
// The next selectable entry after `from` in `direction` (+1 / -1), wrapping around; -1 when
// no entry is selectable. `from` = -1 starts before the first (or after the last) entry.
int NextSelectable(const std::vector<MenuEntry>& entries, int from, int direction);
// Top-left corner for a popup of `size` asked at `at`, kept inside `work` (flipped to the
// left / above the point when it would leave the area on the right / at the bottom).
POINT PlacePopup(POINT at, SIZE size, const RECT& work);

class Menu final : public AccessibleSource, public std::enable_shared_from_this<Menu> {
public:
  Menu(int32_t handle, MenuLook look, FontSpec font, int alpha, ExuiMenuProc proc, ExuiValue userValue);
  ~Menu() override;
  Menu(const Menu&) = delete;
  Menu& operator=(const Menu&) = delete;

  int32_t Handle() const noexcept { return handle_; }

  // Returns the new entry's handle, 0 when refused.
  int32_t Insert(int position, const char* caption, uint32_t textColour, uint32_t disabledColour, int width, int height,
                 bool separator, bool disabled);
  bool Remove(int32_t entry);
  int Count() const { return static_cast<int>(entries_.size()); }
  const MenuEntry* Find(int32_t entry) const;
  int IndexOf(int32_t entry) const;
  bool SetDisabled(int32_t entry, bool disabled);
  bool SetTitle(int32_t entry, const char* caption);

  bool PopUp(int x, int y, HWND owner, bool wait);
  // Closes without a choice (the routine hears EXUI_MENU_CLOSED when `notify`).
  void Close(bool notify);
  bool IsOpen() const { return open_; }
  HWND Window() const { return window_; }
  void DestroyWindowNow();

  // Chooses entry `index` as a click would (when the menu is open and the entry selectable).
  bool Choose(int index);

  // Accessibility.
  HWND AccWindow() const override { return window_; }
  AccInfo AccSelf() const override;
  int AccChildCount() const override { return Count(); }
  bool AccChild(int index, AccInfo& out) const override;
  bool AccDoDefault(int index) override;

private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK KeyboardHook(int code, WPARAM wParam, LPARAM lParam);
  void OnKey(WPARAM key);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  bool EnsureWindow(HWND owner);
  MenuMetrics Measure() const;
  void Paint(HDC dc);
  int EntryAt(POINT client) const;
  void SetHot(int index);

  const int32_t handle_;
  MenuLook look_;
  FontSpec font_;
  int alpha_;
  ExuiMenuProc proc_;
  ExuiValue userValue_;
  std::vector<MenuEntry> entries_;
  HWND window_ = nullptr;
  HWND owner_ = nullptr;
  bool open_ = false;
  int hot_ = -1;
  float scale_ = 1.0f;
  MenuMetrics metrics_;
  // While open, the thread's keyboard input comes to the menu: it never takes the activation
  // from its owner, so the keys are taken on their way to the focused window.
  UniqueHook keyboardHook_;
};

}  // namespace storvane::exui
