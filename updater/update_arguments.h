// What the launcher tells the updater on its command line, and the checks the updater makes
// before acting on it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace storvane::updater {

struct UpdaterArguments {
  std::wstring downloadUrl;     // where the new launcher is fetched from
  std::wstring launcherName;    // the launcher's executable name, beside up.exe
  std::wstring newVersion;      // the version the service offers
  std::wstring currentVersion;  // the version that is running now
};

// Reads the four arguments after the program name (each may be quoted; a quoted address keeps
// its spaces). Anything but exactly four gives nullopt.
std::optional<UpdaterArguments> ParseUpdaterArguments(const wchar_t* commandLine);

// An http:// or https:// address with a host: the only kind the updater downloads from or
// hands to the browser.
bool IsWebAddress(std::wstring_view address);

// A bare file name that cannot point outside the updater's folder.
bool IsPlainFileName(std::wstring_view name);

// The folder of a full path, without its trailing separator ("C:\a\up.exe" → "C:\a").
std::wstring FolderOf(std::wstring_view path);

}  // namespace storvane::updater
