#include "uilib/skin_units.h"

#include "uilib/locate.h"
#include "util/win_text.h"

namespace storvane::uilib {
namespace {

constexpr wchar_t kUnitProperty[] = L"hUnit";
constexpr wchar_t kPageProperty[] = L"PageId_F";
constexpr wchar_t kControlProperty[] = L"Tab_Control";
constexpr wchar_t kDestroyingProperty[] = L"Tab_WM_DESTROY";

// What the user sees when a skinned unit is made without the library.
constexpr char kMissingLibraryText[] = "程序缺少界面运行库必须依赖的 ExuiKrnln.dll 文件";
constexpr char kMissingLibraryCaption[] = "Warning";

ExuiCreateControl_t CreationEntry(SkinType type) {
  const UiExportTable& table = SupportUiExports();
  switch (type) {
    case SkinType::WindowEx:
      return table.Get<ExuiCreateControl_t>(UiExportIndex("CreateControl_WindowEx"));
    case SkinType::LabelEx:
      return table.Get<ExuiCreateControl_t>(UiExportIndex("CreateControl_LabelEx"));
    case SkinType::PictureBoxEx:
      return table.Get<ExuiCreateControl_t>(UiExportIndex("CreateControl_PictureBoxEx"));
    case SkinType::ProgressbarEx:
      return table.Get<ExuiCreateControl_t>(UiExportIndex("CreateControl_ProgressbarEx"));
    case SkinType::IcoListboxEx:
      return table.Get<ExuiCreateControl_t>(UiExportIndex("CreateControl_IcoListboxEx"));
    case SkinType::MinutesboxEx:
      return table.Get<ExuiCreateControl_t>(UiExportIndex("CreateControl_MinutesboxEx"));
    case SkinType::ButtonEx:
      return table.Get<ExuiCreateControl_t>(UiExportIndex("CreateControl_ButtonEx"));
  }
  return nullptr;
}

void SynchroniseControl(HWND host, std::int32_t mode) {
  auto sync = SupportUiExports().Get<ControPonintSizeSynchronise_t>(UiExportIndex("ControPonintSizeSynchronise"));
  if (sync != nullptr && ::GetPropW(host, kControlProperty) != nullptr) sync(host, host, mode);
}

void DestroyControlOf(HWND host) {
  ::SetPropW(host, kDestroyingProperty, reinterpret_cast<HANDLE>(1));
  const auto control = static_cast<ExuiControl>(reinterpret_cast<std::intptr_t>(::GetPropW(host, kControlProperty)));
  if (control != 0) {
    if (void* unit = ::GetPropW(host, kUnitProperty)) ReleaseUnitRecord(unit);
    if (auto destroy = SupportUiExports().Get<ControlDestroy_t>(UiExportIndex("ControlDestroy"))) destroy(control);
  }
  for (const wchar_t* property : {kUnitProperty, kPageProperty, kControlProperty, kDestroyingProperty}) {
    ::RemovePropW(host, property);
  }
}

LRESULT CALLBACK HostWindowProc(HWND host, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_MOVE:
      SynchroniseControl(host, 0);
      break;
    case WM_SIZE:
      SynchroniseControl(host, 1);
      break;
    case WM_ERASEBKGND:
      return 1;  // the control covers the host
    case WM_NCDESTROY:
      DestroyControlOf(host);
      break;
    default:
      break;
  }
  return ::DefWindowProcW(host, message, wParam, lParam);
}

}  // namespace

int SkinEventOffset(SkinType) { return 0; }

const wchar_t* SkinClassName(SkinType type) {
  switch (type) {
    case SkinType::WindowEx:
      return L"WindowEx";
    case SkinType::LabelEx:
      return L"LabelEx";
    case SkinType::PictureBoxEx:
      return L"PictureBoxEx";
    case SkinType::ProgressbarEx:
      return L"ProgressbarEx";
    case SkinType::IcoListboxEx:
      return L"IcoListboxEx";
    case SkinType::MinutesboxEx:
      return L"MinutesboxEx";
    case SkinType::ButtonEx:
      return L"ButtonEx";
  }
  return L"";
}

bool RegisterSkinClass(SkinType type) {
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof(existing);
  if (::GetClassInfoExW(instance, SkinClassName(type), &existing)) return true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
  wc.lpfnWndProc = &HostWindowProc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.lpszClassName = SkinClassName(type);
  return ::RegisterClassExW(&wc) != 0;
}

HWND CreateSkinnedUnit(SkinType type, HWND parent, int left, int top, int width, int height, bool visible,
                       ExuiEventRecord& record, std::optional<int> page) {
  if (!RegisterSkinClass(type)) return nullptr;
  if (SupportUiExports().Entry(UiExportIndex("CreateControl_WindowEx")) == nullptr) {
    ::MessageBoxW(nullptr, GbkToWide(kMissingLibraryText).c_str(), GbkToWide(kMissingLibraryCaption).c_str(),
                  MB_OK | MB_TASKMODAL);
  }
  // Owned by its parent window, which destroys it (and through it the control) with itself.
  HWND host = ::CreateWindowExW(WS_EX_TRANSPARENT, SkinClassName(type), L"",
                                WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | (visible ? WS_VISIBLE : 0), left, top,
                                width, height, parent, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  if (host == nullptr) return nullptr;
  ::SetWindowPos(host, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  ::SetPropW(host, kUnitProperty, record.unitRecord);
  if (page) ::SetPropW(host, kPageProperty, reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(*page)));
  record.hostWindow = host;
  record.eventOffset = SkinEventOffset(type);
  if (ExuiCreateControl_t create = CreationEntry(type)) {
    create(0, parent, left, top, width, height, &ForwardSkinEvent, &record, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
           0);
  }
  return host;
}

int EXUI_CALL ForwardSkinEvent(void* eventRecord, std::int32_t code, std::int32_t a, std::int32_t b, std::int32_t c,
                               std::int32_t d) {
  if (code >= kFirstPrivateEventCode || eventRecord == nullptr) return 0;
  const auto* record = static_cast<const ExuiEventRecord*>(eventRecord);
  if (record->unitRecord == nullptr) return 0;
  return DispatchUnitEvent(record->unitRecord, code - kEventCodeBase + record->eventOffset, a, b, c, d);
}

}  // namespace storvane::uilib
