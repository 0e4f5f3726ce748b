// Accessibility (MSAA): one IAccessible implementation over a small source interface that the
// controls, list items and menus implement. Windows answer WM_GETOBJECT with it, so screen
// readers and test tools in other processes read names, values and locations and click.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <memory>
#include <string>

namespace storvane::exui {

struct AccInfo {
  long role = ROLE_SYSTEM_CLIENT;
  long state = 0;
  std::wstring name;
  std::wstring value;
  std::wstring defaultAction;  // empty: no default action
  RECT screen{};               // location on the screen
};

class AccessibleSource {
public:
  virtual ~AccessibleSource() = default;
  // Window the object belongs to; null once it is gone (every call then fails).
  virtual HWND AccWindow() const = 0;
  virtual AccInfo AccSelf() const = 0;
  virtual int AccChildCount() const { return 0; }
  // Child `index` (1-based) as a simple element; false when out of range.
  virtual bool AccChild(int /*index*/, AccInfo& /*out*/) const { return false; }
  // Child `index` as an object of its own (with children), or null when it is a simple element.
  virtual std::shared_ptr<AccessibleSource> AccChildObject(int /*index*/) const { return nullptr; }
  // The object's parent when it is not the window's own client object (list items); null
  // means the window's standard parent.
  virtual std::shared_ptr<AccessibleSource> AccParentObject() const { return nullptr; }
  // Runs the default action of the object (index 0) or of a child, asynchronously: it is queued
  // to the window's thread so a modal reaction never blocks the caller. False when there is none.
  virtual bool AccDoDefault(int /*index*/) { return false; }
  // 0 = the object itself, 1..n = that child, -1 = outside.
  virtual int AccHitTest(POINT screen) const;
};

// A new IAccessible (one reference, owned by the caller) over the source; the object refers to
// the source weakly and fails its calls once the source is gone.
IAccessible* NewAccessible(const std::shared_ptr<AccessibleSource>& source);

// Answer to WM_GETOBJECT for a window whose client object is `source`.
LRESULT AnswerGetObject(const std::shared_ptr<AccessibleSource>& source, WPARAM wParam, LPARAM lParam);

// Screen rectangle of a client rectangle of `window`.
RECT ClientToScreenRect(HWND window, const RECT& client);

}  // namespace storvane::exui
