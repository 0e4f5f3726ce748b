// The accessibility probe (exui_msaa_probe.exe) run against a window of this process, as a screen
// reader would read it from outside: one line per element (self, children, their children).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace exui_test {

struct Line {
  std::string kind;
  long id = 0, role = 0, state = 0;
  std::wstring name, value, action;
  RECT where{};
};

// Runs the probe on `window` with `args` ("dump", "do 3", "do 1 2", "hit x y") while this thread
// keeps serving the calls it makes; the lines it printed.
std::vector<Line> Probe(HWND window, const std::string& args);
// The lines of one kind ("self", "child", "sub", "do", "error").
std::vector<Line> OfKind(const std::vector<Line>& lines, const char* kind);

}  // namespace exui_test
