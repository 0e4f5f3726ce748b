#include "util/accessible_base.h"

namespace storvane {

HRESULT AccessibleBase::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IDispatch || iid == __uuidof(IAccessible)) {
    *out = static_cast<IAccessible*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG AccessibleBase::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

HRESULT AccessibleBase::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT AccessibleBase::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info != nullptr) *info = nullptr;
  return E_NOTIMPL;
}

HRESULT AccessibleBase::get_accHelpTopic(BSTR* file, VARIANT, long* topic) {
  if (file != nullptr) *file = nullptr;
  if (topic != nullptr) *topic = 0;
  return S_FALSE;
}

HRESULT AccessibleBase::get_accSelection(VARIANT* selection) {
  if (selection == nullptr) return E_POINTER;
  ::VariantInit(selection);
  return S_FALSE;
}

HRESULT AccessibleBase::PutText(BSTR* out, std::wstring_view text) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (text.empty()) return S_FALSE;
  *out = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

LRESULT AnswerClientObjectRequest(IAccessible* object, WPARAM wParam, LPARAM lParam) {
  // The id arrives sign-extended or not depending on the sender's architecture: compare 32 bits.
  if (static_cast<LONG>(lParam) != static_cast<LONG>(OBJID_CLIENT) || object == nullptr) return 0;
  LRESULT result = ::LresultFromObject(__uuidof(IAccessible), wParam, object);
  if (result < 0) {
    // Marshalling needs COM on this thread; a program that never started it still gets
    // accessible windows. The apartment stays for the thread's life, as COM expects.
    if (SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
      result = ::LresultFromObject(__uuidof(IAccessible), wParam, object);
    }
  }
  return result < 0 ? 0 : result;
}

}  // namespace storvane
