// Reads a saved shortcut back as another program would see it.
#pragma once

#include <string>

namespace storvane::test_support {

struct ShortcutFields {
  bool loaded = false;
  std::string targetPath;
  std::string workingDirectory;
  std::string iconLocation;
  std::string arguments;
  std::string description;
};

ShortcutFields ReadShortcut(const std::string& linkPath);

}  // namespace storvane::test_support
