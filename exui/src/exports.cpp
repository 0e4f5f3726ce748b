// The library's exported entry points: each one turns the program's 32-bit values into calls
// on the objects behind the handles. Nothing escapes as an exception; a failure is a value.
#include <windows.h>

#include <cstring>
#include <memory>

#include "control.h"
#include "exui/include/exui_api.h"
#include "ico_list.h"
#include "image.h"
#include "library.h"
#include "menu.h"
#include "progress_bar.h"
#include "push_button.h"
#include "static_controls.h"
#include "window_frame.h"

using namespace storvane::exui;

namespace {

template <typename R, typename F>
R Guard(R fallback, F&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return fallback;
  }
}

ExuiValue FromPointer(const void* p) { return reinterpret_cast<ExuiValue>(p); }

// A window given where a control handle is expected: window handles have 32 significant bits on
// every architecture, so the handle's low half names the window exactly.
int32_t FromWindow(const void* window) { return static_cast<int32_t>(reinterpret_cast<intptr_t>(window)); }

std::shared_ptr<Control> FindControl(int32_t handle) { return Library::Instance().FindControl(handle); }

std::shared_ptr<IcoList> FindList(int32_t handle) {
  auto control = FindControl(handle);
  if (!control || control->Type() != EXUI_TYPE_ICOLISTBOX) return nullptr;
  return std::static_pointer_cast<IcoList>(control);
}

template <typename T>
ExuiControl CreateOf(void* parent, int32_t left, int32_t top, int32_t width, int32_t height, ExuiEventProc proc,
                     ExuiEventRecord* record) {
  return Guard<ExuiControl>(0, [&] {
    auto control = std::make_shared<T>();
    if (!control->Create(static_cast<HWND>(parent), left, top, width, height, proc, record)) {
      control->Destroy();
      return 0;
    }
    Library::Instance().AddControl(control);
    return control->Handle();
  });
}

int32_t SetAttributeOf(ExuiControlType type, int32_t handle, int32_t id, ExuiValue value) {
  return Guard<int32_t>(0, [&] {
    auto control = FindControl(handle);
    if (!control || control->Type() != type) return 0;
    return control->SetAttribute(id, value) ? 1 : 0;
  });
}

ExuiValue GetAttributeOf(ExuiControlType type, int32_t handle, int32_t id) {
  return Guard<ExuiValue>(0, [&]() -> ExuiValue {
    auto control = FindControl(handle);
    if (!control || control->Type() != type) return 0;
    return control->GetAttribute(id);
  });
}

// Element calls name the item elements with the constant 1.
constexpr int32_t kItemElements = 1;

ExuiValue ReturnText(const std::string& text) { return FromPointer(Library::Instance().ReturnText(text)); }

ExuiValue ElemField(int32_t list, int32_t kind, int32_t item, int32_t element, int32_t field) {
  return Guard<ExuiValue>(ReturnText(""), [&]() -> ExuiValue {
    auto control = FindList(list);
    const ElemData* d = control && kind == kItemElements ? control->Model().Data(item, element) : nullptr;
    if (d == nullptr) return field == EXUI_FIELD_TEXT ? ReturnText("") : 0;
    switch (field) {
      case EXUI_FIELD_DISPLAY:
        return d->display ? 1 : 0;
      case EXUI_FIELD_STATE:
        return d->state;
      case EXUI_FIELD_COLOUR:
        return static_cast<int32_t>(d->colour);
      case EXUI_FIELD_TEXT:
        return ReturnText(d->text);
      case EXUI_FIELD_IMAGE:
        return d->image ? 1 : 0;
      case EXUI_FIELD_SELECTED:
        return d->selected;
      default:
        return 0;
    }
  });
}

int32_t SetTemplate(int32_t list, int32_t kind, int32_t element, ElemKind elemKind, int32_t left, int32_t top,
                    int32_t width, int32_t height, auto&& extra) {
  return Guard<int32_t>(0, [&] {
    auto control = FindList(list);
    if (!control || kind != kItemElements) return 0;
    ElemTemplate* t = control->Model().Template(element);
    if (t == nullptr) return 0;
    t->kind = elemKind;
    t->left = left;
    t->top = top;
    t->width = width > 0 ? width : 0;
    t->height = height > 0 ? height : 0;
    extra(*t);
    control->ModelChanged();
    return 1;
  });
}

