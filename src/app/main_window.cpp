#include "app/main_window.h"

#include "app/startup.h"
#include "catalogue/catalogue_window.h"

namespace storvane {
namespace {

using uilib::UnitDesign;
using uilib::UnitType;

constexpr int kClientWidth = 900;
constexpr int kClientHeight = 600;
constexpr int kMargin = 16;
// The group box takes what the title and the disk line leave (client height − 143), and the
// list fills it with a 10-pixel inset; the load bar sits where the size handler puts it.
constexpr int kGroupTop = 84;
constexpr int kGroupWidth = kClientWidth - 32;
constexpr int kGroupHeight = kClientHeight - 143;

// The title line keeps its margins when the client is narrower than designed (a large scale on
// a small screen); the catalogue lays out the rest.
void OnMainWindowSizeChanged(uilib::Window& window) {
  if (uilib::Unit* title = window.FindUnit(kTitleUnit)) title->SetWidth(window.ClientWidth() - 2 * kMargin);
  RelayoutCatalogueView(window);
}

constexpr UnitDesign kMainUnits[] = {
    {.type = UnitType::WindowEx,
     .name = kFrameUnit,
     .width = kClientWidth,
     .height = kClientHeight,
     .caption = kProductName,
     .fillsWindow = true},
    {.type = UnitType::LabelEx,
     .name = kTitleUnit,
     .left = kMargin,
     .top = 50,
     .width = kClientWidth - 32,
     .height = 24,
     .caption = kTitleCaption},
    {.type = UnitType::MinutesboxEx,
     .name = kGroupBoxUnit,
     .left = kMargin,
     .top = kGroupTop,
     .width = kGroupWidth,
     .height = kGroupHeight,
     .caption = ""},
    {.type = UnitType::IcoListboxEx,
     .name = kSoftwareListUnit,
     .left = 10,
     .top = 10,
     .width = kGroupWidth - 20,
     .height = kGroupHeight - 20,
     .visible = false,
     .container = kGroupBoxUnit},
    {.type = UnitType::ProgressbarEx,
     .name = kLoadProgressUnit,
     .left = (kGroupWidth - 300) / 2,
     .top = (kGroupHeight - 300) / 2,
     .width = 300,
     .height = 8,
     .container = kGroupBoxUnit,
     .rangeMax = 100},
    {.type = UnitType::LabelEx,
     .name = kDiskLabelUnit,
     .left = kMargin,
     .top = kClientHeight - 51,
     .width = kClientWidth - 32,
     .height = 24,
     .caption = "磁盘信息"},
    {.type = UnitType::Label,
     .name = kCatalogueLabelUnit,
     .caption = "读取软件",
     .visible = false,
     .onFeedback = LoadCatalogue},
    {.type = UnitType::Label,
     .name = kWatcherLabelUnit,
     .caption = "检测软件运行",
     .visible = false,
     .onFeedback = RefreshRunningStates},
};

constexpr uilib::WindowDesign kMainWindow{.name = kMainWindowName,
                                          .caption = kProductName,
                                          .width = kClientWidth,
                                          .height = kClientHeight,
                                          .units = kMainUnits,
                                          .onCreated = OnMainWindowCreated,
                                          .onShown = StartCatalogueLoad,
                                          .onSizeChanged = OnMainWindowSizeChanged,
                                          .onCloseQuery = OnMainWindowCloseQuery,
                                          .onFocus = OnCatalogueFocus};

}  // namespace

const uilib::WindowDesign& MainWindowDesign() { return kMainWindow; }

}  // namespace storvane
