// The catalogue's part of the main window: the names its units carry in the window design, the
// window's context (the catalogue with everything it works through), the handlers the design
// names, the two worker threads that hand work to the user-interface thread through the hidden
// feedback labels, and the routines the skin library calls back directly.
//
// The main window itself (its design, creation handler and close query) belongs to the
// start-up code. It is loaded with MainWindowCatalogue::MakerFor(the version service) as its
// context maker, lists these units under these names and these handlers:
//   creation handler, list set-up step  MainWindowCatalogue::SetUpItemTemplate()
//   creation handler, menu step          MainWindowCatalogue::CreateItemMenu(font)
//   shown once                           StartCatalogueLoad
//   size changed                         RelayoutCatalogueView
//   focus                                OnCatalogueFocus
//   label "标签_读取软件", feedback        LoadCatalogue
//   label "标签_检测软件运行", feedback     RefreshRunningStates
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "catalogue/catalogue.h"
#include "catalogue/catalogue_controls.h"
#include "catalogue/catalogue_environment.h"
#include "catalogue/catalogue_list.h"
#include "catalogue/download_window.h"
#include "catalogue/item_menu.h"
#include "exui_api.h"
#include "uilib/runtime.h"
#include "util/com.h"

namespace storvane {

// The main window's design name and the names of the units the catalogue works with.
inline constexpr char kMainWindowName[] = "启动窗口";
inline constexpr char kSoftwareListUnit[] = "图标列表框EX_软件";
inline constexpr char kLoadProgressUnit[] = "进度条EX_载入软件";
inline constexpr char kGroupBoxUnit[] = "分组框EX";
inline constexpr char kDiskLabelUnit[] = "标签EX_磁盘大小";
inline constexpr char kCatalogueLabelUnit[] = "标签_读取软件";
inline constexpr char kWatcherLabelUnit[] = "标签_检测软件运行";

// The main window's context: one catalogue, made with the window and destroyed with it, over
// adapters of the window's units, its item menu, the runtime's message boxes, process start,
// the modal download window and the service.
class MainWindowCatalogue : public uilib::WindowContext {
public:
  // The main window's context maker, for a catalogue that asks `service`.
  static uilib::ContextMaker MakerFor(VersionService service);
  // The context itself: null when the window lacks one of the catalogue's units.
  static std::unique_ptr<MainWindowCatalogue> Make(uilib::Window& main, const VersionService& service);
  // The catalogue of a window loaded with MakerFor; null for any other window.
  static MainWindowCatalogue* Of(uilib::Window& window) { return window.Context<MainWindowCatalogue>(); }

  MainWindowCatalogue(uilib::Window& main, uilib::Unit& list, uilib::Unit& loadProgress, uilib::Unit& groupBox,
                      uilib::Unit& diskLabel, uilib::Unit& watcherLabel, const VersionService& service);
  MainWindowCatalogue(const MainWindowCatalogue&) = delete;
  MainWindowCatalogue& operator=(const MainWindowCatalogue&) = delete;

  // The creation handler's steps: the list's item template, and the item menu with the
  // program's font descriptor (false when the library made no menu).
  void SetUpItemTemplate();
  bool CreateItemMenu(const Bytes& font);

  // True the first time only: the list is filled once per window.
  bool BeginLoad() { return !std::exchange(loadBegun_, true); }

  Catalogue& catalogue() { return catalogue_; }
  CatalogueEnvironment& env() { return env_; }
  uilib::Window& main() { return main_; }
  SkinCatalogueList& list() { return list_; }
  UnitProgressBar& loadProgress() { return loadProgress_; }
  UnitFrame& frame() { return frame_; }
  ItemMenu& menu() { return menu_; }

private:
  // First, so it outlasts every member: the skin library decodes the icons at the list's first
  // paint, after the load has returned, and its imaging factory needs COM on this thread then.
  // Without it the library falls back to GDI+, several times slower.
  ComInit com_;
  uilib::Window& main_;
  SkinCatalogueList list_;
  UnitProgressBar loadProgress_;
  UnitFrame frame_;
  ItemMenu menu_;
  RuntimeDialogs dialogs_;
  ProcessToolStarter starter_;
  ModalDownloadWindow downloadWindow_;
  CatalogueEnvironment env_;
  Catalogue catalogue_;
  bool loadBegun_ = false;
};

// ---- handlers of the main window (each does nothing for a window without a catalogue) ---------

// Shown: starts `CatalogueKickThread` and returns at once.
void StartCatalogueLoad(uilib::Window& main);

// Feedback of the label "读取软件": fills the list from the version service, once per window and
// only for (0, 0): any process on the desktop can send this message, and one arriving during the
// fill would nest a second fill inside its wait. Result 0.
int LoadCatalogue(uilib::Unit& label, int a, int b);

// Feedback of the label "检测软件运行": one running-state pass; the result is the number of items
// the pass went through, which the watcher thread reads as the message's result. Any process on
// the desktop can send this message, so anything but the watcher's own (0, 0) is ignored.
int RefreshRunningStates(uilib::Unit& label, int a, int b);

// Size changed: lays the catalogue's units out for the new client size.
void RelayoutCatalogueView(uilib::Window& main);

// Focus: the skin focus goes to the list when `a` is 1, to the group box otherwise.
void OnCatalogueFocus(uilib::Window& main, int a, int b);

// ---- threads --------------------------------------------------------------------------------

// Sends the feedback message once to the catalogue label and ends when the load has finished.
void CatalogueKickThread(HWND catalogueLabel);

// Sends the feedback message to the watcher label, one pass per send, pausing 500 ms after a
// pass that had nothing to check; runs as long as the label exists (in the program: until the
// process ends).
void RunningWatchThread(HWND watcherLabel);

// ---- routines the skin library calls -----------------------------------------------------------

// Click routine of the item buttons (elements 4 and 5): reaches the catalogue of the window whose
// list `control` is.
int32_t EXUI_CALL OnItemElementClick(int32_t control, int32_t code, int32_t kind, int32_t item, int32_t column,
                                     int32_t element, int32_t x, int32_t y, int32_t state);
// Its address as the template passes it to the library.
ExuiElemClickProc ItemElementClickRoutine();

// Event routine of the item action menu; its user value is the menu's MainWindowCatalogue.
int EXUI_CALL OnItemMenuCommand(int32_t menu, int32_t code, int32_t item, int32_t index, ExuiValue userValue,
                                int32_t reserved);

}  // namespace storvane