int32_t SetData(int32_t list, int32_t kind, int32_t item, int32_t element, int32_t display, int32_t state,
                auto&& extra) {
  return Guard<int32_t>(0, [&] {
    auto control = FindList(list);
    ElemData* d = control && kind == kItemElements ? control->Model().Data(item, element) : nullptr;
    if (d == nullptr) return 0;
    d->display = display != 0;
    d->state = state;
    extra(*d);
    control->ModelChanged();
    return 1;
  });
}

void ApplyFont(ElemTemplate& t, ExuiBin font) {
  t.hasFont = font != 0;
  if (t.hasFont) t.font = FontSpec::FromDescriptor(Library::Instance().BinBytes(font));
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }

// ---- internal call and byte buffers -------------------------------------------------------

ExuiValue EXUI_CALL CallInternalFunction_Ex(int32_t code, ExuiValue a, ExuiValue, ExuiValue, ExuiValue d) {
  return Guard<ExuiValue>(0, [&]() -> ExuiValue {
    if (code != EXUI_CMD_REGISTER) return 0;
    if (d != EXUI_LIBRARY_VERSION && d != 0) return 0;
    ExuiValue module = a != 0 ? a : FromPointer(Library::Instance().Module());
    Library::Instance().RegisterModule(module);
    return module;
  });
}

ExuiBin EXUI_CALL CreateBinEx(const void* data, int32_t length) {
  return Guard<ExuiBin>(0, [&] {
    std::vector<uint8_t> bytes(length > 0 ? static_cast<size_t>(length) : 0);
    if (data != nullptr && !bytes.empty()) std::memcpy(bytes.data(), data, bytes.size());
    return Library::Instance().AddBin(std::move(bytes));
  });
}

int32_t EXUI_CALL DeleteBinEx(ExuiBin bin) {
  return Guard<int32_t>(0, [&] { return Library::Instance().RemoveBin(bin) ? 1 : 0; });
}

const void* EXUI_CALL GetBinExDataPointer(ExuiBin bin) {
  return Guard<const void*>(nullptr, [&]() -> const void* {
    auto buffer = Library::Instance().FindBin(bin);
    return buffer && !buffer->bytes.empty() ? buffer->bytes.data() : nullptr;
  });
}

int32_t EXUI_CALL GetBinExDatalength(ExuiBin bin) {
  return Guard<int32_t>(-1, [&] {
    auto buffer = Library::Instance().FindBin(bin);
    return buffer ? static_cast<int32_t>(buffer->bytes.size()) : -1;
  });
}

// ---- creation -------------------------------------------------------------------------------

#define EXUI_CREATE_ARGS                                                                                        \
  int32_t, void *parent, int32_t left, int32_t top, int32_t width, int32_t height, ExuiEventProc proc,          \
      ExuiEventRecord *record, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, \
      int32_t, int32_t, int32_t, int32_t, int32_t, int32_t

ExuiControl EXUI_CALL CreateControl_WindowEx(EXUI_CREATE_ARGS) {
  return CreateOf<WindowFrame>(parent, left, top, width, height, proc, record);
}
ExuiControl EXUI_CALL CreateControl_LabelEx(EXUI_CREATE_ARGS) {
  return CreateOf<Label>(parent, left, top, width, height, proc, record);
}
ExuiControl EXUI_CALL CreateControl_PictureBoxEx(EXUI_CREATE_ARGS) {
  return CreateOf<PictureBox>(parent, left, top, width, height, proc, record);
}
ExuiControl EXUI_CALL CreateControl_ProgressbarEx(EXUI_CREATE_ARGS) {
  return CreateOf<ProgressBar>(parent, left, top, width, height, proc, record);
}
ExuiControl EXUI_CALL CreateControl_IcoListboxEx(EXUI_CREATE_ARGS) {
  return CreateOf<IcoList>(parent, left, top, width, height, proc, record);
}
ExuiControl EXUI_CALL CreateControl_MinutesboxEx(EXUI_CREATE_ARGS) {
  return CreateOf<GroupBox>(parent, left, top, width, height, proc, record);
}
ExuiControl EXUI_CALL CreateControl_ButtonEx(EXUI_CREATE_ARGS) {
  return CreateOf<PushButton>(parent, left, top, width, height, proc, record);
}

