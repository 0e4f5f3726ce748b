// What the item buttons and the item action menu do: open, install or update a tool, pop up
// the menu with the entries the item's state allows, show or force-close a running tool, open
// its tutorial.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "catalogue/catalogue.h"

namespace storvane {

// The event codes the two routines answer.
inline constexpr int32_t kElementClickCode = 0x10000;
inline constexpr int32_t kMenuChosenCode = 0x28A;

inline constexpr char kToolArgument[] = "quorlen";
// What an install or update says, and all it does, while the catalogue is offline.
inline constexpr char kServiceUnreachableMessage[] = "暂时无法连接服务器，请稍后再试。";
inline constexpr char kOpenFailedMessage[] =
    "打开失败，请关闭杀毒软件后选择重新下载！\r\n尝试后如果还出现此提示可以联系客服解决！";

// The force-close question for a tool of that name.
std::string ForceCloseQuestion(std::string_view name);

// The command line that starts a tool: the quoted executable path, a blank, "quorlen".
std::string ToolCommandLine(std::string_view runDirectory, std::string_view storeFolder, std::string_view executable);

// The buttons' click routine (elements 4 and 5 of every item): the action button does what the
// item's state offers, the arrow opens the action menu for the item with the entries its state
// allows. Codes other than 0x10000 do nothing, and so does every click while an install flow is
// in progress. While the catalogue is offline, installs and updates only say so. Returns 0.
int32_t HandleItemElementClick(Catalogue& catalogue, int32_t code, int32_t item, int32_t element);

// The item menu's event routine: for code 0x28A (an entry chosen) acts on the item whose arrow
// opened the menu according to the chosen entry, unless an install flow is in progress.
// Returns 0.
int32_t HandleItemMenuCommand(Catalogue& catalogue, int32_t code, int32_t chosenEntry);

// Opens a tutorial page with the shell's "open" verb (no owner window, normal show mode) through
// `open`. Only http and https addresses are handed over; anything else, which the shell could
// run as a program, is ignored. True when the address was handed over.
bool OpenTutorial(std::string_view address, const std::function<bool(const std::string&)>& open);

// The shell's "open" of an address (wide API, normal window); true when the shell took it.
bool ShellOpenAddress(const std::string& address);

// Starts a process from a command line without waiting for it to end, in a normal window, and
// waits up to 1000 ms for it to become idle. True when the process was created.
bool StartProcessFromCommandLine(const std::string& commandLine);

}  // namespace storvane
