#include "accessible.h"

#include "util/accessible_base.h"
#include "util/com.h"

namespace storvane::exui {

int AccessibleSource::AccHitTest(POINT screen) const {
  for (int i = 1; i <= AccChildCount(); ++i) {
    AccInfo info;
    if (AccChild(i, info) && !(info.state & STATE_SYSTEM_INVISIBLE) && ::PtInRect(&info.screen, screen)) {
      return i;
    }
  }
  AccInfo self = AccSelf();
  return ::PtInRect(&self.screen, screen) ? 0 : -1;
}

RECT ClientToScreenRect(HWND window, const RECT& client) {
  POINT corners[2] = {{client.left, client.top}, {client.right, client.bottom}};
  ::MapWindowPoints(window, nullptr, corners, 2);
  return {corners[0].x, corners[0].y, corners[1].x, corners[1].y};
}

namespace {

class Accessible final : public storvane::AccessibleBase {
public:
  explicit Accessible(std::weak_ptr<AccessibleSource> source) : source_(std::move(source)) {}

  // IAccessible
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    if (parent == nullptr) return E_POINTER;
    *parent = nullptr;
    auto source = Live();
    if (!source) return E_FAIL;
    if (auto object = source->AccParentObject()) {
      *parent = NewAccessible(object);
      return S_OK;
    }
    return ::AccessibleObjectFromWindow(source->AccWindow(), static_cast<DWORD>(OBJID_WINDOW), IID_IDispatch,
                                        reinterpret_cast<void**>(parent));
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
    if (count == nullptr) return E_POINTER;
    auto source = Live();
    if (!source) return E_FAIL;
    *count = source->AccChildCount();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    auto source = Live();
    if (!source) return E_FAIL;
    int index = ChildIndex(child);
    if (index < 1 || index > source->AccChildCount()) return E_INVALIDARG;
    auto object = source->AccChildObject(index);
    if (!object) return S_FALSE;  // a simple element: ask this object about it
    *out = NewAccessible(object);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* out) override {
    return Text(child, out, [](const AccInfo& info) { return info.name; });
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* out) override {
    return Text(child, out, [](const AccInfo& info) { return info.value; });
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT, BSTR* out) override {
    if (out != nullptr) *out = nullptr;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* out) override {
    if (out == nullptr) return E_POINTER;
    ::VariantInit(out);
    AccInfo info;
    HRESULT hr = Info(child, info);
    if (FAILED(hr)) return hr;
    out->vt = VT_I4;
    out->lVal = info.role;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* out) override {
    if (out == nullptr) return E_POINTER;
    ::VariantInit(out);
    AccInfo info;
    HRESULT hr = Info(child, info);
    if (FAILED(hr)) return hr;
    out->vt = VT_I4;
    out->lVal = info.state;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* out) override {
    if (out == nullptr) return E_POINTER;
    ::VariantInit(out);
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* out) override {
    return Text(child, out, [](const AccInfo& info) { return info.defaultAction; });
  }
  HRESULT STDMETHODCALLTYPE accSelect(long, VARIANT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override {
    if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) return E_POINTER;
    *left = *top = *width = *height = 0;
    AccInfo info;
    HRESULT hr = Info(child, info);
    if (FAILED(hr)) return hr;
    *left = info.screen.left;
    *top = info.screen.top;
    *width = info.screen.right - info.screen.left;
    *height = info.screen.bottom - info.screen.top;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long, VARIANT, VARIANT* out) override {
    if (out != nullptr) ::VariantInit(out);
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* out) override {
    if (out == nullptr) return E_POINTER;
    ::VariantInit(out);
    auto source = Live();
    if (!source) return E_FAIL;
    int hit = source->AccHitTest(POINT{x, y});
    if (hit < 0) return S_FALSE;
    if (hit > 0) {
      if (auto object = source->AccChildObject(hit)) {
        out->vt = VT_DISPATCH;
        out->pdispVal = NewAccessible(object);
        return S_OK;
      }
    }
    out->vt = VT_I4;
    out->lVal = hit;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    auto source = Live();
    if (!source) return E_FAIL;
    int index = ChildIndex(child);
    if (index < 0 || index > source->AccChildCount()) return E_INVALIDARG;
    return source->AccDoDefault(index) ? S_OK : DISP_E_MEMBERNOTFOUND;
  }

private:
  std::shared_ptr<AccessibleSource> Live() const {
    auto source = source_.lock();
    if (source && source->AccWindow() == nullptr) return nullptr;
    return source;
  }

  static int ChildIndex(const VARIANT& child) {
    if (child.vt == VT_I4) return child.lVal;
    if (child.vt == VT_I2) return child.iVal;
    if (child.vt == VT_EMPTY) return CHILDID_SELF;
    return -1;
  }

  HRESULT Info(const VARIANT& child, AccInfo& info) const {
    auto source = Live();
    if (!source) return E_FAIL;
    int index = ChildIndex(child);
    if (index == CHILDID_SELF) {
      info = source->AccSelf();
      return S_OK;
    }
    if (index < 1 || index > source->AccChildCount()) return E_INVALIDARG;
    if (auto object = source->AccChildObject(index)) {
      info = object->AccSelf();
      return S_OK;
    }
    return source->AccChild(index, info) ? S_OK : E_INVALIDARG;
  }

  template <typename Pick>
  HRESULT Text(const VARIANT& child, BSTR* out, Pick pick) const {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    AccInfo info;
    HRESULT hr = Info(child, info);
    if (FAILED(hr)) return hr;
    return PutText(out, pick(info));
  }

  std::weak_ptr<AccessibleSource> source_;
};

}  // namespace

IAccessible* NewAccessible(const std::shared_ptr<AccessibleSource>& source) { return new Accessible(source); }

LRESULT AnswerGetObject(const std::shared_ptr<AccessibleSource>& source, WPARAM wParam, LPARAM lParam) {
  if (!source) return 0;
  ComPtr<IAccessible> object(NewAccessible(source));
  return AnswerClientObjectRequest(object.get(), wParam, lParam);
}

}  // namespace storvane::exui
