// What the item buttons and the item action menu do: open, install or update a tool, pop up
// the menu with the entries the item's state allows, show or force-close a running tool, open
// its tutorial.
#pragma once

#include <windows.h>

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

// The two ways a program is started: `create` makes the process from the whole command line and
// gives 0 or the system's error code; `shellOpen` hands the program and its arguments to the
// shell's "open" verb, which asks for the administrator's consent where the program needs it.
struct ProcessStartSteps {
  std::function<DWORD(const std::wstring& commandLine)> create;
  std::function<bool(const std::wstring& program, const std::wstring& arguments)> shellOpen;
};
// The system's: CreateProcessW (then up to 1000 ms for the process to become idle) and
// ShellExecuteExW, both in a normal window.
ProcessStartSteps SystemProcessStartSteps();

// Starts a process from a command line (a quoted program path, a blank, the arguments) without
// waiting for it to end. A program that asks for administrator rights cannot be created directly
// (error 740): it goes through the shell's "open". True when the process was started.
bool StartProcessFromCommandLine(const std::string& commandLine,
                                 const ProcessStartSteps& steps = SystemProcessStartSteps());

}  // namespace storvane
