#include "catalogue/item_actions.h"

#include <windows.h>
#include <shellapi.h>

#include "catalogue/catalogue_item.h"
#include "catalogue/entry_rules.h"
#include "catalogue/install_flow.h"
#include "catalogue/item_template.h"
#include "sys/process_finder.h"
#include "util/handles.h"
#include "util/win_text.h"

namespace storvane {

SelectedEntry g_selectedEntry;

namespace {

constexpr DWORD kIdleWaitMs = 1000;

std::string ElementText(ItemListControl& list, int32_t item, int32_t element) {
    return list.GetElemDataText(kElemKind, item, kNoColumn, element, kElemFieldText);
}

std::string ActionCaption(ItemListControl& list, int32_t item) {
    return list.GetElemDataButton(kElemKind, item, kNoColumn, kElemAction, kElemFieldText);
}

// Refuses, with a notice, an action on an entry whose names could reach outside its folder.
bool EnsureSafeSelection(CatalogueEnvironment& env) {
    if (IsSafeEntry(g_selectedEntry.storeFolder, g_selectedEntry.executable)) return true;
    env.dialogs.Notice(kUnsafeEntryMessage, kHintCaption);
    return false;
}

std::string SelectedToolFolder(const CatalogueEnvironment& env) {
    return ToolFolder(env.runDirectory, g_selectedEntry.storeFolder);
}

void RunInstallFlowForSelection(CatalogueEnvironment& env) {
    // A copy: the modal window dispatches messages, and a click elsewhere must not change which
    // tool receives the stamp.
    const SelectedEntry s = g_selectedEntry;
    RunInstallFlow(env, s.itemIndex, s.downloadAddress, s.executable, s.storeFolder, s.version);
}

void OpenSelectedTool(CatalogueEnvironment& env) {
    if (!EnsureSafeSelection(env)) return;
    const std::string commandLine =
        ToolCommandLine(env.runDirectory, g_selectedEntry.storeFolder, g_selectedEntry.executable);
    if (!env.starter.Start(commandLine)) env.dialogs.Notice(kOpenFailedMessage, kHintCaption);
}

void PopUpMenuFor(CatalogueEnvironment& env, const std::string& caption) {
    const bool running = caption == kCaptionRunning;
    env.menu.SetItemDisabled(env.menuEntries.redownload, caption != kCaptionOpen);
    env.menu.SetItemDisabled(env.menuEntries.showSoftware, !running);
    env.menu.SetItemDisabled(env.menuEntries.forceClose, !running);
    env.menu.PopUpAtCursor();
}

}  // namespace

std::string ForceCloseQuestion(std::string_view name) {
    return ConcatTexts("确认强制关闭【", name, "】？\r\n强制关闭不会保存软件的数据！");
}

std::string ToolCommandLine(std::string_view runDirectory, std::string_view storeFolder,
                            std::string_view executable) {
    // Quoted: a run directory with a blank must not start another program.
    return ConcatTexts("\"", ToolExecutablePath(runDirectory, storeFolder, executable), "\" ", kToolArgument);
}

void RefreshSelectedEntry(ItemListControl& list, int32_t item) {
    const std::string title = ElementText(list, item, kElemTitle);
    g_selectedEntry.itemIndex = item;
    g_selectedEntry.name = NameFromTitle(title);
    g_selectedEntry.version = VersionFromTitle(title);
    g_selectedEntry.storeFolder = ElementText(list, item, kElemStoreFolder);
    g_selectedEntry.executable = ElementText(list, item, kElemExecutable);
    g_selectedEntry.downloadAddress = ElementText(list, item, kElemDownloadAddress);
    g_selectedEntry.tutorialAddress = ElementText(list, item, kElemTutorialAddress);
}

int32_t HandleItemElementClick(CatalogueEnvironment& env, int32_t code, int32_t item, int32_t element) {
    // The install flow's question box leaves the main window live; the flow finishes first.
    if (code != kElementClickCode || IsInstallInProgress()) return 0;
    RefreshSelectedEntry(env.list, item);
    const std::string caption = ActionCaption(env.list, item);
    if (element == kElemAction) {
        if (caption == kCaptionOpen) {
            OpenSelectedTool(env);
        } else if (caption == kCaptionDownload || caption == kCaptionRedownload || caption == kCaptionUpdate) {
            RunInstallFlowForSelection(env);
        }
        // "正在运行": the tool is up already; nothing to do.
    } else if (element == kElemMenuButton) {
        PopUpMenuFor(env, caption);
    }
    return 0;
}

int32_t HandleItemMenuCommand(CatalogueEnvironment& env, int32_t code, int32_t chosenEntry) {
    if (code != kMenuChosenCode || chosenEntry == 0 || IsInstallInProgress()) return 0;
    const ItemMenuEntries& e = env.menuEntries;
    if (chosenEntry == e.showSoftware) {
        if (EnsureSafeSelection(env)) ShowToolWindow(SelectedToolFolder(env), g_selectedEntry.executable);
    } else if (chosenEntry == e.redownload) {
        RunInstallFlowForSelection(env);
    } else if (chosenEntry == e.forceClose) {
        if (EnsureSafeSelection(env) && env.dialogs.AskYesNo(ForceCloseQuestion(g_selectedEntry.name), kHintCaption)) {
            // The caption is left to the running watcher.
            TerminateToolProcesses(SelectedToolFolder(env), g_selectedEntry.executable);
        }
    } else if (chosenEntry == e.viewTutorial) {
        OpenTutorial(g_selectedEntry.tutorialAddress, env.openAddress);
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
    const auto result = reinterpret_cast<INT_PTR>(
        ::ShellExecuteW(nullptr, L"open", wide.c_str(), L"", L"", SW_SHOWNORMAL));
    return result > 32;
}

bool StartProcessFromCommandLine(const std::string& commandLine) {
    std::wstring line = GbkToWide(commandLine);
    if (line.empty()) return false;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        return false;
    }
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    ::WaitForInputIdle(process.get(), kIdleWaitMs);
    return true;
}

}  // namespace storvane