// ---- attributes -----------------------------------------------------------------------------

#define EXUI_ATTRIBUTES(Type, type)                                                   \
  int32_t EXUI_CALL SetAttribute_##Type(ExuiControl c, int32_t id, ExuiValue value) { \
    return SetAttributeOf(type, c, id, value);                                        \
  }                                                                                   \
  ExuiValue EXUI_CALL GetAttribute_##Type(ExuiControl c, int32_t id) { return GetAttributeOf(type, c, id); }

EXUI_ATTRIBUTES(WindowEx, EXUI_TYPE_WINDOW)
EXUI_ATTRIBUTES(LabelEx, EXUI_TYPE_LABEL)
EXUI_ATTRIBUTES(PictureBoxEx, EXUI_TYPE_PICTUREBOX)
EXUI_ATTRIBUTES(ProgressbarEx, EXUI_TYPE_PROGRESSBAR)
EXUI_ATTRIBUTES(IcoListboxEx, EXUI_TYPE_ICOLISTBOX)
EXUI_ATTRIBUTES(MinutesboxEx, EXUI_TYPE_MINUTESBOX)
EXUI_ATTRIBUTES(ButtonEx, EXUI_TYPE_BUTTON)

// ---- control commands -----------------------------------------------------------------------

int32_t EXUI_CALL ControPonintSizeSynchronise(void* host, void*, int32_t mode) {
  return Guard<int32_t>(0, [&] {
    auto control = FindControl(FromWindow(host));
    if (!control) return 0;
    control->SyncToHost(mode);
    return 1;
  });
}

int32_t EXUI_CALL ControlDestroy(ExuiControl c) {
  return Guard<int32_t>(0, [&] {
    auto control = FindControl(c);
    if (!control) return 0;
    Library::Instance().RemoveControl(control->Handle());
    control->Destroy();
    return 1;
  });
}

int32_t EXUI_CALL ControlIsCreate(ExuiControl c) {
  return Guard<int32_t>(0, [&] {
    auto control = FindControl(c);
    return control && control->Window() != nullptr ? 1 : 0;
  });
}

ExuiControl EXUI_CALL ControlGetBindControl(void* window) {
  return Guard<ExuiControl>(0, [&] {
    auto control = FindControl(FromWindow(window));
    return control ? control->Handle() : 0;
  });
}

void* EXUI_CALL ControlGetWindow(ExuiControl c) {
  return Guard<void*>(nullptr, [&]() -> void* {
    auto control = FindControl(c);
    return control ? control->Window() : nullptr;
  });
}

void* EXUI_CALL ControlGetBindWin(ExuiControl c) {
  return Guard<void*>(nullptr, [&]() -> void* {
    auto control = FindControl(c);
    return control ? control->Host() : nullptr;
  });
}

int32_t EXUI_CALL ControlGetcontrolType(ExuiControl c) {
  return Guard<int32_t>(0, [&] {
    auto control = FindControl(c);
    return control ? static_cast<int32_t>(control->Type()) : 0;
  });
}

int32_t EXUI_CALL ControlLockUpdate(ExuiControl c) {
  return Guard<int32_t>(0, [&] {
    auto control = FindControl(c);
    return control ? control->LockUpdate() : 0;
  });
}

int32_t EXUI_CALL ControlUnlockUpdate(ExuiControl c) {
  return Guard<int32_t>(0, [&] {
    auto control = FindControl(c);
    return control ? control->UnlockUpdate() : 0;
  });
}

