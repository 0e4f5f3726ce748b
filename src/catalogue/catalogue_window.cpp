#include "catalogue/catalogue_window.h"

#include <thread>

#include "catalogue/catalogue_load.h"
#include "catalogue/download_window.h"
#include "catalogue/item_actions.h"
#include "catalogue/item_menu.h"
#include "catalogue/item_template.h"
#include "catalogue/running_watch.h"
#include "uilib/loader.h"

#ifndef STORVANE_SERVICE_BASE
#error "STORVANE_SERVICE_BASE must name the version service"
#endif

namespace storvane {
namespace {

uilib::Unit* UnitOf(uilib::Window& window, const char* name) { return window.FindUnit(name); }

HWND WatcherLabelWindow(uilib::Unit& label) { return label.hwnd(); }

}  // namespace

std::string CatalogueServiceBase() { return STORVANE_SERVICE_BASE; }

std::unique_ptr<MainWindowCatalogue> MainWindowCatalogue::Find() {
    uilib::Window* main = uilib::FindLoadedWindow(kMainWindowName);
    if (main == nullptr) return nullptr;
    uilib::Unit* list = UnitOf(*main, kSoftwareListUnit);
    uilib::Unit* progress = UnitOf(*main, kLoadProgressUnit);
    uilib::Unit* groupBox = UnitOf(*main, kGroupBoxUnit);
    uilib::Unit* diskLabel = UnitOf(*main, kDiskLabelUnit);
    uilib::Unit* watcher = UnitOf(*main, kWatcherLabelUnit);
    if (list == nullptr || progress == nullptr || groupBox == nullptr || diskLabel == nullptr || watcher == nullptr) {
        return nullptr;
    }
    return std::make_unique<MainWindowCatalogue>(*main, *list, *progress, *groupBox, *diskLabel, *watcher);
}

MainWindowCatalogue::MainWindowCatalogue(uilib::Window& main, uilib::Unit& list, uilib::Unit& loadProgress,
                                         uilib::Unit& groupBox, uilib::Unit& diskLabel, uilib::Unit& watcherLabel)
    : main_(main),
      list_(list),
      loadProgress_(loadProgress),
      frame_(groupBox, diskLabel),
      menu_(main.hwnd()),
      downloadWindow_(std::make_unique<ModalDownloadWindow>(main)),
      env_{uilib::ProgramDirectory(),
           CatalogueServiceBase(),
           list_,
           loadProgress_,
           frame_,
           menu_,
           CurrentItemMenuEntries(),
           dialogs_,
           starter_,
           *downloadWindow_,
           [label = WatcherLabelWindow(watcherLabel)] { std::thread(RunningWatchThread, label).detach(); },
           ShellOpenAddress} {}

void SetUpItemTemplate() {
    if (auto catalogue = MainWindowCatalogue::Find()) SetUpItemTemplate(catalogue->list(), ItemElementClickRoutine());
}

void StartCatalogueLoad(uilib::Window& main) {
    uilib::Unit* label = main.FindUnit(kCatalogueLabelUnit);
    if (label == nullptr || label->hwnd() == nullptr) return;
    // The thread's handle is not kept: it only hands the work over and ends.
    std::thread(CatalogueKickThread, label->hwnd()).detach();
}

int LoadCatalogue(uilib::Unit&, int, int) {
    if (auto catalogue = MainWindowCatalogue::Find()) LoadCatalogue(catalogue->env());
    return 0;
}

int RefreshRunningStates(uilib::Unit&, int a, int b) {
    if (a != 0 || b != 0) return 0;
    auto catalogue = MainWindowCatalogue::Find();
    return catalogue ? RefreshRunningStates(catalogue->env()) : 0;
}

void RelayoutCatalogueView(uilib::Window&) {
    if (auto c = MainWindowCatalogue::Find()) {
        RelayoutCatalogueView(c->list(), c->loadProgress(), c->frame(), c->main().ClientWidth(),
                              c->main().ClientHeight(), ItemElementClickRoutine());
    }
}

void OnCatalogueFocus(uilib::Window&, int a, int) {
    if (auto c = MainWindowCatalogue::Find()) FocusCatalogueView(c->list(), c->frame(), a);
}

void CatalogueKickThread(HWND catalogueLabel) { ::SendMessageW(catalogueLabel, uilib::kFeedbackMessage, 0, 0); }

void RunningWatchThread(HWND watcherLabel) {
    RunningWatchLoop(
        [watcherLabel] {
            // The pass runs on the user-interface thread; its item count comes back as the result.
            return static_cast<int>(::SendMessageW(watcherLabel, uilib::kFeedbackMessage, 0, 0));
        },
        [](int ms) { ::Sleep(static_cast<DWORD>(ms)); }, [watcherLabel] { return ::IsWindow(watcherLabel) != FALSE; });
}

int32_t EXUI_CALL OnItemElementClick(int32_t, int32_t code, int32_t, int32_t item, int32_t, int32_t element, int32_t,
                                     int32_t, int32_t) {
    if (auto catalogue = MainWindowCatalogue::Find()) HandleItemElementClick(catalogue->env(), code, item, element);
    return 0;
}

ExuiElemClickProc ItemElementClickRoutine() { return &OnItemElementClick; }

int EXUI_CALL OnItemMenuCommand(int32_t, int32_t code, int32_t item, int32_t, ExuiValue, int32_t) {
    if (auto catalogue = MainWindowCatalogue::Find()) HandleItemMenuCommand(catalogue->env(), code, item);
    return 0;
}

}  // namespace storvane
