// What every accessible object of ours has in common, whatever window it describes: reference
// counting, IDispatch without late binding (clients reach IAccessible through its vtable), the
// members nobody may change or that have nothing to say, text handed out as a BSTR, and the
// answer to WM_GETOBJECT. The skin-UI library's controls and the updater's window build on it.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <atomic>
#include <string_view>

namespace storvane {

class AccessibleBase : public IAccessible {
public:
  AccessibleBase(const AccessibleBase&) = delete;
  AccessibleBase& operator=(const AccessibleBase&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override;

  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

  // IAccessible members with nothing to say for any of our controls.
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* help) override { return PutText(help, {}); }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long* topic) override;
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR* shortcut) override { return PutText(shortcut, {}); }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override;
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

protected:
  AccessibleBase() = default;
  virtual ~AccessibleBase() = default;

  // Hands `text` out as a new BSTR; the empty text gives null and S_FALSE, as clients expect.
  static HRESULT PutText(BSTR* out, std::wstring_view text);
  static bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

private:
  std::atomic<ULONG> references_{1};
};

// The answer to WM_GETOBJECT for the client area: `object` (our reference stays ours) marshalled
// for the asking process, or 0 for any other object id.
LRESULT AnswerClientObjectRequest(IAccessible* object, WPARAM wParam, LPARAM lParam);

}  // namespace storvane
