#include "catalogue/catalogue_window.h"

#include <thread>

#include "catalogue/catalogue_load.h"
#include "catalogue/item_actions.h"
#include "catalogue/running_watch.h"
#include "uilib/loader.h"

namespace storvane {

uilib::ContextMaker MainWindowCatalogue::MakerFor(VersionService service) {
  return [service = std::move(service)](uilib::Window& main) -> std::unique_ptr<uilib::WindowContext> {
    return Make(main, service);
  };
}

std::unique_ptr<MainWindowCatalogue> MainWindowCatalogue::Make(uilib::Window& main, const VersionService& service) {
  uilib::Unit* list = main.FindUnit(kSoftwareListUnit);
  uilib::Unit* progress = main.FindUnit(kLoadProgressUnit);
  uilib::Unit* groupBox = main.FindUnit(kGroupBoxUnit);
  uilib::Unit* diskLabel = main.FindUnit(kDiskLabelUnit);
  uilib::Unit* watcher = main.FindUnit(kWatcherLabelUnit);
  if (list == nullptr || progress == nullptr || groupBox == nullptr || diskLabel == nullptr || watcher == nullptr) {
    return nullptr;
  }
  return std::make_unique<MainWindowCatalogue>(main, *list, *progress, *groupBox, *diskLabel, *watcher, service);
}

MainWindowCatalogue::MainWindowCatalogue(uilib::Window& main, uilib::Unit& list, uilib::Unit& loadProgress,
                                         uilib::Unit& groupBox, uilib::Unit& diskLabel, uilib::Unit& watcherLabel,
                                         const VersionService& service)
    : main_(main),
      list_(list),
      loadProgress_(loadProgress),
      frame_(groupBox, diskLabel),
      menu_(main.hwnd()),
      downloadWindow_(main, uilib::ProgramDirectory()),
      env_{uilib::ProgramDirectory(),
           service.base,
           list_,
           loadProgress_,
           frame_,
           menu_,
           dialogs_,
           starter_,
           downloadWindow_,
           [label = watcherLabel.hwnd()] { std::thread(RunningWatchThread, label).detach(); },
           ShellOpenAddress},
      catalogue_(env_) {
  catalogue_.SetAnswerKey(service.answerKey);
  catalogue_.SetMinPublished(service.minPublished);
}

void MainWindowCatalogue::SetUpItemTemplate() { list_.DeclareItemTemplate(ItemElementClickRoutine()); }

bool MainWindowCatalogue::CreateItemMenu(const Bytes& font) {
  // The menu reports to this object, which outlives it: the menu is one of its members.
  return menu_.Create(font, &OnItemMenuCommand, reinterpret_cast<ExuiValue>(this));
}

void StartCatalogueLoad(uilib::Window& main) {
  if (MainWindowCatalogue::Of(main) == nullptr) return;
  uilib::Unit* label = main.FindUnit(kCatalogueLabelUnit);
  if (label == nullptr || label->hwnd() == nullptr) return;
  // The thread's handle is not kept: it only hands the work over and ends.
  std::thread(CatalogueKickThread, label->hwnd()).detach();
}

int LoadCatalogue(uilib::Unit& label, int a, int b) {
  if (a != 0 || b != 0) return 0;
  auto* c = MainWindowCatalogue::Of(label.window());
  if (c != nullptr && c->BeginLoad()) LoadCatalogue(c->catalogue());
  return 0;
}

int RefreshRunningStates(uilib::Unit& label, int a, int b) {
  if (a != 0 || b != 0) return 0;
  auto* c = MainWindowCatalogue::Of(label.window());
  return c != nullptr ? RefreshRunningStates(c->catalogue()) : 0;
}

void RelayoutCatalogueView(uilib::Window& main) {
  if (auto* c = MainWindowCatalogue::Of(main)) {
    RelayoutCatalogueView(c->list(), c->loadProgress(), c->frame(), main.ClientWidth(), main.ClientHeight());
  }
}

void OnCatalogueFocus(uilib::Window& main, int a, int) {
  if (auto* c = MainWindowCatalogue::Of(main)) FocusCatalogueView(c->list(), c->frame(), a);
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

int32_t EXUI_CALL OnItemElementClick(int32_t control, int32_t code, int32_t, int32_t item, int32_t, int32_t element,
                                     int32_t, int32_t, int32_t) {
  uilib::Unit* list = uilib::FindUnitOfControl(control);
  if (list == nullptr) return 0;
  if (auto* c = MainWindowCatalogue::Of(list->window())) HandleItemElementClick(c->catalogue(), code, item, element);
  return 0;
}

ExuiElemClickProc ItemElementClickRoutine() { return &OnItemElementClick; }

int EXUI_CALL OnItemMenuCommand(int32_t menu, int32_t code, int32_t item, int32_t, ExuiValue userValue, int32_t) {
  auto* c = reinterpret_cast<MainWindowCatalogue*>(userValue);
  if (c != nullptr && c->menu().handle() == menu) HandleItemMenuCommand(c->catalogue(), code, item);
  return 0;
}

}  // namespace storvane
