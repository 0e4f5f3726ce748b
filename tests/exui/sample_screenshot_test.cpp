// A picture of the library at work, saved for people to look at: the main window with a filled
// list (Chinese texts, icons, a placeholder, a running tool), an open item menu, and the download
// window with its progress bar.
#include <gtest/gtest.h>

#include <cstdlib>

#include "exui_dll.h"
#include "sample_window.h"

namespace exui_test {
namespace {

int EXUI_CALL IgnoreMenu(int32_t, int32_t, int32_t, int32_t, ExuiValue, int32_t) { return 0; }

std::wstring ArtifactDir() {
  const char* dir = std::getenv("EXUI_ARTIFACTS");
  std::wstring path = dir != nullptr ? FromGbk(dir) : L".";
  ::CreateDirectoryW(path.c_str(), nullptr);
  return path;
}

TEST(SampleScreenshot, MainWindowWithListMenuAndDownloadWindow) {
  Dll dll;
  ASSERT_TRUE(dll.loaded());
  SampleWindow main(dll, 10, 10, 900, 600);
  ASSERT_NE(main.frame, 0);
  ASSERT_NE(main.title, 0);
  ASSERT_NE(main.group, 0);
  ASSERT_NE(main.list, 0);
  ASSERT_NE(main.bar, 0);
  ASSERT_NE(main.disk, 0);
  main.SetUpTemplate();
  for (const auto& item : DefaultItems()) main.AddItem(item);
  dll.Get<ControlSetVisual_t>("ControlSetVisual")(main.bar, 0);

  // The download window, beside the main one so both can be seen.
  HWND download = MakeTopWindow(918, 60, 360, 140, L"download");
  Host frameHost = MakeHost(download, 0, 0, 360, 140);
  ExuiControl frame = CreateUnit(dll, "CreateControl_WindowEx", download, frameHost);
  std::string caption = Gbk(L"正在下载：商品上架专家");
  dll.Get<ExuiSetAttribute_t>("SetAttribute_WindowEx")(frame, EXUI_ATTR_CAPTION,
                                                       reinterpret_cast<ExuiValue>(caption.c_str()));
  dll.Get<ExuiSetAttribute_t>("SetAttribute_WindowEx")(frame, EXUI_ATTR_BUTTONS, 1);
  Host pictureHost = MakeHost(download, 20, 52, 64, 64);
  CreateUnit(dll, "CreateControl_PictureBoxEx", download, pictureHost);
  Host barHost = MakeHost(download, 100, 76, 240, 16);
  ExuiControl bar = CreateUnit(dll, "CreateControl_ProgressbarEx", download, barHost);
  auto setBar = dll.Get<ExuiSetAttribute_t>("SetAttribute_ProgressbarEx");
  setBar(bar, EXUI_ATTR_RANGE_MAX, 10000);
  setBar(bar, EXUI_ATTR_POSITION, 6240);
  Host percentHost = MakeHost(download, 100, 48, 240, 24);
  ExuiControl percent = CreateUnit(dll, "CreateControl_LabelEx", download, percentHost);
  std::string percentText = Gbk(L"已下载 62%");
  dll.SetLabel(percent, EXUI_ATTR_CAPTION, reinterpret_cast<ExuiValue>(percentText.c_str()));
  dll.SetLabel(percent, EXUI_ATTR_TEXT_COLOR, static_cast<int32_t>(0xFF808080));

  // Hover over the second item, then open the menu of the first as its "▼" button would.
  RECT second = ElementScreenRect(main.listHost.window, main.itemWidth, 1, 300, 10, 10, 10);
  MoveMouseTo(POINT{second.left, second.top});
  auto createMenu = dll.Get<Create_MenuEx_t>("Create_MenuEx");
  auto insert = dll.Get<InsertItem_MenuEx_t>("InsertItem_MenuEx");
  ExuiMenu menu = createMenu(16, 16, dll.Bin(std::vector<uint8_t>(667, 0x5A)), dll.Bin(FontBytes(L"微软雅黑", 12)),
                             dll.Bin({}), 255, &IgnoreMenu, 123);
  const wchar_t* captions[] = {L"显示软件", L"", L"重新下载", L"", L"强制关闭", L"", L"查看教程"};
  std::vector<ExuiMenuItem> entries;
  for (int i = 0; i < 7; ++i) {
    bool separator = (i % 2) == 1;
    std::string text = Gbk(captions[i]);
    entries.push_back(insert(menu, 0, -1, 0, 0, text.c_str(), 0xFF606060, 0xFFC0C0C0, 60, separator ? 5 : 24, separator,
                             separator, 0));
  }
  auto disable = dll.Get<SetItemDisabled_MenuEx_t>("SetItemDisabled_MenuEx");
  disable(menu, entries[0], 1);  // "显示软件" and "强制关闭": the tool does not run
  disable(menu, entries[4], 1);
  RECT arrow = ElementScreenRect(main.listHost.window, main.itemWidth, 0, main.itemWidth - 40, 30, 20, 30);
  ASSERT_EQ(dll.Get<PopUp_MenuEx_t>("PopUp_MenuEx")(menu, 0, arrow.left + 10, arrow.bottom, main.top, 0, 0), 1);
  Pump(std::chrono::milliseconds(200));
  // Point at "重新下载" so the menu shows its hover.
  HWND menuWindow = reinterpret_cast<HWND>(
      static_cast<intptr_t>(dll.Get<GetAttribute_MenuEx_t>("GetAttribute_MenuEx")(menu, EXUI_MENU_ATTR_WINDOW)));
  RECT menuRect{};
  ::GetWindowRect(menuWindow, &menuRect);
  MoveMouseTo(POINT{(menuRect.left + menuRect.right) / 2, menuRect.top + 5 + 24 + 5 + 12});
  Pump(std::chrono::milliseconds(400));
  EXPECT_EQ(dll.Get<IsPopUp_MenuEx_t>("IsPopUp_MenuEx")(menu), 1);

  std::wstring path = ArtifactDir() + L"\\exui_sample.png";
  ASSERT_TRUE(SaveScreenPng(RECT{0, 0, 1280, 720}, path));
  EXPECT_NE(::GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);

  dll.Get<Close_MenuEx_t>("Close_MenuEx")(menu);
  dll.Get<Destroy_MenuEx_t>("Destroy_MenuEx")(menu);
  ::DestroyWindow(download);
}

}  // namespace
}  // namespace exui_test
