// Only one launcher runs at a time: the first claims a system-wide named event for its whole
// lifetime, and any later copy that finds the name taken ends at once.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace storvane {

// Claims `instanceName` (an empty name selects DefaultInstanceName(), stored back into the
// caller's variable) and returns when this process is the only holder. When another process
// holds the name, this one optionally shows `messageText` (default "对不起,该进程已打开!") in a
// message box of `messageType` with the caption "友情提醒:", optionally brings the other
// copy's window to the front, and ends with exit code 0 without returning. Two copies that
// start at the same moment are told apart by the claim itself, so exactly one survives.
void EnsureSingleInstance(std::string& instanceName, bool showMessage = false,
                          const std::optional<std::string>& messageText = std::nullopt, UINT messageType = 0,
                          bool activateExisting = false);

enum class InstanceClaim {
  Claimed,        // this process now holds the name (or the claim failed and is let through)
  HeldElsewhere,  // another process held the name or claimed it first
};

// The check and the claim behind EnsureSingleInstance, without ending anything. The claim is
// kept for the life of the process. `betweenCheckAndClaim` runs after the check found the name
// free and before the claim; it lets callers widen that window.
InstanceClaim ClaimInstanceName(std::string_view instanceName, const std::function<void()>& betweenCheckAndClaim = {});

// 32 lower-case hex digits of the MD5 of the GBK bytes of "你懒得输入，我就写死，略略".
std::string DefaultInstanceName();

// MD5 through the system's cryptographic service, as 32 lower-case hex digits; empty when the
// service is unavailable.
std::string Md5Hex(std::string_view bytes);

// Brings the first visible top-level window of another process running the same executable
// as this one to the front: shown, restored, topmost, activated. Waits at most `waitMs` for
// such a window to appear. True when one was found.
bool ActivateOtherInstanceWindow(int waitMs = 100);

}  // namespace storvane
