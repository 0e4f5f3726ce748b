// Exit codes of the shell probe program, shared with the tests that start it. The product's
// own ends all use 0, so every other outcome has a code that cannot be mistaken for it.
#pragma once

namespace storvane::probe {

constexpr int kSurvivorExitCode = 3;     // claimed the instance name and was told to stop
constexpr int kFellThroughExitCode = 5;  // a call that should have ended the process came back
constexpr int kInstalledExitCode = 6;    // relocation found the program already installed
constexpr int kUsageExitCode = 64;       // unknown mode or missing arguments

}  // namespace storvane::probe
