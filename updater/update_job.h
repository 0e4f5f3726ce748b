// The update itself, run off the window's thread: fetch the new launcher beside the old one,
// wait for the old one to end, put the new one in its place, start it and watch it for a while.
// Whatever fails, the user ends up in a launcher: the old one is kept until the new one has
// proved it runs, and is started again when the update cannot be completed.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "net/download_to_file.h"
#include "util/handles.h"
#include "util/update_records.h"

namespace storvane::updater {

struct UpdatePlan {
  std::wstring downloadUrl;
  std::wstring launcherPath;    // full path of the launcher to replace and start
  std::wstring offeredVersion;  // the version the service offered, recorded once it is in place
  DWORD launcherExitWaitMs = 15000;
  // The size and SHA-256 the service named: only that file may become the launcher.
  std::optional<ExpectedDigest> expectedDigest = std::nullopt;
  // How long the new launcher must keep running before the update counts as done.
  DWORD trialMs = 5000;
  // The waits before each new try of a failed download.
  std::vector<int> retryWaitsMs = std::vector<int>(std::begin(kDownloadRetryWaitsMs), std::end(kDownloadRetryWaitsMs));
};

// Beside the launcher: the offered version up.exe last put in place and the installed launcher's
// digest (FormatInstalledOffer). The launcher reads it to tell a release that names itself
// differently from a new one, and does not hand over for the same offer twice.
std::wstring InstalledOfferPathFor(const std::wstring& launcherPath);
// Beside the launcher: the offer that failed last (FormatFailedOffer), which the launcher does not
// hand over again for a day.
std::wstring FailedOfferPathFor(const std::wstring& launcherPath);
// The old launcher while the new one is on trial.
std::wstring BackupPathFor(const std::wstring& launcherPath);

enum class UpdateOutcome {
  Started,         // the new launcher is in place and still ran when its trial ended
  DownloadFailed,  // nothing changed on disk (also when what arrived is not a complete program
                   // for this machine or not the file the service named)
  ReplaceFailed,   // the old launcher is still in place
  StartFailed,     // the new launcher did not start or ended during its trial: the old one is
                   // back in place
};

// Where the new launcher is kept until the old one can be replaced: beside it, same folder.
std::wstring StagingPathFor(const std::wstring& launcherPath);

// Runs the whole update. Failure messages go to `message` (the download's own texts);
// `progress` receives the download's progress. On every outcome but Started, once the message
// has been acknowledged, the offer is recorded as failed and the launcher in place (the old one)
// is started again (GiveUpUpdate).
UpdateOutcome RunUpdate(const UpdatePlan& plan, const DownloadProgressRoutine& progress,
                        const DownloadMessageRoutine& message = ShowDownloadMessage);

// The user turned the offer down (or it could not be taken): records it as failed, so the
// launcher does not hand it over again today, and starts the launcher in place. False when the
// launcher could not be started.
bool GiveUpUpdate(const UpdatePlan& plan);

// Starts the program at `path` in its own folder; the process handle, or none.
UniqueHandle StartProgram(const std::wstring& path);

}  // namespace storvane::updater
