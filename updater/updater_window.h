// The updater's window: both versions, the start button, the progress of the download, the
// advice not to touch the software meanwhile and the link to download by hand.
#pragma once

#include <windows.h>

#include <string>

#include "updater/update_arguments.h"

namespace storvane::updater {

inline constexpr wchar_t kUpdaterWindowClass[] = L"StorvaneUpdater";
inline constexpr wchar_t kProgressWindowClass[] = L"StorvaneUpdaterProgress";

// Control ids, also what tests look the controls up by.
enum UpdaterControlId : int {
  kCloseButtonId = 100,
  kStartButtonId = 101,
  kLinkId = 102,
  kHeadingId = 110,
  kCurrentVersionId = 111,
  kPercentId = 112,
  kNoticeId = 113,
  kLineId = 114,
  kProgressId = 120,
};

// Shows the window for `arguments`, the launcher being `launcherPath`, and runs its message
// loop until it closes. Returns the process exit code: 0 once the new launcher has started.
int RunUpdaterWindow(HINSTANCE instance, const UpdaterArguments& arguments, const std::wstring& launcherPath);

}  // namespace storvane::updater
