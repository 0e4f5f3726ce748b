// Helpers for tests that work with real processes and files: scratch folders, child processes
// started from the test, and polling with a deadline.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "util/handles.h"

namespace storvane::test_support {

// A host path given at build time (/work/...) as Wine sees it (Z:\work\...); Windows paths pass
// through with "/" turned into "\".
std::string HostToWindowsPath(std::string_view path);

// A fresh folder under the temporary directory, deleted with everything in it at the end.
class TempFolder {
public:
  explicit TempFolder(std::string_view hint = "t");
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }  // GBK, no trailing backslash
  std::string operator/(std::string_view name) const { return path_ + "\\" + std::string(name); }

private:
  std::string path_;
};

// Removes a folder tree (also hidden and read-only files); quiet when it is missing.
void RemoveTree(const std::string& path);

bool FileExists(const std::string& path);
bool CopyFileTo(const std::string& from, const std::string& to);
bool WriteBytes(const std::string& path, std::string_view bytes);
std::string ReadBytes(const std::string& path);  // empty when unreadable
DWORD FileAttributes(const std::string& path);   // INVALID_FILE_ATTRIBUTES when missing

// A process started by a test. Killed at the end if it still runs.
class ChildProcess {
public:
  ChildProcess() = default;
  ChildProcess(ChildProcess&&) = default;
  ChildProcess& operator=(ChildProcess&&) = default;
  ~ChildProcess();

  bool valid() const { return process_.valid(); }
  DWORD id() const { return id_; }
  HANDLE handle() const { return process_.get(); }

  bool Resume();               // for a child started suspended
  bool WaitForExit(DWORD ms);  // true when it has ended within `ms`
  bool Running() { return !WaitForExit(0); }
  DWORD ExitCode() const;  // STILL_ACTIVE while running
  void Kill();

  friend ChildProcess StartChild(const std::string& exe, const std::string& arguments, int showCommand, bool suspended);

private:
  UniqueHandle process_;
  UniqueHandle thread_;
  DWORD id_ = 0;
};

// Starts `exe` with `arguments` (its command line is the quoted exe, a space, the arguments),
// in the exe's folder, with the given show command.
ChildProcess StartChild(const std::string& exe, const std::string& arguments = {}, int showCommand = SW_SHOWNORMAL,
                        bool suspended = false);

// Polls `condition` every few milliseconds until it holds or `timeoutMs` has passed.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

}  // namespace storvane::test_support
