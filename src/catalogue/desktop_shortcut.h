// Desktop shortcuts (".lnk" files) written through the script host's shell object, and the
// special-folder lookup used to find the desktop.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace storvane {

// Puts a shortcut to `target` on the desktop. `name` may carry ".lnk" and a path (only its file
// name without extension is kept then). An icon location that is not given (or empty) becomes
// "SHELL32.dll,4" for a target without extension, else target + ",0". An existing link of the
// same name is replaced. True when the shell handed out a shortcut object, even if a later
// property was refused; false for a target without a folder or when the shell object is
// unavailable.
bool CreateDesktopShortcut(std::string_view name, std::string_view target, std::string_view arguments = {},
                           std::optional<std::string> iconLocation = std::nullopt, int windowStyle = 0,
                           std::string_view description = {}, std::string_view hotkey = {});

// Folder of a kind, ending with one backslash; empty on failure or for an unknown kind.
// 0 and 3 desktop, 1 documents, 2 favourites, 4 fonts, 5 start menu, 6 programs, 7 startup,
// 8 application data, 9 Windows directory, 10 system directory, 11 temporary directory,
// 12 internet cache, 13 common application data.
std::string GetSpecialFolderPath(int kind);

// ---- the pure parts of CreateDesktopShortcut, open for tests --------------------------------

// The link file's full path for a shortcut name, in `desktopFolder` (which ends with "\").
std::string ShortcutLinkPath(std::string_view name, std::string_view desktopFolder);

// The folder the target lies in, with a trailing backslash; empty when the target has no
// folder part. Forward slashes count as separators too, so a target joined with "/" gets its
// own folder rather than the one above.
std::string ShortcutWorkingDirectory(std::string_view target);

// The icon location used when none is given.
std::string DefaultShortcutIconLocation(std::string_view target);

}  // namespace storvane