int32_t EXUI_CALL ControlGetLockUpdateCount(ExuiControl c) {
  return Guard<int32_t>(0, [&] {
    auto control = FindControl(c);
    return control ? control->LockCount() : 0;
  });
}

int32_t EXUI_CALL ControlSetFocusControl(ExuiControl c) {
  return Guard<int32_t>(0, [&] {
    auto control = FindControl(c);
    if (!control || control->Window() == nullptr) return 0;
    QuietFocusScope quiet;
    ::SetFocus(control->Window());
    return ::GetFocus() == control->Window() ? 1 : 0;
  });
}

ExuiControl EXUI_CALL ControlGetFocusControl() {
  return Guard<ExuiControl>(0, [&] {
    HWND focus = ::GetFocus();
    auto control = focus != nullptr ? FindControl(FromWindow(focus)) : nullptr;
    return control && control->Window() == focus ? control->Handle() : 0;
  });
}

int32_t EXUI_CALL ControlRedraw(ExuiControl c) {
  return Guard<int32_t>(0, [&] {
    auto control = FindControl(c);
    if (!control) return 0;
    control->Invalidate();
    return 1;
  });
}

namespace {

enum class Side { kLeft, kTop, kWidth, kHeight };

int32_t SetSide(ExuiControl c, Side side, int32_t value) {
  return Guard<int32_t>(0, [&] {
    auto control = FindControl(c);
    if (!control) return 0;
    RECT r = control->UnitRect();
    int left = r.left, top = r.top, width = r.right - r.left, height = r.bottom - r.top;
    switch (side) {
      case Side::kLeft:
        left = value;
        break;
      case Side::kTop:
        top = value;
        break;
      case Side::kWidth:
        width = value;
        break;
      case Side::kHeight:
        height = value;
        break;
    }
    return control->SetUnitRect(left, top, width, height) ? 1 : 0;
  });
}

int32_t GetSide(ExuiControl c, Side side) {
  return Guard<int32_t>(0, [&] {
    auto control = FindControl(c);
    if (!control) return 0;
    RECT r = control->UnitRect();
    switch (side) {
      case Side::kLeft:
        return static_cast<int32_t>(r.left);
      case Side::kTop:
        return static_cast<int32_t>(r.top);
      case Side::kWidth:
        return static_cast<int32_t>(r.right - r.left);
      case Side::kHeight:
        return static_cast<int32_t>(r.bottom - r.top);
    }
    return 0;
  });
}

}  // namespace

int32_t EXUI_CALL ControlSetLeft(ExuiControl c, int32_t v) { return SetSide(c, Side::kLeft, v); }
int32_t EXUI_CALL ControlSetTop(ExuiControl c, int32_t v) { return SetSide(c, Side::kTop, v); }
int32_t EXUI_CALL ControlSetWidth(ExuiControl c, int32_t v) { return SetSide(c, Side::kWidth, v); }
int32_t EXUI_CALL ControlSetHeight(ExuiControl c, int32_t v) { return SetSide(c, Side::kHeight, v); }
int32_t EXUI_CALL ControlGetLeft(ExuiControl c) { return GetSide(c, Side::kLeft); }
int32_t EXUI_CALL ControlGetTop(ExuiControl c) { return GetSide(c, Side::kTop); }
int32_t EXUI_CALL ControlGetWidth(ExuiControl c) { return GetSide(c, Side::kWidth); }
int32_t EXUI_CALL ControlGetHeight(ExuiControl c) { return GetSide(c, Side::kHeight); }

int32_t EXUI_CALL ControlSetRect(ExuiControl c, int32_t left, int32_t top, int32_t width, int32_t height) {
  return Guard<int32_t>(0, [&] {
    auto control = FindControl(c);
    return control && control->SetUnitRect(left, top, width, height) ? 1 : 0;
  });
}

int32_t EXUI_CALL ControlGetRect(ExuiControl c, int32_t* rect4) {
  return Guard<int32_t>(0, [&] {
    auto control = FindControl(c);
    if (!control || rect4 == nullptr) return 0;
    RECT r = control->UnitRect();
    rect4[0] = r.left;
    rect4[1] = r.top;
    rect4[2] = r.right - r.left;
    rect4[3] = r.bottom - r.top;
    return 1;
  });
}

