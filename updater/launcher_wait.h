// Waiting for the old launcher to let go of its executable before it is replaced.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace storvane::updater {

// Ids of the running processes whose image is `executablePath` (case-insensitive, "/" and "\"
// alike). A program of the same name in another folder is not one of them.
std::vector<DWORD> FindProcessesOfImage(const std::wstring& executablePath);

// Waits until no process of that image is left, at most `timeoutMs`. True when none is left.
bool WaitForImageToEnd(const std::wstring& executablePath, DWORD timeoutMs);

}  // namespace storvane::updater
