// Ending processes: the launcher never shuts down in an orderly way, it terminates itself (and
// on request a tool) with exit code 0.
#pragma once

#include <windows.h>

#include <optional>

namespace storvane {

// Terminates the process with exit code 0; without an id, the own process (then the call does
// not come back). True only when the terminate call reported success.
bool KillProcess(std::optional<DWORD> processId = std::nullopt);

// Ends the program at once after the runtime's clean-up (exit handlers run), exit code 0.
[[noreturn]] void EndProgram();

}  // namespace storvane