int32_t EXUI_CALL ControlSetVisual(ExuiControl c, int32_t visible) {
  return Guard<int32_t>(0, [&] {
    auto control = FindControl(c);
    if (!control) return 0;
    control->SetVisible(visible != 0);
    return 1;
  });
}

int32_t EXUI_CALL ControlGetVisual(ExuiControl c) {
  return Guard<int32_t>(0, [&] {
    auto control = FindControl(c);
    return control && control->Visible() ? 1 : 0;
  });
}

int32_t EXUI_CALL ControlSetDisabled(ExuiControl c, int32_t disabled) {
  return Guard<int32_t>(0, [&] {
    auto control = FindControl(c);
    if (!control) return 0;
    control->SetDisabled(disabled != 0);
    return 1;
  });
}

int32_t EXUI_CALL ControlGetDisabled(ExuiControl c) {
  return Guard<int32_t>(0, [&] {
    auto control = FindControl(c);
    return control && control->Disabled() ? 1 : 0;
  });
}

// ---- icon list items and elements -------------------------------------------------------------

int32_t EXUI_CALL InsertItem_IcoListboxEx(ExuiControl list, int32_t position) {
  return Guard<int32_t>(-1, [&] {
    auto control = FindList(list);
    return control ? control->InsertItem(position) : -1;
  });
}

int32_t EXUI_CALL DeleteItem_IcoListboxEx(ExuiControl list, int32_t item) {
  return Guard<int32_t>(0, [&] {
    auto control = FindList(list);
    return control && control->DeleteItem(item) ? 1 : 0;
  });
}

int32_t EXUI_CALL GetItemCount_IcoListboxEx(ExuiControl list) {
  return Guard<int32_t>(-1, [&] {
    auto control = FindList(list);
    return control ? control->Model().ItemCount() : -1;
  });
}

int32_t EXUI_CALL GuaranteeVisible_IcoListboxEx(ExuiControl list, int32_t item) {
  return Guard<int32_t>(0, [&] {
    auto control = FindList(list);
    return control && control->EnsureVisible(item) ? 1 : 0;
  });
}

int32_t EXUI_CALL ControlInsertElem(ExuiControl list, int32_t kind, int32_t, int32_t position, int32_t count) {
  return Guard<int32_t>(0, [&] {
    auto control = FindList(list);
    if (!control || kind != kItemElements) return 0;
    int result = control->Model().InsertElements(position, count);
    control->ModelChanged();
    return result;
  });
}

int32_t EXUI_CALL ControlGetElemCount(ExuiControl list, int32_t kind) {
  return Guard<int32_t>(0, [&] {
    auto control = FindList(list);
    return control && kind == kItemElements ? control->Model().ElementCount() : 0;
  });
}

int32_t EXUI_CALL ControlSetElemAttribute_Imsge(ExuiControl list, int32_t kind, int32_t, int32_t element, int32_t,
                                                int32_t, int32_t, int32_t left, int32_t top, int32_t width,
                                                int32_t height, int32_t) {
  return SetTemplate(list, kind, element, ElemKind::kImage, left, top, width, height, [](ElemTemplate&) {});
}

int32_t EXUI_CALL ControlSetElemAttribute_Text(ExuiControl list, int32_t kind, int32_t, int32_t element, int32_t,
                                               int32_t, int32_t, int32_t left, int32_t top, int32_t width,
                                               int32_t height, int32_t, ExuiBin font, int32_t format) {
  return SetTemplate(list, kind, element, ElemKind::kText, left, top, width, height, [&](ElemTemplate& t) {
    ApplyFont(t, font);
    t.format = format;
  });
}

