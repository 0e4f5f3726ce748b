// The update itself, run off the window's thread: fetch the new launcher beside the old one,
// wait for the old one to end, put the new one in its place and start it.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "net/download_to_file.h"

namespace storvane::updater {

struct UpdatePlan {
  std::wstring downloadUrl;
  std::wstring launcherPath;    // full path of the launcher to replace and start
  std::wstring offeredVersion;  // the version the service offered, recorded once it is in place
  DWORD launcherExitWaitMs = 15000;
  // The size and SHA-256 the service named: only that file may become the launcher.
  std::optional<ExpectedDigest> expectedDigest = std::nullopt;
};

// Beside the launcher: the offered version up.exe last put in place (its GBK bytes). The launcher
// reads it to tell a release that names itself differently from a new one, and does not hand
// over for the same offer twice.
std::wstring InstalledOfferPathFor(const std::wstring& launcherPath);

enum class UpdateOutcome {
  Started,         // the new launcher is in place and running
  DownloadFailed,  // nothing changed on disk (also when what arrived is not a program or not
                   // the file the service named)
  ReplaceFailed,   // the old launcher is still in place
  StartFailed,     // the new launcher is in place but could not be started
};

// Where the new launcher is kept until the old one can be replaced: beside it, same folder.
std::wstring StagingPathFor(const std::wstring& launcherPath);

// Runs the whole update. Failure messages go to `message` (the download's own texts);
// `progress` receives the download's progress.
UpdateOutcome RunUpdate(const UpdatePlan& plan, const DownloadProgressRoutine& progress,
                        const DownloadMessageRoutine& message = ShowDownloadMessage);

}  // namespace storvane::updater
