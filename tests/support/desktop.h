// Driving real Storvane programs from a test, as a user would: start them, find their windows,
// read them through accessibility, click with real input, answer message boxes, take
// screenshots. Used by the end-to-end tests of the launcher and the updater.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "util/com.h"
#include "util/handles.h"

namespace storvane::testing {

using namespace std::chrono_literals;

// Polls `done` (pumping this thread's messages) until it holds or the time is up.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout,
               std::chrono::milliseconds step = 50ms);

// A program started for a test; killed when the object goes away unless it ended by itself.
class TestProcess {
public:
  TestProcess() = default;
  // commandLine is the full command line (quote the program path yourself when it has spaces).
  static TestProcess Start(const std::wstring& commandLine, const std::wstring& workingDir = {});
  bool started() const { return process_.get() != nullptr; }
  DWORD id() const { return id_; }
  HANDLE handle() const { return process_.get(); }
  // Exit code once it has ended within the time, nullopt when it still runs.
  std::optional<DWORD> WaitForExit(std::chrono::milliseconds timeout);
  bool Running() const;
  void Kill();
  ~TestProcess();
  TestProcess(TestProcess&&) noexcept = default;
  TestProcess& operator=(TestProcess&&) noexcept = default;

private:
  UniqueHandle process_;
  DWORD id_ = 0;
};

// Visible top-level windows of a process (any class), in z-order.
std::vector<HWND> TopWindowsOfProcess(DWORD processId);
HWND WaitForTopWindow(DWORD processId, std::chrono::milliseconds timeout);
std::wstring WindowText(HWND window);
std::wstring WindowClass(HWND window);

// Message boxes ("#32770") of any process whose caption is `caption`.
HWND WaitForDialog(const std::wstring& caption, std::chrono::milliseconds timeout);
std::wstring DialogMessage(HWND dialog);      // the text of the box
bool ClickDialogButton(HWND dialog, int id);  // IDOK, IDYES, IDNO …

// Accessibility: an object plus child id, as clients see it across processes.
struct AccElement {
  ComPtr<IAccessible> object;
  long child = CHILDID_SELF;
  explicit operator bool() const { return object.get() != nullptr; }
  std::wstring Name() const;
  std::wstring Value() const;
  long Role() const;
  long State() const;
  RECT Location() const;  // screen coordinates
  bool DoDefaultAction() const;
  std::vector<AccElement> Children() const;
};
AccElement AccessibleOf(HWND window);  // OBJID_CLIENT
// Depth-first search for the first element whose name equals `name`.
AccElement FindAccessible(const AccElement& root, const std::wstring& name, int maxDepth = 4);
// The same over the window and every window inside it (each control answers for itself).
AccElement FindAccessibleInWindows(HWND top, const std::wstring& name, int maxDepth = 4);

// Real input through SendInput (absolute coordinates rounded so the click lands on x, y).
void MoveMouseTo(int x, int y);
void ClickAt(int x, int y);
inline void ClickCentreOf(const RECT& r) { ClickAt((r.left + r.right) / 2, (r.top + r.bottom) / 2); }

// Screenshots, saved as PNG: the whole screen, or one window's screen rectangle.
bool SaveScreenPng(const std::wstring& path, const RECT* area = nullptr);
// Folder for artifacts (screenshots), from STORVANE_ARTIFACT_DIR; created on demand.
std::wstring ArtifactPath(const std::wstring& fileName);

// Files and folders.
bool FileExists(const std::wstring& path);
std::string ReadFileBytes(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
void RemoveTree(const std::wstring& path);
bool MakeDirectories(const std::wstring& path);  // every missing level
std::wstring DirectoryOf(const std::wstring& path);
std::wstring ThisProgramDirectory();

}  // namespace storvane::testing
