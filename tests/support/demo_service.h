// Test-side control of the demo version service fixture (tests/support/demo_service.cmake) and
// of the launcher as a user has it: installed in C:\quorlen\storvane\zor of the test prefix.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "support/desktop.h"

namespace storvane::testing {

class DemoService {
 public:
  // The fixture's service; nullopt when the test runs without it.
  static std::optional<DemoService> Load();
  int port = 0;
  std::wstring stateDir;  // Windows path of the fixture's state folder
  std::wstring downloadsDir;

  std::string Base() const;  // http://127.0.0.1:<port>
  // POST /__control with a JSON body ({"launcher_version": "2.2"}, {"catalogue": {...}}, …).
  bool Control(std::string_view json) const;
  // Puts the demo catalogue and versions back as they were.
  bool ResetOffer() const;
  // Request lines seen so far ("GET /api/group/zor").
  std::string Log() const;
};

// The install directory the launcher insists on, for the test prefix's Windows directory.
std::wstring InstallDirectory();
// Where the built launcher lies (next to the test programs' build tree: from STORVANE_LAUNCHER).
std::wstring BuiltLauncher();
// Copies the built launcher into the install directory (a fresh "soft" folder unless asked to
// keep it) and returns its path there.
std::wstring InstallLauncher(bool keepTools = false);
// Ends every launcher and demo tool still running (by image name), so tests start clean.
void EndStrayProcesses();

}  // namespace storvane::testing
