// The launcher's catalogue as a user meets it, driven from another process: its list items
// read through accessibility, buttons pressed with real mouse input where nothing covers them,
// the item menu, the download window and the tools the launcher starts. Shared by the
// end-to-end tests and the demo walkthrough.
#pragma once

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "support/desktop.h"

namespace storvane::testing {

// One entry of the item action menu as shown.
struct MenuEntryState {
  std::wstring name;
  bool enabled = false;
};

class LauncherDriver {
public:
  // Starts the launcher at `exe` (its own folder as working directory) and waits for its window.
  bool Start(const std::wstring& exe, std::chrono::milliseconds timeout = std::chrono::seconds(60));
  // Attaches to a launcher that already runs.
  bool Attach(DWORD processId, std::chrono::milliseconds timeout = std::chrono::seconds(60));

  DWORD processId() const { return processId_; }
  HWND window() const { return window_; }
  TestProcess& process() { return process_; }

  // Waits until the list is shown with `count` items.
  bool WaitForItems(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(60));
  std::vector<AccElement> Items() const;
  std::wstring Title(size_t item) const;
  std::wstring Caption(size_t item) const;
  bool WaitForCaption(size_t item, const std::wstring& caption,
                      std::chrono::milliseconds timeout = std::chrono::seconds(30)) const;

  // Presses the item's action button or its "▼" button.
  bool PressAction(size_t item);
  bool PressMenuButton(size_t item);

  // The popup menu window while it is shown, else null.
  HWND MenuWindow() const;
  // Opens the item's menu and reads its entries (separators left out); empty when no menu came.
  std::vector<MenuEntryState> OpenMenu(size_t item);
  // Chooses an entry of the open menu by its caption.
  bool ChooseMenuEntry(const std::wstring& name);
  // Closes the open menu without choosing (Esc, then a click on the title bar).
  bool CloseMenu();

  // A top-level window of the launcher other than the main window, menus and message boxes.
  HWND DownloadWindow() const;
  // Percentage shown by the first progress bar inside `window` (-1 when there is none).
  static int ProgressPercent(HWND window);

  // Presses `element`: a real click at its centre when that point shows the launcher's own
  // window, otherwise its accessible default action.
  bool Press(const AccElement& element);
  // Whether the last Press used a real click.
  bool lastPressWasClick() const { return lastPressWasClick_; }
  // The software list itself (hidden while it loads).
  AccElement List() const;

private:
  AccElement ItemButton(size_t item, size_t button) const;

  TestProcess process_;
  DWORD processId_ = 0;
  HWND window_ = nullptr;
  bool lastPressWasClick_ = false;
};

// Processes whose image is exactly `exePath` (case and slash direction ignored).
std::vector<DWORD> ProcessesWithImage(const std::wstring& exePath);
// The command line a process was started with (read from its process parameters).
std::optional<std::wstring> ProcessCommandLine(DWORD processId);
// First visible top-level window of a process.
HWND MainWindowOf(DWORD processId);
// Ends a process by id and waits for it.
bool EndProcess(DWORD processId);

}  // namespace storvane::testing
