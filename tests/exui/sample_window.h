// The launcher's main window as the tests build it: the same units, places and element template
// the program sets up, filled with a few catalogue items.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "exui_dll.h"

namespace exui_test {

struct SampleItem {
  std::wstring name, version, intro, time, action;
  uint32_t iconColour;  // 0: no icon
  wchar_t letter;
  int state;
};

std::vector<SampleItem> DefaultItems();

// Records every click of a button element.
struct ElementClick {
  int32_t control, code, kind, item, column, element, x, y, state;
};
std::vector<ElementClick>& ElementClicks();
int EXUI_CALL RecordElementClick(int32_t control, int32_t code, int32_t kind, int32_t item, int32_t column,
                                 int32_t element, int32_t x, int32_t y, int32_t state);

class SampleWindow {
public:
  SampleWindow(Dll& dll, int left = 10, int top = 10, int width = 900, int height = 600);
  ~SampleWindow();

  // Declares the ten-element template exactly as the launcher does, for item width `w`.
  void SetUpTemplate();
  // Appends one item the way the launcher adds a catalogue entry; returns its index.
  int AddItem(const SampleItem& item);

  HWND top = nullptr;
  Host frameHost, titleHost, groupHost, listHost, barHost, diskHost;
  ExuiControl frame = 0, title = 0, group = 0, list = 0, bar = 0, disk = 0;
  int itemWidth = 0;

private:
  Dll& dll_;
};

// Screen rectangle of element `element` of item `item` under the list's current scroll.
RECT ElementScreenRect(HWND listHost, int itemWidthIgnored, int item, int left, int top, int width, int height,
                       int scroll = 0);

}  // namespace exui_test
