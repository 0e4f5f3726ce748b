// The programs' diagnostic log: decisions and failures the user sees only as a message box or
// not at all. Every line goes to the debugger output; when the environment variable STORVANE_LOG
// is set (to anything but "0" or empty) it is also appended to %TEMP%\storvane.log. Never shown
// in a window.
#pragma once

#include <string_view>

namespace storvane {

// One line of GBK text; time, process and thread are put in front of it.
void Log(std::string_view gbkText);

}  // namespace storvane
