// Rules that decide what the launcher may do with a catalogue entry and what its item shows.
// Pure functions over GBK text, so they are tested without windows or a service.
#ifndef STORVANE_CATALOGUE_ENTRY_RULES_H
#define STORVANE_CATALOGUE_ENTRY_RULES_H

#include <string>
#include <string_view>

namespace storvane {

// The catalogue names a tool's folder (`soft_store`) and its executable (`soft_process`); both
// end up in paths the launcher deletes, writes and starts. Each must be one plain file name:
// not empty, no "\", "/", ":" or "..", none of the characters Windows refuses in names, no
// control characters, no trailing dot or space (Windows would silently drop them), and not a
// reserved device name (CON, NUL, COM1, … with or without an extension). Double-byte aware:
// a GBK trail byte that happens to equal '\' is part of its character, not a separator; a lead
// byte followed by anything but a GBK trail byte (0x40-0xFE except 0x7F) is refused, since the
// system would read it as two characters.
bool IsPlainFileName(std::string_view name);

// Both fields of an entry are plain names (the entry may be installed, opened, shown, closed).
bool IsSafeEntry(std::string_view storeFolder, std::string_view executable);

// Tutorials are opened with the shell; only web addresses may go there.
bool IsWebAddress(std::string_view address);

// What an item's action button offers, and so what a click on it does. The caption on screen
// and the button's state flag follow from it; the caption is never read back to decide.
enum class ItemState { Download, Update, Open, Redownload, Running };

// "下载软件", "更新软件", "打开软件", "重新下载", "正在运行".
const char* ItemCaption(ItemState state);
// The flag the button carries with its caption: 1 while the tool runs, 0 otherwise.
int ItemStateFlag(ItemState state);

// The item's first state: Download without the executable, Open when the installed stamp equals
// the offered version byte for byte, Update otherwise.
ItemState FirstActionState(bool executableExists, std::string_view stamp, std::string_view version);

// Item title and its reading back: name, " V", version; the name is what stands before the
// first " V", the version what stands after the last one.
std::string ItemTitle(std::string_view name, std::string_view version);
std::string NameFromTitle(std::string_view title);
std::string VersionFromTitle(std::string_view title);

// The item state captions.
inline constexpr const char kCaptionDownload[] = "下载软件";
inline constexpr const char kCaptionUpdate[] = "更新软件";
inline constexpr const char kCaptionOpen[] = "打开软件";
inline constexpr const char kCaptionRunning[] = "正在运行";
inline constexpr const char kCaptionRedownload[] = "重新下载";

}  // namespace storvane

#endif  // STORVANE_CATALOGUE_ENTRY_RULES_H