int32_t EXUI_CALL ControlSetElemAttribute_Button(ExuiControl list, int32_t kind, int32_t, int32_t element, int32_t,
                                                 ExuiValue clickProc, int32_t, int32_t left, int32_t top, int32_t width,
                                                 int32_t height, int32_t, ExuiBin skin, ExuiBin font) {
  return SetTemplate(list, kind, element, ElemKind::kButton, left, top, width, height, [&](ElemTemplate& t) {
    ApplyFont(t, font);
    t.clickProc = clickProc;
    t.look = ButtonLook::FromBlob(Library::Instance().BinBytes(skin));
  });
}

int32_t EXUI_CALL ControlSetElemData_Imsge(ExuiControl list, int32_t kind, int32_t item, int32_t, int32_t element,
                                           int32_t, int32_t display, int32_t state, ExuiImage image) {
  return SetData(list, kind, item, element, display, state,
                 [&](ElemData& d) { d.image = Library::Instance().FindImage(image); });
}

int32_t EXUI_CALL ControlSetElemData_Text(ExuiControl list, int32_t kind, int32_t item, int32_t, int32_t element,
                                          int32_t, int32_t display, int32_t state, const char* text, uint32_t colour) {
  return SetData(list, kind, item, element, display, state, [&](ElemData& d) {
    d.text = text != nullptr ? text : "";
    d.colour = colour;
  });
}

int32_t EXUI_CALL ControlSetElemData_Button(ExuiControl list, int32_t kind, int32_t item, int32_t, int32_t element,
                                            int32_t, int32_t display, int32_t state, const char* caption,
                                            uint32_t colour, int32_t selected) {
  return SetData(list, kind, item, element, display, state, [&](ElemData& d) {
    d.text = caption != nullptr ? caption : "";
    d.colour = colour;
    d.selected = selected;
  });
}

ExuiValue EXUI_CALL ControlGetElemData_Text(ExuiControl list, int32_t kind, int32_t item, int32_t, int32_t element,
                                            int32_t field) {
  return ElemField(list, kind, item, element, field);
}

ExuiValue EXUI_CALL ControlGetElemData_Button(ExuiControl list, int32_t kind, int32_t item, int32_t, int32_t element,
                                              int32_t field) {
  return ElemField(list, kind, item, element, field);
}

ExuiValue EXUI_CALL ControlGetElemData_Imsge(ExuiControl list, int32_t kind, int32_t item, int32_t, int32_t element,
                                             int32_t field) {
  return ElemField(list, kind, item, element, field);
}

// ---- images ---------------------------------------------------------------------------------

ExuiImage EXUI_CALL LoadImageEx(const void* data, int32_t length, int32_t, int32_t) {
  return Guard<ExuiImage>(0, [&] {
    if (data == nullptr || length <= 0) return 0;
    auto image = Image::Decode(static_cast<const uint8_t*>(data), static_cast<size_t>(length));
    return image ? Library::Instance().AddImage(std::move(image)) : 0;
  });
}

int32_t EXUI_CALL DestroyImageEx(ExuiImage image) {
  return Guard<int32_t>(0, [&] { return Library::Instance().RemoveImage(image) ? 1 : 0; });
}

int32_t EXUI_CALL GetImageAttributeEx(ExuiImage image, int32_t which) {
  return Guard<int32_t>(0, [&] {
    auto found = Library::Instance().FindImage(image);
    if (!found) return 0;
    return which == 1 ? found->Width() : which == 2 ? found->Height() : 0;
  });
}

// ---- menus ----------------------------------------------------------------------------------

ExuiMenu EXUI_CALL Create_MenuEx(int32_t, int32_t, ExuiBin skin, ExuiBin font, ExuiBin, int32_t alpha,
                                 ExuiMenuProc proc, ExuiValue userValue) {
  return Guard<ExuiMenu>(0, [&] {
    auto& library = Library::Instance();
    auto menu = std::make_shared<Menu>(library.NextHandle(), MenuLook::FromBlob(library.BinBytes(skin)),
                                       FontSpec::FromDescriptor(library.BinBytes(font)), alpha, proc, userValue);
    library.AddMenu(menu);
    return menu->Handle();
  });
}

