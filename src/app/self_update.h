// The launcher's own update: at every start the version service is asked which launcher version
// is current; when it names another one, the updater "up.exe" (carried inside the launcher and
// written beside it at every start) takes over and the launcher ends.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "net/download_digest.h"
#include "net/signed_fetch.h"
#include "util/update_records.h"

namespace storvane {

// The launcher's own version.
inline constexpr char kOwnVersion[] = "2.1";
inline constexpr char kSelfUpdateKey[] = "storvane";
// The version check runs before the window is shown: a service that stalls or drips may hold the
// start for no longer than this, its signature included, and an answer longer than any launcher
// answer can be is no answer.
inline constexpr net::AnswerLimits kUpdateCheckLimits{.deadline_ms = 5000, .max_body_bytes = 4 << 20};

// The updater program carried in the launcher.
std::span<const uint8_t> CarriedUpdaterImage();

// Writes the carried updater to runDirectory + "/up.exe" (created or truncated). True when all of
// it was written; the start-up sequence ignores the result.
bool WriteUpdaterExecutable(std::string_view runDirectory);

// The version service's address for `key`: base + "/api/single/" + key.
std::string SelfUpdateAddress(std::string_view serviceBase, std::string_view key);

struct UpdateAnswer {
  std::string version{};      // "data[0].soft_version"
  std::string downloadUrl{};  // "data[0].soft_down"
  std::string sha256{};       // "data[0].soft_sha256", empty when not named
  std::string size{};         // "data[0].soft_size" as decimal text, empty when not named
};

// The offer up.exe last installed beside the launcher in `runDirectory` (its record up.qn), while
// the launcher file `executableName` there is still the one it installed; empty otherwise.
std::string ReadInstalledOffer(std::string_view runDirectory, std::string_view executableName);

// Whether up.exe failed to install exactly this offer there (or the user turned it down) less
// than a day ago (its record up.fail).
bool OfferFailedRecently(std::string_view runDirectory, const UpdateAnswer& offer);

// Reads the service's answer (UTF-8 JSON as fetched): converted to local text, every "?{"
// turned into "{", parsed, and the two values read. Both empty when it is not such an answer.
UpdateAnswer ReadUpdateAnswer(std::string_view fetchedBody);

// Asks the version service at `serviceBase` for `key`; its answer, both values empty when there
// is none (service down, not JSON, no such entry).
UpdateAnswer CheckForUpdate(std::string_view key, std::string_view serviceBase);

// The same question for a build that may carry the vendor's key. Without one it is the question
// above. With one the answer must come with a valid signature, name itself as `key`, carry a
// "published" not older than the newest this installation accepted for it (recorded beside the
// program in `runDirectory`) nor than `minPublished`, an "expires" still ahead by the system
// clock, and a digest and size in every entry; any other answer counts as none (no update
// known), and the log says why.
UpdateAnswer CheckForUpdate(std::string_view key, std::string_view serviceBase, const net::AnswerKey& answerKey,
                            int64_t minPublished, std::string_view runDirectory);

// Whether the answer asks for an update: a version was named and it is not ours (plain text
// inequality: "2.10" and "2.0" both differ from "2.1"). No version named means no update is
// known, whatever the reason (service down, not JSON, no such entry).
bool UpdateNeeded(std::string_view remoteVersion, std::string_view ownVersion);

// Wraps one argument so that the system's command-line parsing gives it back unchanged
// (spaces, quotes and trailing backslashes included).
std::wstring QuoteArgument(std::wstring_view argument);

// The updater's command line: the quoted program runDirectory + "/up.exe", then the download
// address, the launcher's executable name, the new version and the current version, each quoted;
// with a digest, a fifth quoted argument "<sha256>:<size>" (DigestArgument), which up.exe checks
// the download against before it replaces the launcher.
std::wstring BuildUpdaterCommandLine(std::string_view runDirectory, std::string_view downloadUrl,
                                     std::string_view executableName, std::string_view remoteVersion,
                                     std::string_view ownVersion,
                                     const std::optional<ExpectedDigest>& digest = std::nullopt);

// How the hand-over reaches the system; tests replace both parts.
struct UpdaterHandOver {
  std::string runDirectory;    // where the launcher and up.exe are
  std::string executableName;  // the launcher's file name
  // Starts `program` with `commandLine`; true when the process was created.
  std::function<bool(const std::wstring& program, const std::wstring& commandLine)> start;
  // Ends the launcher (does not come back in the product).
  std::function<void()> end;
};

// The product's hand-over: the running launcher's directory and name, a new process that the
// launcher waits on for at most 1000 ms to become idle, and KillProcess on itself.
UpdaterHandOver DefaultUpdaterHandOver();

// When `offer` asks for an update of `ownVersion`, starts the updater (handing it the offer's size
// and SHA-256 when the service named them) and ends the launcher. When
// the updater cannot be started the launcher goes on: ending it would leave the user with no
// program at all. An offer that up.exe has already installed is not handed over again: a release
// whose own version text differs from the one the service names would otherwise update itself at
// every start, for ever. Nor is an offer that failed there today (OfferFailedRecently): the user
// would be sent from a working launcher into the same failure at every start. Returns whether the
// updater was started.
bool LaunchUpdaterIfNeeded(const UpdateAnswer& offer, std::string_view ownVersion, const UpdaterHandOver& handOver);
bool LaunchUpdaterIfNeeded(const UpdateAnswer& offer, std::string_view ownVersion);

}  // namespace storvane
