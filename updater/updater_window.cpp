#include "updater/updater_window.h"

#include <commctrl.h>

#include <memory>
#include <thread>
#include <vector>

#include "net/download_progress.h"
#include "updater/accessible_control.h"
#include "updater/progress_control.h"
#include "updater/update_job.h"
#include "updater/updater_layout.h"
#include "updater/updater_paint.h"
#include "util/handles.h"
#include "util/win_text.h"
#include "util/window.h"

namespace storvane::updater {
namespace {

constexpr UINT kProgressMessage = WM_APP + 1;  // wParam: bar position 0..10000
constexpr UINT kLineMessage = WM_APP + 3;      // lParam: the line under the track, a new std::wstring
// The line under the track changes at most four times a second, so it can be read.
constexpr DWORD kLineIntervalMs = 250;
constexpr UINT kFinishedMessage = WM_APP + 2;  // wParam: UpdateOutcome
constexpr UINT_PTR kSubclassId = 1;

struct ControlInfo {
  HWND window = nullptr;
  AccessibleRole role = AccessibleRole::StaticText;
  ButtonLook look = ButtonLook::Primary;
  bool hover = false;
  std::wstring value;  // accessible value: the link's address
};

UniqueFont MakeFont(int pixelHeight) {
  return UniqueFont(::CreateFontW(-pixelHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                                  DEFAULT_PITCH | FF_DONTCARE, L"微软雅黑"));
}

LRESULT CALLBACK ControlSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                     DWORD_PTR data) {
  auto* info = reinterpret_cast<ControlInfo*>(data);
  switch (message) {
    case WM_MOUSEMOVE:
      if (!info->hover && info->role != AccessibleRole::StaticText) {
        info->hover = true;
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window, 0};
        ::TrackMouseEvent(&track);
        ::InvalidateRect(window, nullptr, FALSE);
      }
      break;
    case WM_MOUSELEAVE:
      info->hover = false;
      ::InvalidateRect(window, nullptr, FALSE);
      break;
    case WM_SETCURSOR:
      if (info->role == AccessibleRole::Link && ::IsWindowEnabled(window)) {
        ::SetCursor(::LoadCursorW(nullptr, MAKEINTRESOURCEW(32649)) /* IDC_HAND */);
        return TRUE;
      }
      break;
    case WM_ERASEBKGND:
      if (info->role != AccessibleRole::StaticText) return 1;
      break;
    case kGetAccessibleValue:
      if (lParam != 0) *reinterpret_cast<std::wstring*>(lParam) = info->value;
      return 0;
    case WM_GETOBJECT: {
      LRESULT result = 0;
      if (AnswerAccessibleObjectRequest(window, info->role, wParam, lParam, result)) return result;
      break;
    }
    case WM_NCDESTROY:
      ::RemoveWindowSubclass(window, ControlSubclassProc, kSubclassId);
      break;
    default:
      break;
  }
  return ::DefSubclassProc(window, message, wParam, lParam);
}

class UpdaterWindow {
public:
  UpdaterWindow(HINSTANCE instance, UpdaterArguments arguments, std::wstring launcherPath)
      : instance_(instance), arguments_(std::move(arguments)), launcherPath_(std::move(launcherPath)) {}
  UpdaterWindow(const UpdaterWindow&) = delete;
  UpdaterWindow& operator=(const UpdaterWindow&) = delete;
  ~UpdaterWindow() {
    if (worker_.joinable()) worker_.join();
  }

  HWND Create() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DROPSHADOW;
    wc.lpfnWndProc = &UpdaterWindow::Proc;
    wc.hInstance = instance_;
    wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)) /* IDC_ARROW */;
    wc.hIcon = ::LoadIconW(instance_, MAKEINTRESOURCEW(1));
    wc.lpszClassName = kUpdaterWindowClass;
    if (!::RegisterClassExW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return nullptr;
    if (!RegisterProgressControl(instance_)) return nullptr;
    const UpdaterLayout design = ComputeUpdaterLayout(96);
    return ::CreateWindowExW(0, kUpdaterWindowClass, L"Storvane",
                             WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN, 0, 0, design.client.cx,
                             design.client.cy, nullptr, nullptr, instance_, this);
  }

  int exitCode() const { return exitCode_; }

  // Focus rings appear once the keyboard is used, as the system's own controls do.
  void NoteInput(const MSG& message) {
    if (keyboardCues_ || message.message != WM_KEYDOWN) return;
    keyboardCues_ = true;
    for (HWND button : {close_, link_, start_}) ::InvalidateRect(button, nullptr, FALSE);
  }

