#include "updater/accessible_control.h"

#include <oleacc.h>

#include <vector>

#include "util/accessible_base.h"
#include "util/com.h"
#include "util/window.h"

namespace storvane::updater {
namespace {

// One object per request; it only holds the window and asks it for everything, so a client that
// keeps it after the window is gone gets a clean error instead of stale data.
class ControlAccessible final : public AccessibleBase {
public:
  ControlAccessible(HWND control, AccessibleRole role) : control_(control), role_(role) {}

  // IAccessible
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    if (parent == nullptr) return E_POINTER;
    *parent = nullptr;
    if (!::IsWindow(control_)) return RPC_E_DISCONNECTED;
    return ::AccessibleObjectFromWindow(control_, static_cast<DWORD>(OBJID_WINDOW), IID_IDispatch,
                                        reinterpret_cast<void**>(parent));
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT, IDispatch** child) override {
    if (child != nullptr) *child = nullptr;
    return E_INVALIDARG;
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    if (!IsSelf(child)) return E_INVALIDARG;
    if (!::IsWindow(control_)) return RPC_E_DISCONNECTED;
    return PutText(name, WindowText(control_));
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    if (!IsSelf(child)) return E_INVALIDARG;
    if (!::IsWindow(control_)) return RPC_E_DISCONNECTED;
    std::wstring text;
    ::SendMessageW(control_, kGetAccessibleValue, 0, reinterpret_cast<LPARAM>(&text));
    return PutText(value, text);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT, BSTR* description) override { return PutText(description, {}); }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    if (role == nullptr) return E_POINTER;
    if (!IsSelf(child)) return E_INVALIDARG;
    role->vt = VT_I4;
    switch (role_) {
      case AccessibleRole::PushButton:
        role->lVal = ROLE_SYSTEM_PUSHBUTTON;
        break;
      case AccessibleRole::Link:
        role->lVal = ROLE_SYSTEM_LINK;
        break;
      case AccessibleRole::ProgressBar:
        role->lVal = ROLE_SYSTEM_PROGRESSBAR;
        break;
      case AccessibleRole::StaticText:
        role->lVal = ROLE_SYSTEM_STATICTEXT;
        break;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    if (state == nullptr) return E_POINTER;
    if (!IsSelf(child)) return E_INVALIDARG;
    if (!::IsWindow(control_)) return RPC_E_DISCONNECTED;
    long flags = 0;
    if (Pressable()) {
      flags |= STATE_SYSTEM_FOCUSABLE;
      if (::GetFocus() == control_) flags |= STATE_SYSTEM_FOCUSED;
    } else {
      flags |= STATE_SYSTEM_READONLY;
    }
    if (role_ == AccessibleRole::Link) flags |= STATE_SYSTEM_LINKED;
    if (!::IsWindowEnabled(control_)) flags |= STATE_SYSTEM_UNAVAILABLE;
    if (!::IsWindowVisible(control_)) flags |= STATE_SYSTEM_INVISIBLE;
    state->vt = VT_I4;
    state->lVal = flags;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
    if (focus == nullptr) return E_POINTER;
    ::VariantInit(focus);
    if (::GetFocus() == control_) {
      focus->vt = VT_I4;
      focus->lVal = CHILDID_SELF;
      return S_OK;
    }
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    if (!IsSelf(child)) return E_INVALIDARG;
    if (role_ == AccessibleRole::PushButton) return PutText(action, L"按下");
    if (role_ == AccessibleRole::Link) return PutText(action, L"打开链接");
    return PutText(action, {});
  }
  HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
    if (!IsSelf(child)) return E_INVALIDARG;
    if ((flags & SELFLAG_TAKEFOCUS) != 0 && Pressable() && ::IsWindow(control_)) {
      ::SetFocus(control_);
      return S_OK;
    }
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override {
    if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) return E_POINTER;
    if (!IsSelf(child)) return E_INVALIDARG;
    RECT r{};
    if (!::GetWindowRect(control_, &r)) return RPC_E_DISCONNECTED;
    *left = r.left;
    *top = r.top;
    *width = r.right - r.left;
    *height = r.bottom - r.top;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long, VARIANT, VARIANT* end) override {
    if (end != nullptr) ::VariantInit(end);
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* hit) override {
    if (hit == nullptr) return E_POINTER;
    ::VariantInit(hit);
    RECT r{};
    if (!::GetWindowRect(control_, &r)) return RPC_E_DISCONNECTED;
    if (!::PtInRect(&r, POINT{x, y})) return S_FALSE;
    hit->vt = VT_I4;
    hit->lVal = CHILDID_SELF;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    if (!IsSelf(child)) return E_INVALIDARG;
    if (!Pressable()) return DISP_E_MEMBERNOTFOUND;
    if (!::IsWindow(control_)) return RPC_E_DISCONNECTED;
    if (!::IsWindowEnabled(control_)) return E_FAIL;
    // Posted: the click may start work or show a message, and the caller must not wait on it.
    ::PostMessageW(control_, BM_CLICK, 0, 0);
    return S_OK;
  }

private:
  bool Pressable() const { return role_ == AccessibleRole::PushButton || role_ == AccessibleRole::Link; }

  HWND control_;
  AccessibleRole role_;
};

}  // namespace

bool AnswerAccessibleObjectRequest(HWND control, AccessibleRole role, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (static_cast<LONG>(lParam) != static_cast<LONG>(OBJID_CLIENT)) return false;
  ComPtr<IAccessible> accessible(new ControlAccessible(control, role));
  result = AnswerClientObjectRequest(accessible.get(), wParam, lParam);
  return true;
}

}  // namespace storvane::updater
