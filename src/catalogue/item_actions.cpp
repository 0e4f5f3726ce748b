#include "catalogue/item_actions.h"

#include <windows.h>
#include <shellapi.h>

#include "catalogue/catalogue_item.h"
#include "catalogue/catalogue_view.h"
#include "catalogue/entry_rules.h"
#include "catalogue/install_flow.h"
#include "sys/process_finder.h"
#include "util/handles.h"
#include "util/log.h"
#include "util/win_text.h"

namespace storvane {
namespace {

// The system's answer to a direct start of a program whose manifest asks for administrator rights.
constexpr DWORD kElevationRequired = 740;

constexpr DWORD kIdleWaitMs = 1000;

// Refuses, with a notice, an action on an entry whose names could reach outside its folder.
bool EnsureSafe(CatalogueEnvironment& env, const SelectedEntry& s) {
  if (IsSafeEntry(s.storeFolder, s.executable)) return true;
  env.dialogs.Notice(kUnsafeEntryMessage, kHintCaption);
  return false;
}

void OpenTool(CatalogueEnvironment& env, const SelectedEntry& s) {
  if (!EnsureSafe(env, s)) return;
  const std::string commandLine = ToolCommandLine(env.runDirectory, s.storeFolder, s.executable);
  if (!env.starter.Start(commandLine)) env.dialogs.Notice(kOpenFailedMessage, kHintCaption);
}

// Without the service there is nothing to fetch: the install flow would only end in a
// download error.
void InstallUnlessOffline(Catalogue& catalogue, const SelectedEntry& s) {
  if (catalogue.offline()) {
    catalogue.env().dialogs.Notice(kServiceUnreachableMessage, kHintCaption);
    return;
  }
  RunInstallFlow(catalogue, s);
}

void PopUpMenuFor(CatalogueEnvironment& env, ItemState state) {
  const ItemMenuEntries& e = env.menu.entries();
  const bool running = state == ItemState::Running;
  env.menu.SetItemDisabled(e.redownload, state != ItemState::Open);
  env.menu.SetItemDisabled(e.showSoftware, !running);
  env.menu.SetItemDisabled(e.forceClose, !running);
  env.menu.PopUpAtCursor();
}

}  // namespace

std::string ForceCloseQuestion(std::string_view name) {
  return ConcatTexts("确认强制关闭【", name, "】？\r\n强制关闭不会保存软件的数据！");
}

std::string ToolCommandLine(std::string_view runDirectory, std::string_view storeFolder, std::string_view executable) {
  // Quoted: a run directory with a blank must not start another program.
  return ConcatTexts("\"", ToolExecutablePath(runDirectory, storeFolder, executable), "\" ", kToolArgument);
}

int32_t HandleItemElementClick(Catalogue& catalogue, int32_t code, int32_t item, int32_t element) {
  // The install flow's question box leaves the main window live; the flow finishes first.
  if (code != kElementClickCode || catalogue.installInProgress()) return 0;
  const std::optional<CatalogueItem> record = catalogue.Item(item);
  if (!record) return 0;
  CatalogueEnvironment& env = catalogue.env();
  if (element == kElemAction) {
    switch (record->state) {
      case ItemState::Open:
        OpenTool(env, SelectionOf(*record, item));
        break;
      case ItemState::Download:
      case ItemState::Redownload:
      case ItemState::Update:
        InstallUnlessOffline(catalogue, SelectionOf(*record, item));
        break;
      case ItemState::Running:  // the tool is up already
        break;
    }
  } else if (element == kElemMenuButton) {
    catalogue.SetMenuItem(item);
    PopUpMenuFor(env, record->state);
  }
  return 0;
}

int32_t HandleItemMenuCommand(Catalogue& catalogue, int32_t code, int32_t chosenEntry) {
  if (code != kMenuChosenCode || chosenEntry == 0 || catalogue.installInProgress()) return 0;
  const std::optional<CatalogueItem> record = catalogue.Item(catalogue.menuItem());
  if (!record) return 0;
  const SelectedEntry s = SelectionOf(*record, catalogue.menuItem());
  CatalogueEnvironment& env = catalogue.env();
  const ItemMenuEntries& e = env.menu.entries();
  if (chosenEntry == e.showSoftware) {
    if (EnsureSafe(env, s)) ShowToolWindow(ToolFolder(env.runDirectory, s.storeFolder), s.executable);
  } else if (chosenEntry == e.redownload) {
    InstallUnlessOffline(catalogue, s);
  } else if (chosenEntry == e.forceClose) {
    if (EnsureSafe(env, s) && env.dialogs.AskYesNo(ForceCloseQuestion(s.name), kHintCaption)) {
      // The state is left to the running watcher.
      TerminateToolProcesses(ToolFolder(env.runDirectory, s.storeFolder), s.executable);
    }
  } else if (chosenEntry == e.viewTutorial) {
    OpenTutorial(s.tutorialAddress, env.openAddress);
  }
  return 0;
}

bool OpenTutorial(std::string_view address, const std::function<bool(const std::string&)>& open) {
  if (!IsWebAddress(address) || !open) return false;
  open(std::string(address));
  return true;
}

bool ShellOpenAddress(const std::string& address) {
  const std::wstring wide = GbkToWide(address);
  const auto result =
      reinterpret_cast<INT_PTR>(::ShellExecuteW(nullptr, L"open", wide.c_str(), L"", L"", SW_SHOWNORMAL));
  return result > 32;
}

ProcessStartSteps SystemProcessStartSteps() {
  return {
      [](const std::wstring& commandLine) -> DWORD {
        std::wstring line = commandLine;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_SHOWNORMAL;
        PROCESS_INFORMATION info{};
        if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
          return ::GetLastError();
        }
        UniqueHandle process(info.hProcess);
        UniqueHandle thread(info.hThread);
        ::WaitForInputIdle(process.get(), kIdleWaitMs);
        return ERROR_SUCCESS;
      },
      [](const std::wstring& program, const std::wstring& arguments) {
        SHELLEXECUTEINFOW shell{};
        shell.cbSize = sizeof shell;
        shell.fMask = SEE_MASK_NOASYNC;
        shell.lpVerb = L"open";
        shell.lpFile = program.c_str();
        shell.lpParameters = arguments.c_str();
        shell.nShow = SW_SHOWNORMAL;
        return ::ShellExecuteExW(&shell) != FALSE;
      },
  };
}

bool StartProcessFromCommandLine(const std::string& commandLine, const ProcessStartSteps& steps) {
  const std::wstring line = GbkToWide(commandLine);
  if (line.empty() || !steps.create) return false;
  const DWORD error = steps.create(line);
  if (error != kElevationRequired || !steps.shellOpen) return error == ERROR_SUCCESS;
  // The shell takes the program and its arguments apart; the program is the quoted first part.
  const bool quoted = line.front() == L'"';
  const size_t end = quoted ? line.find(L'"', 1) : line.find(L' ');
  const std::wstring program = quoted ? line.substr(1, end == std::wstring::npos ? end : end - 1) : line.substr(0, end);
  const size_t rest = end == std::wstring::npos ? end : line.find_first_not_of(L' ', end + 1);
  Log("tool start: the program asks for administrator rights; it is handed to the shell");
  return steps.shellOpen(program, rest == std::wstring::npos ? std::wstring() : line.substr(rest));
}

}  // namespace storvane
