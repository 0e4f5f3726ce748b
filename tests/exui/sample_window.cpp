#include "sample_window.h"

namespace exui_test {

std::vector<SampleItem> DefaultItems() {
  return {
      {L"店铺数据助手", L"3.2.1", L"一键采集店铺经营数据，自动生成日报和周报。", L"2024-05-12", L"打开软件", 0xFF2D8CF0,
       L'数', 0},
      {L"商品上架专家", L"1.8", L"批量编辑商品标题、价格与库存，支持定时上架。", L"2024-04-28", L"正在运行", 0xFF43A047,
       L'商', 1},
      {L"客服快捷回复", L"2.0.5", L"常用话术分组管理，快捷键一键发送。", L"2024-03-02", L"更新软件", 0xFFFB8C00, L'客',
       0},
      {L"订单打印工具", L"5.1", L"电子面单批量打印，自动回填运单号。", L"2023-12-20", L"下载软件", 0, L'订', 0},
      {L"评价管理中心", L"1.0.3", L"差评预警与批量回复，提升店铺评分。", L"2023-11-08", L"重新下载", 0xFF8E24AA, L'评',
       0},
  };
}

std::vector<ElementClick>& ElementClicks() {
  static std::vector<ElementClick> clicks;
  return clicks;
}

int EXUI_CALL RecordElementClick(int32_t control, int32_t code, int32_t kind, int32_t item, int32_t column,
                                 int32_t element, int32_t x, int32_t y, int32_t state) {
  ElementClicks().push_back({control, code, kind, item, column, element, x, y, state});
  return 0;
}

SampleWindow::SampleWindow(Dll& dll, int left, int top_, int width, int height) : dll_(dll) {
  // Places are designed at 96 DPI; like the runtime, the window is laid out at the system's.
  HDC screen = ::GetDC(nullptr);
  double s = ::GetDeviceCaps(screen, LOGPIXELSY) / 96.0;
  ::ReleaseDC(nullptr, screen);
  auto px = [s](int v) { return static_cast<int>(v * s); };
  auto host = [&](int l, int t, int w, int h) { return MakeHost(top, px(l), px(t), px(w), px(h)); };
  top = MakeTopWindow(left, top_, px(width), px(height));
  frameHost = host(0, 0, width, height);
  frame = CreateUnit(dll, "CreateControl_WindowEx", top, frameHost);
  titleHost = host(16, 48, width - 32, 28);
  title = CreateUnit(dll, "CreateControl_LabelEx", top, titleHost);
  int groupWidth = width - 32;
  int groupHeight = height - 143;
  groupHost = host(16, 88, groupWidth, groupHeight);
  group = CreateUnit(dll, "CreateControl_MinutesboxEx", top, groupHost);
  listHost = host(26, 98, groupWidth - 20, groupHeight - 20);
  list = CreateUnit(dll, "CreateControl_IcoListboxEx", top, listHost);
  barHost = host(16 + (groupWidth - 300) / 2, 88 + (groupHeight - 300) / 2, 300, 20);
  bar = CreateUnit(dll, "CreateControl_ProgressbarEx", top, barHost);
  diskHost = host(16, height - 51, width - 32, 30);
  disk = CreateUnit(dll, "CreateControl_LabelEx", top, diskHost);
  itemWidth = groupWidth - 20 - 24;

  auto setWindow = dll.Get<ExuiSetAttribute_t>("SetAttribute_WindowEx");
  auto setList = dll.Get<ExuiSetAttribute_t>("SetAttribute_IcoListboxEx");
  std::string caption = Gbk(L"Storvane");
  setWindow(frame, EXUI_ATTR_CAPTION, reinterpret_cast<ExuiValue>(caption.c_str()));
  std::string titleText = Gbk(L"Storvane 软件管家    www.storvane.example    用户交流群：86421357    版本：V2.1");
  dll.SetLabel(title, EXUI_ATTR_CAPTION, reinterpret_cast<ExuiValue>(titleText.c_str()));
  dll.SetLabel(title, EXUI_ATTR_FONT, dll.Bin(FontBytes(L"微软雅黑", 12)));
  std::string diskText = Gbk(L"C盘剩余空间：12.3G，足够软件的运行！");
  dll.SetLabel(disk, EXUI_ATTR_CAPTION, reinterpret_cast<ExuiValue>(diskText.c_str()));
  dll.SetLabel(disk, EXUI_ATTR_TEXT_COLOR, static_cast<int32_t>(0xFF808080));
  setList(list, EXUI_ATTR_ITEM_WIDTH, itemWidth);
}

SampleWindow::~SampleWindow() {
  auto destroy = dll_.Get<ControlDestroy_t>("ControlDestroy");
  for (ExuiControl c : {disk, bar, list, group, title, frame}) {
    if (c != 0) destroy(c);
  }
  if (top != nullptr) ::DestroyWindow(top);
}

void SampleWindow::SetUpTemplate() {
  auto insert = dll_.Get<ControlInsertElem_t>("ControlInsertElem");
  auto image = dll_.Get<ControlSetElemAttribute_Imsge_t>("ControlSetElemAttribute_Imsge");
  auto text = dll_.Get<ControlSetElemAttribute_Text_t>("ControlSetElemAttribute_Text");
  auto button = dll_.Get<ControlSetElemAttribute_Button_t>("ControlSetElemAttribute_Button");
  auto lock = dll_.Get<ControlLockUpdate_t>("ControlLockUpdate");
  auto unlock = dll_.Get<ControlUnlockUpdate_t>("ControlUnlockUpdate");
  ExuiBin f12 = dll_.Bin(FontBytes(L"微软雅黑", 12));
  ExuiBin f14 = dll_.Bin(FontBytes(L"微软雅黑", 14, true));
  ExuiBin f15 = dll_.Bin(FontBytes(L"微软雅黑", 15, true));
  // Any 400 bytes: the launcher's blob is its own; the library falls back to its look.
  ExuiBin skin = dll_.Bin(std::vector<uint8_t>(400, 0xFF));
  int w = itemWidth;
  auto click = reinterpret_cast<ExuiValue>(&RecordElementClick);
  lock(list);
  insert(list, 1, -1, -1, 10);
  image(list, 1, -1, 0, -1, 0, 0, 10, 10, 70, 70, 0);
  text(list, 1, -1, 1, -1, 0, 0, 90, 20, 300, 20, 0, f14, 9);
  text(list, 1, -1, 2, -1, 0, 0, 90, 50, w - 430, 30, 0, f12, 0);
  text(list, 1, -1, 3, -1, 0, 0, w - 330, 30, 180, 30, 0, f12, 16);
  button(list, 1, -1, 4, -1, click, 0, w - 119, 30, 80, 30, 0, skin, f14);
  button(list, 1, -1, 5, -1, click, 0, w - 40, 30, 20, 30, 0, skin, f15);
  for (int e = 6; e <= 9; ++e) text(list, 1, -1, e, -1, 0, 0, 0, 0, 0, 0, 0, f14, 9);
  unlock(list);
}

int SampleWindow::AddItem(const SampleItem& item) {
  auto loadImage = dll_.Get<LoadImageEx_t>("LoadImageEx");
  auto destroyImage = dll_.Get<DestroyImageEx_t>("DestroyImageEx");
  auto insertItem = dll_.Get<InsertItem_IcoListboxEx_t>("InsertItem_IcoListboxEx");
  auto setImage = dll_.Get<ControlSetElemData_Imsge_t>("ControlSetElemData_Imsge");
  auto setText = dll_.Get<ControlSetElemData_Text_t>("ControlSetElemData_Text");
  auto setButton = dll_.Get<ControlSetElemData_Button_t>("ControlSetElemData_Button");
  std::vector<uint8_t> icon;
  if (item.iconColour != 0) icon = MakeIconPng(item.iconColour, item.letter);
  ExuiImage image = loadImage(icon.data(), static_cast<int32_t>(icon.size()), 0, 0);
  int index = insertItem(list, -1);
  setImage(list, 1, index, -1, 0, 0, 1, 0, image);
  std::string title = Gbk(item.name + L" V" + item.version);
  std::string intro = Gbk(item.intro);
  std::string time = Gbk(L"更新时间：" + item.time);
  setText(list, 1, index, -1, 1, 0, 1, 0, title.c_str(), 0xFFCD5C5C);
  setText(list, 1, index, -1, 2, 0, 1, 0, intro.c_str(), 0xFF808080);
  setText(list, 1, index, -1, 3, 0, 1, 0, time.c_str(), 0xFF808080);
  std::string action = Gbk(item.action);
  setButton(list, 1, index, -1, 4, 0, 1, item.state, action.c_str(), 0xFF999797, item.state);
  std::string arrow = Gbk(L"▼");
  setButton(list, 1, index, -1, 5, 0, 1, 0, arrow.c_str(), 0xFF999797, 0);
  std::string folder = Gbk(L"tool" + std::to_wstring(index));
  std::string exe = Gbk(L"tool" + std::to_wstring(index) + L".exe");
  std::string down = "http://127.0.0.1/tool" + std::to_string(index) + ".exe";
  std::string edu = "http://127.0.0.1/edu/" + std::to_string(index);
  setText(list, 1, index, -1, 6, 0, 0, 0, folder.c_str(), 0xFF808080);
  setText(list, 1, index, -1, 7, 0, 0, 0, exe.c_str(), 0xFF808080);
  setText(list, 1, index, -1, 8, 0, 0, 0, down.c_str(), 0xFF808080);
  setText(list, 1, index, -1, 9, 0, 0, 0, edu.c_str(), 0xFF808080);
  destroyImage(image);
  return index;
}

RECT ElementScreenRect(HWND listHost, int, int item, int left, int top, int width, int height, int scroll) {
  POINT origin{0, item * 90 - scroll};
  ::ClientToScreen(listHost, &origin);
  return RECT{origin.x + left, origin.y + top, origin.x + left + width, origin.y + top + height};
}

}  // namespace exui_test
