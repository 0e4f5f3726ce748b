// The catalogue in a real main window over the real skin-UI library: the template and the load
// in the real list, the watcher thread driving passes through its feedback label with a real
// tool, an install through the real modal download window, the layout and the focus handler.
#include "catalogue/catalogue_window.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <utility>

#include "app/test_processes.h"
#include "catalogue/catalogue_item.h"
#include "catalogue/catalogue_list.h"
#include "catalogue/catalogue_load.h"
#include "catalogue/download_window.h"
#include "catalogue/font_descriptor.h"
#include "catalogue/install_flow.h"
#include "catalogue/item_menu.h"
#include "support/demo_service.h"
#include "support/desktop.h"
#include "sys/process_finder.h"
#include "uilib/loader.h"
#include "uilib/locate.h"
#include "uilib/skin_commands.h"
#include "util/win_text.h"

namespace storvane {
namespace {

using test_support::ChildProcess;
using test_support::CopyFileTo;
using test_support::FileExists;
using test_support::HostToWindowsPath;
using test_support::ReadBytes;
using test_support::RemoveTree;
using test_support::StartChild;
using test_support::WriteBytes;
using testing::DemoService;

template <typename Predicate>
bool PumpUntil(Predicate done, unsigned timeoutMs) {
  const ULONGLONG end = ::GetTickCount64() + timeoutMs;
  MSG msg;
  while (!done()) {
    if (::GetTickCount64() > end) return false;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

void MainCreated(uilib::Window& window) {
  if (MainWindowCatalogue* catalogue = MainWindowCatalogue::Of(window)) {
    catalogue->SetUpItemTemplate();
    catalogue->CreateItemMenu(MakeFontDescriptor(kUiFontFace, 12));
  }
}

constexpr uilib::UnitDesign kUnits[] = {
    {.type = uilib::UnitType::WindowEx,
     .name = "窗口EX_启动窗口",
     .width = 900,
     .height = 600,
     .caption = "Storvane",
     .fillsWindow = true},
    {.type = uilib::UnitType::MinutesboxEx, .name = kGroupBoxUnit, .left = 16, .top = 100, .width = 868, .height = 457},
    {.type = uilib::UnitType::IcoListboxEx,
     .name = kSoftwareListUnit,
     .left = 10,
     .top = 10,
     .width = 848,
     .height = 437,
     .visible = false,
     .container = kGroupBoxUnit},
    {.type = uilib::UnitType::ProgressbarEx,
     .name = kLoadProgressUnit,
     .left = 284,
     .top = 78,
     .width = 300,
     .height = 8,
     .container = kGroupBoxUnit},
    {.type = uilib::UnitType::LabelEx,
     .name = kDiskLabelUnit,
     .left = 16,
     .top = 549,
     .width = 868,
     .height = 24,
     .caption = "磁盘信息"},
    {.type = uilib::UnitType::Label,
     .name = kCatalogueLabelUnit,
     .caption = "读取软件",
     .visible = false,
     .onFeedback = LoadCatalogue},
    {.type = uilib::UnitType::Label,
     .name = kWatcherLabelUnit,
     .caption = "检测软件运行",
     .visible = false,
     .onFeedback = RefreshRunningStates},
};
constexpr uilib::WindowDesign kMainDesign{.name = kMainWindowName,
                                          .caption = "Storvane",
                                          .width = 900,
                                          .height = 600,
                                          .units = kUnits,
                                          .onCreated = MainCreated,
                                          .onSizeChanged = RelayoutCatalogueView,
                                          .onFocus = OnCatalogueFocus};

class CatalogueWindow : public ::testing::Test {
protected:
  static void SetUpTestSuite() { libraryLoaded = uilib::LoadUiLibrary({}, {}, &uilib::LocateUiLibrary) != nullptr; }

  void SetUp() override {
    ASSERT_TRUE(libraryLoaded);
    auto loaded = DemoService::Load();
    ASSERT_TRUE(loaded) << "STORVANE_DEMO_SERVICE is not set up";
    service = *loaded;
    ASSERT_TRUE(service.Restore());
    root = uilib::ProgramDirectory();
    RemoveTree(root + "\\soft");
    // The program asks the service it was built for; here the fixture's.
    window = uilib::LoadWindow(kMainDesign, nullptr, MainWindowCatalogue::MakerFor(VersionService{service.Base()}));
    ASSERT_NE(window, nullptr);
    catalogue = MainWindowCatalogue::Of(*window);
    ASSERT_NE(catalogue, nullptr);
  }

  void TearDown() override {
    if (tool.valid()) tool.Kill();
    if (window != nullptr) ::DestroyWindow(window->hwnd());
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    RemoveTree(root + "\\soft");
    service.Restore();
  }

  ExuiControl ListControl() const { return uilib::ControlOfWindow(window->FindUnit(kSoftwareListUnit)->hwnd()); }
  std::string Text(int item, int element) const {
    return uilib::GetTextElementData(ListControl(), 1, item, -1, element);
  }
  std::string Caption(int item) const { return uilib::GetButtonElementData(ListControl(), 1, item, -1, 4); }

  void PlaceTool(const std::string& store, const char* hostExe, const std::string& exe, const std::string& stamp) {
    ::CreateDirectoryW(GbkToWide(root + "\\soft").c_str(), nullptr);
    ::CreateDirectoryW(GbkToWide(root + "\\soft\\" + store).c_str(), nullptr);
    ASSERT_TRUE(CopyFileTo(HostToWindowsPath(hostExe), root + "\\soft\\" + store + "\\" + exe));
    ASSERT_TRUE(WriteBytes(root + "\\soft\\" + store + "\\rjbbyz.qn", stamp));
  }

  static inline bool libraryLoaded = false;
  DemoService service;
  std::string root;
  uilib::Window* window = nullptr;
  MainWindowCatalogue* catalogue = nullptr;  // the window's
  ChildProcess tool;
};

TEST_F(CatalogueWindow, TheLoadFillsTheRealListAndShowsIt) {
  PlaceTool("dianpu", SHOPTOOL_A_EXE, "shoptool_a.exe", "1.0.3");
  // Through the label's feedback handler, which reaches the window's one catalogue, once: any
  // process can send that message, with other parameters or again.
  uilib::Unit* label = window->FindUnit(kCatalogueLabelUnit);
  EXPECT_EQ(label->SendFeedback(1, 0), 0);
  EXPECT_EQ(catalogue->catalogue().Count(), 0);
  EXPECT_EQ(label->SendFeedback(), 0);
  EXPECT_EQ(label->SendFeedback(), 0);
  EXPECT_EQ(catalogue->catalogue().Count(), 3);
  EXPECT_EQ(uilib::ListItemCount(ListControl()), 3);
  EXPECT_EQ(Text(0, 1), "店铺助手 V1.0.3");
  EXPECT_EQ(Text(1, 1), "商品采集 V2.5");
  EXPECT_EQ(Text(2, 3), "更新时间：2026-12-05");
  EXPECT_EQ(Text(1, 6), "caiji");
  EXPECT_EQ(Text(1, 7), "shoptool_b.exe");
  EXPECT_EQ(Caption(0), "打开软件");
  EXPECT_EQ(Caption(1), "下载软件");
  EXPECT_EQ(uilib::GetButtonElementData(ListControl(), 1, 0, -1, 5), "▼");
  EXPECT_TRUE(window->FindUnit(kSoftwareListUnit)->Visible());
  EXPECT_FALSE(window->FindUnit(kLoadProgressUnit)->Visible());
  EXPECT_EQ(window->FindUnit(kLoadProgressUnit)->Position(), 3);
  // The icons are decoded at the first paint, after the load: COM must still be started on this
  // thread then, for the imaging component, or the library falls back to the slow decoder.
  const HRESULT again = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (SUCCEEDED(again)) ::CoUninitialize();
  EXPECT_EQ(again, S_FALSE);
}

// The values the library keeps for an element, read back through its own export.
ExuiValue Field(ExuiControl list, int item, int element, int field) {
  const auto get =
      uilib::SupportUiExports().Get<ControlGetElemData_Text_t>(uilib::UiExportIndex("ControlGetElemData_Text"));
  return get != nullptr ? get(list, 1, item, -1, element, field) : -1;
}

// The list as an accessibility client reads it: the unit's window or the control inside it.
testing::AccElement AccessibleList(HWND unit) {
  for (HWND w = unit; w != nullptr; w = ::GetWindow(w, GW_CHILD)) {
    testing::AccElement e = testing::AccessibleOf(w);
    if (e && e.Role() == ROLE_SYSTEM_LIST) return e;
  }
  return {};
}

// Where an element of the first item lies inside it, as an accessibility client finds it.
RECT PlaceInItem(const testing::AccElement& item, const testing::AccElement& element) {
  const RECT i = item.Location();
  const RECT e = element.Location();
  return {e.left - i.left, e.top - i.top, e.right - e.left, e.bottom - e.top};
}

TEST_F(CatalogueWindow, EachItemShowsItsEntryInTheTemplatesPlacesColoursAndSwitches) {
  PlaceTool("dianpu", SHOPTOOL_A_EXE, "shoptool_a.exe", "1.0.3");
  LoadCatalogue(catalogue->catalogue());
  const ExuiControl list = ListControl();
  ASSERT_EQ(uilib::ListItemCount(list), 3);
  EXPECT_EQ(Field(list, 0, kElemIcon, EXUI_FIELD_IMAGE), 1) << "the icon arrived and is shown";
  const struct {
    int element;
    uint32_t colour;
    ExuiValue display;
  } shown[] = {{kElemTitle, 0xFFCD5C5C, 1},          {kElemIntroduction, 0xFF808080, 1},
               {kElemUpdateTime, 0xFF808080, 1},     {kElemAction, 0xFF999797, 1},
               {kElemMenuButton, 0xFF999797, 1},     {kElemStoreFolder, 0xFF808080, 0},
               {kElemTutorialAddress, 0xFF808080, 0}};
  for (const auto& e : shown) {
    EXPECT_EQ(static_cast<uint32_t>(Field(list, 0, e.element, EXUI_FIELD_COLOUR)), e.colour) << e.element;
    EXPECT_EQ(Field(list, 0, e.element, EXUI_FIELD_DISPLAY), e.display) << e.element;
  }
  EXPECT_EQ(Text(0, kElemUpdateTime), "更新时间：2026-11-28");
  EXPECT_EQ(Text(0, kElemTutorialAddress), service.Url("/edu/dianpu.html"));
  // A running tool's caption carries its state flag as the element's state and its selection.
  catalogue->list().ShowState(0, ItemState::Running);
  EXPECT_EQ(Caption(0), "正在运行");
  EXPECT_EQ(Field(list, 0, kElemAction, EXUI_FIELD_STATE), 1);
  EXPECT_EQ(Field(list, 0, kElemAction, EXUI_FIELD_SELECTED), 1);

  // Places inside an item of the 824-pixel width a 900-pixel client gives.
  window->FindUnit(kSoftwareListUnit)->SetVisible(true);
  const std::vector<testing::AccElement> items = AccessibleList(window->FindUnit(kSoftwareListUnit)->hwnd()).Children();
  ASSERT_EQ(items.size(), 3u);
  const std::vector<testing::AccElement> parts = items[0].Children();
  ASSERT_GE(parts.size(), 3u);  // the two buttons first, then the texts
  const RECT action = PlaceInItem(items[0], parts[0]);
  const RECT arrow = PlaceInItem(items[0], parts[1]);
  EXPECT_EQ(parts[0].Name(), L"正在运行");
  EXPECT_EQ((std::vector<LONG>{action.left, action.top, action.right, action.bottom}),
            (std::vector<LONG>{705, 30, 80, 30}));
  EXPECT_EQ((std::vector<LONG>{arrow.left, arrow.top, arrow.right, arrow.bottom}),
            (std::vector<LONG>{784, 30, 20, 30}));
  EXPECT_EQ(PlaceInItem(items[0], parts[2]).left, 90) << "the title starts right of the 70-pixel icon";
  EXPECT_EQ(ItemButtonSkin().size(), 400u);
}

TEST_F(CatalogueWindow, TheWatcherThreadMovesTheRealCaptionWithTheTool) {
  PlaceTool("dianpu", SHOPTOOL_A_EXE, "shoptool_a.exe", "1.0.3");
  ASSERT_TRUE(service.Control(R"({"catalogue": {"data": [{"soft_name": "A", "soft_version": "1.0.3",
                                  "soft_store": "dianpu", "soft_process": "shoptool_a.exe"}]}})"));
  LoadCatalogue(catalogue->catalogue());  // starts the watcher thread on the real label
  ASSERT_EQ(Caption(0), "打开软件");
  tool = StartChild(root + "\\soft\\dianpu\\shoptool_a.exe", "quorlen", SW_SHOWNOACTIVATE);
  ASSERT_TRUE(tool.valid());
  EXPECT_TRUE(PumpUntil([&] { return Caption(0) == "正在运行"; }, 10000));
  tool.Kill();
  EXPECT_TRUE(PumpUntil([&] { return Caption(0) == "打开软件"; }, 10000));
}

TEST_F(CatalogueWindow, AnInstallRunsThroughTheModalDownloadWindow) {
  LoadCatalogue(catalogue->catalogue());
  ASSERT_EQ(Caption(2), "下载软件");
  std::atomic<bool> stop{false}, seen{false}, mainDisabled{false};
  RECT seenRect{};
  const HWND mainWindow = window->hwnd();
  std::thread spy([&] {
    while (!stop) {
      if (HWND w = ::FindWindowW(nullptr, L"下载软件"); w != nullptr && ::IsWindowVisible(w)) {
        ::GetWindowRect(w, &seenRect);
        mainDisabled = ::IsWindowEnabled(mainWindow) == FALSE;
        seen = true;
      }
      ::Sleep(20);
    }
  });
  OnItemElementClick(ListControl(), 0x10000, 1, 2, -1, 4, 10, 10, 0);  // returns once the window has closed
  stop = true;
  spy.join();
  EXPECT_TRUE(seen) << "the download window was shown";
  EXPECT_TRUE(mainDisabled) << "and the main window disabled meanwhile";
  RECT main{};
  ::GetWindowRect(mainWindow, &main);
  EXPECT_NEAR((seenRect.left + seenRect.right) / 2, (main.left + main.right) / 2, 2);
  EXPECT_NEAR((seenRect.top + seenRect.bottom) / 2, (main.top + main.bottom) / 2, 2);
  EXPECT_EQ(Caption(2), "打开软件");
  EXPECT_TRUE(ReadBytes(root + "\\soft\\dingdan\\shoptool_c.exe") == ReadBytes(HostToWindowsPath(SHOPTOOL_C_EXE)));
  EXPECT_EQ(ReadBytes(root + "\\soft\\dingdan\\rjbbyz.qn"), "3.2.0");
  EXPECT_TRUE(::IsWindowEnabled(mainWindow));
}

TEST_F(CatalogueWindow, ResizingLaysTheUnitsOutAndTheTemplateFollows) {
  RECT client{0, 0, 1000, 700};
  ::AdjustWindowRectEx(&client, static_cast<DWORD>(::GetWindowLongW(window->hwnd(), GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongW(window->hwnd(), GWL_EXSTYLE)));
  ::SetWindowPos(window->hwnd(), nullptr, 0, 0, client.right - client.left, client.bottom - client.top,
                 SWP_NOMOVE | SWP_NOZORDER);
  PumpUntil([] { return false; }, 100);
  ASSERT_EQ(window->ClientWidth(), 1000);
  EXPECT_EQ(window->FindUnit(kGroupBoxUnit)->Width(), 968);
  EXPECT_EQ(window->FindUnit(kGroupBoxUnit)->Height(), 557);
  EXPECT_EQ(window->FindUnit(kSoftwareListUnit)->Width(), 948);
  EXPECT_EQ(uilib::GetSkinAttribute(uilib::SkinType::IcoListboxEx, ListControl(), EXUI_ATTR_ITEM_WIDTH), 924);
  EXPECT_EQ(window->FindUnit(kLoadProgressUnit)->Left(), 334);
  EXPECT_EQ(window->FindUnit(kDiskLabelUnit)->Top(), 649);
}

TEST_F(CatalogueWindow, StartingTheLoadHandsItToTheLabelAndTheListIsShownWhenDone) {
  // The program's own service address is used here; whatever it answers (nothing, in a test
  // run), the load ends with the list shown and the load bar hidden.
  StartCatalogueLoad(*window);
  EXPECT_TRUE(PumpUntil([&] { return window->FindUnit(kSoftwareListUnit)->Visible(); }, 60000));
  EXPECT_FALSE(window->FindUnit(kLoadProgressUnit)->Visible());
}

TEST_F(CatalogueWindow, TheItemMenuHasFourDistinctChoosableEntriesAndGoesWithItsWindow) {
  const ExuiMenu menu = catalogue->menu().handle();
  ASSERT_NE(menu, 0);
  const ItemMenuEntries& e = catalogue->menu().entries();
  const int32_t entries[] = {e.showSoftware, e.redownload, e.forceClose, e.viewTutorial};
  for (int i = 0; i < 4; ++i) {
    EXPECT_NE(entries[i], 0) << i;
    for (int j = 0; j < i; ++j) EXPECT_NE(entries[i], entries[j]) << i << " " << j;
  }
  EXPECT_EQ(ItemMenuSkin().size(), 667u);
  ::DestroyWindow(std::exchange(window, nullptr)->hwnd());
  EXPECT_EQ(uilib::InsertSkinMenuItem(menu, 0, -1, 0, 0, "x", 0, 0, 60, 24, 0, 0, 0), 0) << "the menu is gone";
}

// Whether the keyboard focus lies with the unit (its host window or the control inside it).
bool HasFocus(const uilib::Unit& unit) {
  const HWND focus = ::GetFocus();
  return focus != nullptr && (focus == unit.hwnd() || ::IsChild(unit.hwnd(), focus));
}

TEST_F(CatalogueWindow, TheFocusHandlerGivesTheSkinFocusToListOrGroupBox) {
  uilib::Unit& list = *window->FindUnit(kSoftwareListUnit);
  uilib::Unit& group = *window->FindUnit(kGroupBoxUnit);
  list.SetVisible(true);
  OnCatalogueFocus(*window, 1, 0);
  EXPECT_TRUE(HasFocus(list));
  OnCatalogueFocus(*window, 0, 0);
  EXPECT_TRUE(HasFocus(group));
  EXPECT_FALSE(HasFocus(list) && !::IsChild(group.hwnd(), ::GetFocus()));
}

}  // namespace
}  // namespace storvane
