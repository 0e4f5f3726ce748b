// Test-side control of the demo version service fixtures (tests/support/demo_service.cmake):
// its address, its control route and its request log; and of the launcher as a user has it:
// installed in C:\quorlen\storvane\zor of the test prefix.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/desktop.h"

namespace storvane::testing {

class DemoService {
public:
  // The fixture's service (its folder named by STORVANE_DEMO_SERVICE, its port read from the
  // port file there); nullopt when the test runs without it.
  static std::optional<DemoService> Load();
  int port = 0;
  std::wstring stateDir;  // Windows path of the fixture's state folder
  std::wstring downloadsDir;

  // "http://127.0.0.1:<port>", the base the launcher puts in front of "/api/group/zor".
  std::string Base() const;
  std::string Url(std::string_view path) const { return Base() + std::string(path); }
  // POST /__control with a JSON body ({"launcher_version": "2.2"}, {"catalogue": {...}}, …;
  // ASCII, or \u escapes). True on 200.
  bool Control(std::string_view json) const;
  // Puts the demo catalogue and the launcher's offer back as they were (version overrides of
  // the tools stay as set).
  bool ResetOffer() const;
  // Back to the shipped catalogue, with a byte-order mark, and the three demo tools at their
  // shipped versions.
  bool Restore() const;
  // Request lines seen so far ("GET /api/group/zor"), as one text and one line each.
  std::string Log() const;
  // The body the service answers a GET of `path` with (empty when none).
  std::string Fetch(std::string_view path) const;
  std::vector<std::string> LogLines() const;
};

// A host path a fixture names ("/work/...") as the test prefix sees it ("Z:\work\...").
std::wstring HostPathToWindows(std::wstring path);

// The install directory the launcher insists on, for the test prefix's Windows directory.
std::wstring InstallDirectory();
// Where the built launcher lies (next to the test programs' build tree: from STORVANE_LAUNCHER).
std::wstring BuiltLauncher();
// Copies the built launcher into the install directory (fresh "soft" and "offline" folders
// unless asked to keep the tools) and returns its path there.
std::wstring InstallLauncher(bool keepTools = false);
// Ends every launcher and demo tool still running (by image name), so tests start clean.
void EndStrayProcesses();

}  // namespace storvane::testing