private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      auto* self = static_cast<UpdaterWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
      self->window_ = window;
      ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<UpdaterWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
    return self->Handle(message, wParam, lParam);
  }

  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
      case WM_CREATE:
        OnCreate();
        return 0;
      case WM_DPICHANGED: {
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        ApplyDpi(HIWORD(wParam));
        ::SetWindowPos(window_, nullptr, suggested->left, suggested->top, layout_.client.cx, layout_.client.cy,
                       SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
      }
      case WM_NCHITTEST: {
        POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        ::ScreenToClient(window_, &p);
        if (::PtInRect(&layout_.titleBar, p)) return HTCAPTION;
        return HTCLIENT;
      }
      case WM_ERASEBKGND:
        return 1;
      case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(window_, &ps);
        Paint(dc, ps.rcPaint);
        ::EndPaint(window_, &ps);
        return 0;
      }
      case WM_PRINTCLIENT: {
        RECT client;
        ::GetClientRect(window_, &client);
        Paint(reinterpret_cast<HDC>(wParam), client);
        return 0;
      }
      case WM_CTLCOLORSTATIC: {
        const HDC dc = reinterpret_cast<HDC>(wParam);
        const int id = ::GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
        ::SetTextColor(dc, id == kHeadingId ? kHeadingColour : id == kNoticeId ? kNoticeColour : kGreyTextColour);
        ::SetBkColor(dc, kWindowColour);
        return reinterpret_cast<LRESULT>(background_.get());
      }
      case WM_DRAWITEM:
        DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
      case DM_GETDEFID:
        return ::IsWindowEnabled(start_) ? MAKELRESULT(kStartButtonId, DC_HASDEFID) : 0;
      case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
      case kProgressMessage:
        ShowProgress(static_cast<int>(wParam));
        return 0;
      case kLineMessage: {
        const std::unique_ptr<std::wstring> line(reinterpret_cast<std::wstring*>(lParam));
        if (WindowText(line_) != *line) ::SetWindowTextW(line_, line->c_str());
        return 0;
      }
      case kFinishedMessage:
        OnFinished(static_cast<UpdateOutcome>(wParam));
        return 0;
      case WM_CLOSE:
        if (busy_) {
          // The download cannot be called back; it finishes out of sight and the
          // window closes then.
          ::ShowWindow(window_, SW_HIDE);
          return 0;
        }
        // Turned down: the user goes back to the launcher, which does not offer this again today.
        if (!finished_) GiveUpUpdate(Plan());
        finished_ = true;
        ::DestroyWindow(window_);
        return 0;
      case WM_DESTROY:
        ::PostQuitMessage(exitCode_);
        return 0;
      default:
        return ::DefWindowProcW(window_, message, wParam, lParam);
    }
  }

  void OnCreate() {
    background_.reset(::CreateSolidBrush(kWindowColour));
    close_ = AddButton(kCloseButtonId, L"关闭", ButtonLook::Close, AccessibleRole::PushButton);
    heading_ = AddStatic(kHeadingId, L"发现新版本：V" + arguments_.newVersion, SS_LEFT);
    current_ = AddStatic(kCurrentVersionId, L"当前版本：V" + arguments_.currentVersion, SS_LEFT);
    percent_ = AddStatic(kPercentId, L"", SS_RIGHT);
    line_ = AddStatic(kLineId, L"", SS_LEFT);
    progress_ = ::CreateWindowExW(0, kProgressWindowClass, L"更新进度", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, window_,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(kProgressId)), instance_, nullptr);
    ::SendMessageW(progress_, PBM_SETRANGE32, 0, kDownloadProgressMaximum);
    notice_ = AddStatic(kNoticeId, L"升级过程中请勿操作软件，等待新版本自动运行", SS_LEFT);
    link_ = AddButton(kLinkId, L"如果更新失败，点我手动下载新版本", ButtonLook::Link, AccessibleRole::Link);
    infos_.back()->value = arguments_.downloadUrl;
    start_ = AddButton(kStartButtonId, L"开始更新", ButtonLook::Primary, AccessibleRole::PushButton);

    ApplyDpi(DpiOfWindow(window_));
    CentreOnWorkArea();
    ::SetFocus(start_);
  }

  HWND AddButton(int id, const std::wstring& text, ButtonLook look, AccessibleRole role) {
    HWND button =
        ::CreateWindowExW(0, L"BUTTON", text.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, 0, 0, 0, 0,
                          window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
    Subclass(button, role, look);
    return button;
  }

  HWND AddStatic(int id, const std::wstring& text, DWORD align) {
    HWND label = ::CreateWindowExW(0, L"STATIC", text.c_str(), WS_CHILD | WS_VISIBLE | SS_NOPREFIX | align, 0, 0, 0, 0,
                                   window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
    Subclass(label, AccessibleRole::StaticText, ButtonLook::Primary);
    return label;
  }

  void Subclass(HWND control, AccessibleRole role, ButtonLook look) {
    auto info = std::make_unique<ControlInfo>();
    info->window = control;
    info->role = role;
    info->look = look;
    ::SetWindowSubclass(control, ControlSubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(info.get()));
    infos_.push_back(std::move(info));
  }

  // The window's own record of a control (not every system's import library has the subclass
  // data getter, and the record is ours anyway).
  const ControlInfo* InfoOf(HWND control) const {
    for (const auto& info : infos_) {
      if (info->window == control) return info.get();
    }
    return nullptr;
  }

  void ApplyDpi(int dpi) {
    layout_ = ComputeUpdaterLayout(dpi);
    captionFont_ = MakeFont(layout_.captionFont);
    headingFont_ = MakeFont(layout_.headingFont);
    bodyFont_ = MakeFont(layout_.bodyFont);
    buttonFont_ = MakeFont(layout_.buttonFont);
    const int iconSize = layout_.icon.right - layout_.icon.left;
    icon_.reset(static_cast<HICON>(
        ::LoadImageW(instance_, MAKEINTRESOURCEW(1), IMAGE_ICON, iconSize, iconSize, LR_DEFAULTCOLOR)));

    auto place = [](HWND control, const RECT& r, HFONT font) {
      ::MoveWindow(control, r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
      if (font != nullptr) ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    };
    place(close_, layout_.closeButton, nullptr);
    place(heading_, layout_.heading, headingFont_.get());
    place(current_, layout_.current, bodyFont_.get());
    place(percent_, layout_.percent, bodyFont_.get());
    place(progress_, layout_.track, nullptr);
    place(line_, layout_.line, bodyFont_.get());
    place(notice_, layout_.notice, bodyFont_.get());
    place(start_, layout_.startButton, buttonFont_.get());
    // The link is only as wide as its text, so the hand cursor appears over the words alone.
    RECT link = layout_.link;
    link.right =
        std::min<LONG>(link.right, link.left + MeasureText(bodyFont_.get(), WindowText(link_)) + ScaleToDpi(4, dpi));
    place(link_, link, bodyFont_.get());
    ::SetWindowPos(window_, nullptr, 0, 0, layout_.client.cx, layout_.client.cy,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::InvalidateRect(window_, nullptr, TRUE);
  }

  int MeasureText(HFONT font, const std::wstring& text) const {
    UniqueWindowDc dc = UniqueWindowDc::FromWindow(window_);
    if (!dc) return 0;
    ScopedSelectObject selected(dc.get(), font);
    SIZE size{};
    ::GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
  }

  void CentreOnWorkArea() {
    POINT cursor{};
    ::GetCursorPos(&cursor);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!::GetMonitorInfoW(::MonitorFromPoint(cursor, MONITOR_DEFAULTTOPRIMARY), &monitor)) return;
    const RECT& work = monitor.rcWork;
    const int left = work.left + (work.right - work.left - layout_.client.cx) / 2;
    const int top = work.top + (work.bottom - work.top - layout_.client.cy) / 2;
    ::SetWindowPos(window_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  void Paint(HDC target, const RECT& area) {
    RECT client;
    ::GetClientRect(window_, &client);
    PaintSurface surface(target, area);
    const HDC dc = surface.dc();
    FillRectColour(dc, client, kWindowColour);
    FrameRectColour(dc, client, kBorderColour);
    if (icon_) {
      const RECT& i = layout_.icon;
      ::DrawIconEx(dc, i.left, i.top, icon_.get(), i.right - i.left, i.bottom - i.top, 0, nullptr, DI_NORMAL);
    }
    DrawTextColour(dc, captionFont_.get(), L"Storvane", layout_.caption, kCaptionColour,
                   DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  }

  void DrawItem(const DRAWITEMSTRUCT& item) {
    const ControlInfo* info = InfoOf(item.hwndItem);
    if (info == nullptr) return;
    ButtonState state;
    state.hover = info->hover;
    state.pressed = (item.itemState & ODS_SELECTED) != 0;
    state.focused = keyboardCues_ && (item.itemState & ODS_FOCUS) != 0 && (item.itemState & ODS_NOFOCUSRECT) == 0;
    state.disabled = (item.itemState & ODS_DISABLED) != 0;
    const HFONT font = info->look == ButtonLook::Primary ? buttonFont_.get() : bodyFont_.get();
    PaintSurface surface(item.hDC, item.rcItem);
    DrawButton(surface, item.rcItem, info->look, state, font, WindowText(item.hwndItem), layout_.dpi);
  }

  void OnCommand(int id, int code) {
    if (code != BN_CLICKED && code != BN_DOUBLECLICKED) return;
    switch (id) {
      case kStartButtonId:
        StartUpdate();
        break;
      case kLinkId:
        // Only a web address goes to the shell: anything else could start a program.
        if (IsWebAddress(arguments_.downloadUrl)) {
          ShellExecuteOpen(WideToUtf16Bytes(arguments_.downloadUrl), {}, 0);
        } else {
          ::MessageBeep(MB_ICONWARNING);
        }
        break;
      case kCloseButtonId:
      case IDCANCEL:
        ::SendMessageW(window_, WM_CLOSE, 0, 0);
        break;
      default:
        break;
    }
  }

  void StartUpdate() {
    if (busy_) return;
    busy_ = true;
    ::EnableWindow(start_, FALSE);
    ShowProgress(0);
    if (worker_.joinable()) worker_.join();
    const HWND window = window_;
    const UpdatePlan plan = Plan();
    worker_ = std::thread([window, plan] {
      TransferRate rate;
      DWORD lastLine = 0;
      bool lineShown = false;
      const UpdateOutcome outcome = RunUpdate(plan, [&](int32_t length, int32_t total, int32_t, int32_t) {
        ::PostMessageW(window, kProgressMessage, static_cast<WPARAM>(DownloadProgressPosition(length, total)), 0);
        const DWORD now = ::GetTickCount();
        rate.Add(now, total);
        if (lineShown && now - lastLine < kLineIntervalMs && total != length) return;
        lineShown = true;
        lastLine = now;
        auto line =
            std::make_unique<std::wstring>(GbkToWide(DownloadProgressLine(total, length, rate.BytesPerSecond())));
        // Posted, so the download never waits for the window; the window takes the text over.
        if (::PostMessageW(window, kLineMessage, 0, reinterpret_cast<LPARAM>(line.get())))
          static_cast<void>(line.release());
      });
      ::PostMessageW(window, kFinishedMessage, static_cast<WPARAM>(outcome), 0);
    });
  }

  UpdatePlan Plan() const {
    UpdatePlan plan{arguments_.downloadUrl, launcherPath_, arguments_.newVersion};
    plan.expectedDigest = arguments_.expectedDigest;
    return plan;
  }

  void ShowProgress(int position) {
    ::SendMessageW(progress_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
    const std::wstring text = std::to_wstring(position * 100 / kDownloadProgressMaximum) + L"%";
    if (WindowText(percent_) != text) ::SetWindowTextW(percent_, text.c_str());
  }

  // Either the new launcher runs or, after the failure's message, the old one runs again
  // (RunUpdate): the window has done its part.
  void OnFinished(UpdateOutcome outcome) {
    if (worker_.joinable()) worker_.join();
    busy_ = false;
    finished_ = true;
    if (outcome == UpdateOutcome::Started) exitCode_ = 0;
    ::DestroyWindow(window_);
  }

  HINSTANCE instance_;
  UpdaterArguments arguments_;
  std::wstring launcherPath_;
  HWND window_ = nullptr;
  HWND close_ = nullptr, heading_ = nullptr, current_ = nullptr, percent_ = nullptr, progress_ = nullptr,
       line_ = nullptr, notice_ = nullptr, link_ = nullptr, start_ = nullptr;
  std::vector<std::unique_ptr<ControlInfo>> infos_;
  UpdaterLayout layout_;
  UniqueBrush background_;
  UniqueFont captionFont_, headingFont_, bodyFont_, buttonFont_;
  UniqueIcon icon_;
  std::thread worker_;
  bool busy_ = false;
  bool finished_ = false;  // the launcher has been started again (or the new one runs)
  bool keyboardCues_ = false;
  int exitCode_ = 1;
};

}  // namespace

int RunUpdaterWindow(HINSTANCE instance, const UpdaterArguments& arguments, const std::wstring& launcherPath) {
  UpdaterWindow updater(instance, arguments, launcherPath);
  HWND window = updater.Create();
  if (window == nullptr) return 1;
  ::ShowWindow(window, SW_SHOWNORMAL);
  ::UpdateWindow(window);
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    updater.NoteInput(message);
    if (::IsWindow(window) && ::IsDialogMessageW(window, &message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return updater.exitCode();
}

}  // namespace storvane::updater
