// What the launcher tells the updater on its command line, and the checks the updater makes
// before acting on it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "net/download_digest.h"

namespace storvane::updater {

struct UpdaterArguments {
  std::wstring downloadUrl;     // where the new launcher is fetched from
  std::wstring launcherName;    // the launcher's executable name, beside up.exe
  std::wstring newVersion;      // the version the service offers
  std::wstring currentVersion;  // the version that is running now
  // The size and SHA-256 the service named for the new launcher; none from four arguments.
  std::optional<ExpectedDigest> expectedDigest = std::nullopt;
};

// Reads the four arguments after the program name (each may be quoted; a quoted address keeps
// its spaces), and an optional fifth, "<sha256>:<size>" (64 hex digits, a colon, the size in
// bytes as plain decimal; DigestArgument writes it), when the service named them. A fifth
// argument with the colon but other texts around it is kept as an expectation nothing meets, so
// the update fails in the window; without the colon it is not that argument, and the command
// line (an unquoted address split at a blank, say) is refused like anything but four or five
// arguments: nullopt.
std::optional<UpdaterArguments> ParseUpdaterArguments(const wchar_t* commandLine);

// Whatever the arguments at their places say, unchecked and possibly empty: what up.exe can still
// tell of a command line ParseUpdaterArguments refuses, to bring the launcher back.
UpdaterArguments ReadArgumentsLoosely(const wchar_t* commandLine);

// An http:// or https:// address with a host: the only kind the updater downloads from or
// hands to the browser.
bool IsWebAddress(std::wstring_view address);

// A bare file name that cannot point outside the updater's folder.
bool IsPlainFileName(std::wstring_view name);

// The folder of a full path, without its trailing separator ("C:\a\up.exe" → "C:\a").
std::wstring FolderOf(std::wstring_view path);

}  // namespace storvane::updater