int32_t EXUI_CALL Destroy_MenuEx(ExuiMenu menu) {
  return Guard<int32_t>(0, [&] {
    auto found = Library::Instance().RemoveMenu(menu);
    if (!found) return 0;
    found->DestroyWindowNow();
    return 1;
  });
}

ExuiMenuItem EXUI_CALL InsertItem_MenuEx(ExuiMenu menu, int32_t, int32_t position, int32_t, ExuiValue,
                                         const char* caption, uint32_t textColour, uint32_t disabledColour,
                                         int32_t width, int32_t height, int32_t separator, int32_t disabled, int32_t) {
  return Guard<ExuiMenuItem>(0, [&] {
    auto found = Library::Instance().FindMenu(menu);
    return found ? found->Insert(position, caption, textColour, disabledColour, width, height, separator != 0,
                                 disabled != 0)
                 : 0;
  });
}

int32_t EXUI_CALL DeleteItem_MenuEx(ExuiMenu menu, ExuiMenuItem item) {
  return Guard<int32_t>(0, [&] {
    auto found = Library::Instance().FindMenu(menu);
    return found && found->Remove(item) ? 1 : 0;
  });
}

int32_t EXUI_CALL GetItemCount_MenuEx(ExuiMenu menu) {
  return Guard<int32_t>(-1, [&] {
    auto found = Library::Instance().FindMenu(menu);
    return found ? found->Count() : -1;
  });
}

int32_t EXUI_CALL SetItemDisabled_MenuEx(ExuiMenu menu, ExuiMenuItem item, int32_t disabled) {
  return Guard<int32_t>(0, [&] {
    auto found = Library::Instance().FindMenu(menu);
    return found && found->SetDisabled(item, disabled != 0) ? 1 : 0;
  });
}

int32_t EXUI_CALL GetItemDisabled_MenuEx(ExuiMenu menu, ExuiMenuItem item) {
  return Guard<int32_t>(0, [&] {
    auto found = Library::Instance().FindMenu(menu);
    const MenuEntry* entry = found ? found->Find(item) : nullptr;
    return entry != nullptr && entry->disabled ? 1 : 0;
  });
}

const char* EXUI_CALL GetItemTitle_MenuEx(ExuiMenu menu, ExuiMenuItem item) {
  return Guard<const char*>("", [&] {
    auto found = Library::Instance().FindMenu(menu);
    const MenuEntry* entry = found ? found->Find(item) : nullptr;
    return Library::Instance().ReturnText(entry != nullptr ? entry->caption : std::string());
  });
}

int32_t EXUI_CALL SetItemTitle_MenuEx(ExuiMenu menu, ExuiMenuItem item, const char* caption) {
  return Guard<int32_t>(0, [&] {
    auto found = Library::Instance().FindMenu(menu);
    return found && found->SetTitle(item, caption) ? 1 : 0;
  });
}

int32_t EXUI_CALL PopUp_MenuEx(ExuiMenu menu, int32_t, int32_t x, int32_t y, void* owner, int32_t wait, int32_t) {
  return Guard<int32_t>(0, [&] {
    auto found = Library::Instance().FindMenu(menu);
    return found && found->PopUp(x, y, static_cast<HWND>(owner), wait != 0) ? 1 : 0;
  });
}

int32_t EXUI_CALL Close_MenuEx(ExuiMenu menu) {
  return Guard<int32_t>(0, [&] {
    auto found = Library::Instance().FindMenu(menu);
    if (!found) return 0;
    found->Close(true);
    return 1;
  });
}

int32_t EXUI_CALL IsPopUp_MenuEx(ExuiMenu menu) {
  return Guard<int32_t>(0, [&] {
    auto found = Library::Instance().FindMenu(menu);
    return found && found->IsOpen() ? 1 : 0;
  });
}

ExuiValue EXUI_CALL GetAttribute_MenuEx(ExuiMenu menu, int32_t id) {
  return Guard<ExuiValue>(0, [&]() -> ExuiValue {
    auto found = Library::Instance().FindMenu(menu);
    if (!found || id != EXUI_MENU_ATTR_WINDOW) return 0;
    return FromPointer(found->Window());
  });
}

}  // extern "C"
