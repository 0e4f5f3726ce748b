#include "util/com.h"

namespace storvane {

Variant::Variant() noexcept { ::VariantInit(&v_); }
Variant::~Variant() { ::VariantClear(&v_); }
Variant::Variant(Variant&& o) noexcept : v_(o.v_) { ::VariantInit(&o.v_); }
Variant& Variant::operator=(Variant&& o) noexcept {
    if (this != &o) { ::VariantClear(&v_); v_ = o.v_; ::VariantInit(&o.v_); }
    return *this;
}
Variant Variant::Clone() const { return {}; }
Variant Variant::FromText(std::string_view) { return {}; }
Variant Variant::FromWide(std::wstring_view) { return {}; }
Variant Variant::FromInt(int32_t) { return {}; }
Variant Variant::FromDouble(double) { return {}; }
Variant Variant::FromBool(bool) { return {}; }
Variant Variant::FromBytes(const Bytes&) { return {}; }
Variant Variant::FromObject(IDispatch*) { return {}; }
Variant Variant::FromObject(const ComPtr<IDispatch>&) { return {}; }
Variant Variant::Null() { return {}; }
Variant Variant::Missing() { return {}; }
Variant Variant::Adopt(VARIANT& raw) noexcept { Variant v; v.v_ = raw; ::VariantInit(&raw); return v; }
std::string Variant::ToText() const { return {}; }
std::wstring Variant::ToWide() const { return {}; }
int32_t Variant::ToInt() const { return 0; }
double Variant::ToDouble() const { return 0; }
bool Variant::ToBool() const { return false; }
Bytes Variant::ToBytes() const { return {}; }
ComPtr<IDispatch> Variant::ToObject() const { return {}; }
VARIANT* Variant::put() noexcept { ::VariantClear(&v_); return &v_; }
VARIANT Variant::release() noexcept { VARIANT r = v_; ::VariantInit(&v_); return r; }

Variant MakeVariant(Variant&& v) { return std::move(v); }
Variant MakeVariant(std::string_view) { return {}; }
Variant MakeVariant(const std::string&) { return {}; }
Variant MakeVariant(const char*) { return {}; }
Variant MakeVariant(std::wstring_view) { return {}; }
Variant MakeVariant(const wchar_t*) { return {}; }
Variant MakeVariant(int) { return {}; }
Variant MakeVariant(double) { return {}; }
Variant MakeVariant(bool) { return {}; }
Variant MakeVariant(const Bytes&) { return {}; }
Variant MakeVariant(IDispatch*) { return {}; }
Variant MakeVariant(const ComPtr<IDispatch>&) { return {}; }

ComInit::ComInit() noexcept {}
ComInit::~ComInit() {}
ComInit::ComInit(ComInit&&) noexcept {}
ComInit& ComInit::operator=(ComInit&&) noexcept { return *this; }

ComPtr<IDispatch> CreateObject(std::string_view) { return {}; }
HRESULT CreateObject(std::string_view, ComPtr<IDispatch>&) { return E_NOTIMPL; }
DISPID GetMemberId(IDispatch*, std::string_view) { return DISPID_UNKNOWN; }
HRESULT InvokeByName(IDispatch*, std::string_view, WORD, std::span<const Variant>, Variant*) { return E_NOTIMPL; }
Variant CallMethodArgs(IDispatch*, std::string_view, std::span<const Variant>) { return {}; }
Variant GetPropertyArgs(IDispatch*, std::string_view, std::span<const Variant>) { return {}; }
bool PutPropertyArgs(IDispatch*, std::string_view, std::span<const Variant>, const Variant&) { return false; }
std::string GetTextProperty(IDispatch*, std::string_view) { return {}; }
int32_t GetIntProperty(IDispatch*, std::string_view) { return 0; }
bool GetBoolProperty(IDispatch*, std::string_view) { return false; }
ComPtr<IDispatch> GetObjectProperty(IDispatch*, std::string_view) { return {}; }
std::string BstrToText(BSTR) { return {}; }
BSTR TextToBstr(std::string_view) { return nullptr; }
Bytes SafeArrayToBytes(SAFEARRAY*) { return {}; }
UniqueSafeArray BytesToSafeArray(const Bytes&) { return {}; }

}  // namespace storvane
