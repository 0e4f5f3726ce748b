#include "util/com.h"

#include <cstring>

#include "util/win_text.h"

namespace storvane {

namespace {

// Numbers and booleans turned into text (and back) read the same on every machine, whatever
// the user's regional settings say about decimal separators.
constexpr LCID kConversionLocale = MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT);

// The contents with one level of VT_BYREF removed; a plain copy when not by reference.
Variant Dereferenced(const VARIANT& v) {
  Variant out;
  if (FAILED(::VariantCopyInd(out.put(), const_cast<VARIANT*>(&v)))) return Variant();
  return out;
}

bool ConvertTo(const VARIANT& source, VARTYPE type, Variant& out) {
  return SUCCEEDED(::VariantChangeTypeEx(out.put(), const_cast<VARIANT*>(&source), kConversionLocale, 0, type));
}

bool IsObject(const VARIANT& v) {
  const VARTYPE t = v.vt & ~VT_BYREF;
  return t == VT_DISPATCH || t == VT_UNKNOWN;
}

}  // namespace

// ---- BSTR and SAFEARRAY --------------------------------------------------------------------

std::string BstrToText(BSTR value) {
  if (value == nullptr) return {};
  std::wstring_view wide(value, ::SysStringLen(value));
  // The program's texts end at their first zero, as the conversion of a terminated string does.
  const size_t zero = wide.find(L'\0');
  if (zero != std::wstring_view::npos) wide = wide.substr(0, zero);
  return WideToGbk(wide);
}

BSTR TextToBstr(std::string_view gbk) {
  const std::wstring wide = GbkToWide(gbk);
  return ::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

Bytes SafeArrayToBytes(SAFEARRAY* array) {
  if (array == nullptr || ::SafeArrayGetDim(array) != 1 || ::SafeArrayGetElemsize(array) != 1) return {};
  LONG lower = 0;
  LONG upper = -1;
  if (FAILED(::SafeArrayGetLBound(array, 1, &lower)) || FAILED(::SafeArrayGetUBound(array, 1, &upper))) return {};
  if (upper < lower) return {};
  void* data = nullptr;
  if (FAILED(::SafeArrayAccessData(array, &data))) return {};
  const auto* first = static_cast<const uint8_t*>(data);
  Bytes out(first, first + (static_cast<size_t>(upper) - static_cast<size_t>(lower) + 1));
  ::SafeArrayUnaccessData(array);
  return out;
}

UniqueSafeArray BytesToSafeArray(const Bytes& bytes) {
  UniqueSafeArray array(::SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size())));
  if (!array.get() || bytes.empty()) return array;
  void* data = nullptr;
  if (FAILED(::SafeArrayAccessData(array.get(), &data))) return UniqueSafeArray();
  std::memcpy(data, bytes.data(), bytes.size());
  ::SafeArrayUnaccessData(array.get());
  return array;
}

// ---- Variant -------------------------------------------------------------------------------

Variant::Variant() noexcept { ::VariantInit(&v_); }

Variant::~Variant() { ::VariantClear(&v_); }

Variant::Variant(Variant&& other) noexcept : v_(other.v_) { ::VariantInit(&other.v_); }

Variant& Variant::operator=(Variant&& other) noexcept {
  if (this != &other) {
    ::VariantClear(&v_);
    v_ = other.v_;
    ::VariantInit(&other.v_);
  }
  return *this;
}

Variant Variant::Clone() const {
  Variant out;
  if (FAILED(::VariantCopy(out.put(), const_cast<VARIANT*>(&v_)))) return Variant();
  return out;
}

Variant Variant::FromText(std::string_view gbk) {
  Variant out;
  BSTR b = TextToBstr(gbk);
  if (b == nullptr) return out;
  out.v_.vt = VT_BSTR;
  out.v_.bstrVal = b;
  return out;
}

Variant Variant::FromWide(std::wstring_view text) {
  Variant out;
  BSTR b = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  if (b == nullptr) return out;
  out.v_.vt = VT_BSTR;
  out.v_.bstrVal = b;
  return out;
}

Variant Variant::FromInt(int32_t value) {
  Variant out;
  out.v_.vt = VT_I4;
  out.v_.lVal = value;
  return out;
}

Variant Variant::FromDouble(double value) {
  Variant out;
  out.v_.vt = VT_R8;
  out.v_.dblVal = value;
  return out;
}

Variant Variant::FromBool(bool value) {
  Variant out;
  out.v_.vt = VT_BOOL;
  out.v_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return out;
}

Variant Variant::FromBytes(const Bytes& bytes) {
  Variant out;
  UniqueSafeArray array = BytesToSafeArray(bytes);
  if (!array.get()) return out;
  out.v_.vt = VT_ARRAY | VT_UI1;
  out.v_.parray = array.release();
  return out;
}

Variant Variant::FromObject(IDispatch* object) {
  Variant out;
  if (object != nullptr) object->AddRef();
  out.v_.vt = VT_DISPATCH;
  out.v_.pdispVal = object;
  return out;
}

Variant Variant::FromObject(const ComPtr<IDispatch>& object) { return FromObject(object.get()); }

Variant Variant::Null() {
  Variant out;
  out.v_.vt = VT_NULL;
  return out;
}

Variant Variant::Missing() {
  Variant out;
  out.v_.vt = VT_ERROR;
  out.v_.scode = DISP_E_PARAMNOTFOUND;
  return out;
}

Variant Variant::Adopt(VARIANT& raw) noexcept {
  Variant out;
  out.v_ = raw;
  ::VariantInit(&raw);
  return out;
}

std::wstring Variant::ToWide() const {
  if (v_.vt == VT_BSTR) return v_.bstrVal ? std::wstring(v_.bstrVal, ::SysStringLen(v_.bstrVal)) : std::wstring();
  if (v_.vt == VT_EMPTY || v_.vt == VT_NULL) return {};
  const Variant plain = Dereferenced(v_);
  if (plain.v_.vt == (VT_ARRAY | VT_UI1)) return GbkToWide(ToText());
  Variant converted;
  if (!ConvertTo(plain.v_, VT_BSTR, converted) || converted.v_.bstrVal == nullptr) return {};
  return std::wstring(converted.v_.bstrVal, ::SysStringLen(converted.v_.bstrVal));
}

std::string Variant::ToText() const {
  if (v_.vt == VT_BSTR) return BstrToText(v_.bstrVal);
  if (v_.vt == VT_EMPTY || v_.vt == VT_NULL) return {};
  const Variant plain = Dereferenced(v_);
  // Bytes read as text stop at the first zero byte.
  if (plain.v_.vt == (VT_ARRAY | VT_UI1)) return storvane::ToText(SafeArrayToBytes(plain.v_.parray));
  Variant converted;
  if (!ConvertTo(plain.v_, VT_BSTR, converted)) return {};
  return BstrToText(converted.v_.bstrVal);
}

int32_t Variant::ToInt() const {
  if (v_.vt == VT_I4) return v_.lVal;
  if (v_.vt == VT_EMPTY || v_.vt == VT_NULL) return 0;
  const Variant plain = Dereferenced(v_);
  // Text is read the way the program reads any text as a number (leading digits count).
  if (plain.v_.vt == VT_BSTR) return ToInteger(BstrToText(plain.v_.bstrVal));
  Variant converted;
  if (!ConvertTo(plain.v_, VT_I4, converted)) return 0;
  return converted.v_.lVal;
}

double Variant::ToDouble() const {
  if (v_.vt == VT_R8) return v_.dblVal;
  if (v_.vt == VT_EMPTY || v_.vt == VT_NULL) return 0.0;
  Variant converted;
  if (!ConvertTo(v_, VT_R8, converted)) return 0.0;
  return converted.v_.dblVal;
}

bool Variant::ToBool() const {
  if (v_.vt == VT_BOOL) return v_.boolVal != VARIANT_FALSE;
  if (v_.vt == VT_EMPTY || v_.vt == VT_NULL) return false;
  Variant converted;
  if (!ConvertTo(v_, VT_BOOL, converted)) return false;
  return converted.v_.boolVal != VARIANT_FALSE;
}

Bytes Variant::ToBytes() const {
  if (v_.vt == (VT_ARRAY | VT_UI1)) return SafeArrayToBytes(v_.parray);
  if (v_.vt == (VT_BYREF | VT_ARRAY | VT_UI1)) return v_.pparray ? SafeArrayToBytes(*v_.pparray) : Bytes();
  return {};
}

ComPtr<IDispatch> Variant::ToObject() const {
  if (!IsObject(v_)) return {};
  const Variant plain = Dereferenced(v_);
  if (plain.v_.vt == VT_DISPATCH) return ComPtr<IDispatch>::FromBorrowed(plain.v_.pdispVal);
  if (plain.v_.vt == VT_UNKNOWN && plain.v_.punkVal != nullptr) {
    ComPtr<IDispatch> out;
    plain.v_.punkVal->QueryInterface(IID_IDispatch, out.put_void());
    return out;
  }
  return {};
}

VARIANT* Variant::put() noexcept {
  ::VariantClear(&v_);
  return &v_;
}

VARIANT Variant::release() noexcept {
  VARIANT out = v_;
  ::VariantInit(&v_);
  return out;
}

Variant MakeVariant(Variant&& v) { return std::move(v); }
Variant MakeVariant(std::string_view gbk) { return Variant::FromText(gbk); }
Variant MakeVariant(const std::string& gbk) { return Variant::FromText(gbk); }
Variant MakeVariant(const char* gbk) { return Variant::FromText(detail::AsTextView(gbk)); }
Variant MakeVariant(std::wstring_view text) { return Variant::FromWide(text); }
Variant MakeVariant(const wchar_t* text) {
  return Variant::FromWide(text ? std::wstring_view(text) : std::wstring_view());
}
Variant MakeVariant(int value) { return Variant::FromInt(value); }
Variant MakeVariant(double value) { return Variant::FromDouble(value); }
Variant MakeVariant(bool value) { return Variant::FromBool(value); }
Variant MakeVariant(const Bytes& bytes) { return Variant::FromBytes(bytes); }
Variant MakeVariant(IDispatch* object) { return Variant::FromObject(object); }
Variant MakeVariant(const ComPtr<IDispatch>& object) { return Variant::FromObject(object); }

// ---- ComInit -------------------------------------------------------------------------------

ComInit::ComInit() noexcept : hr_(::CoInitialize(nullptr)), initialized_(SUCCEEDED(hr_)) {}

ComInit::~ComInit() {
  if (initialized_) ::CoUninitialize();
}

ComInit::ComInit(ComInit&& other) noexcept : hr_(other.hr_), initialized_(std::exchange(other.initialized_, false)) {}

ComInit& ComInit::operator=(ComInit&& other) noexcept {
  if (this != &other) {
    if (initialized_) ::CoUninitialize();
    hr_ = other.hr_;
    initialized_ = std::exchange(other.initialized_, false);
  }
  return *this;
}

// ---- late-bound calls ----------------------------------------------------------------------

HRESULT CreateObject(std::string_view progId, ComPtr<IDispatch>& out) {
  out.reset();
  const std::wstring wide = GbkToWide(progId);
  CLSID clsid{};
  HRESULT hr = ::CLSIDFromProgID(wide.c_str(), &clsid);
  if (FAILED(hr)) return hr;
  return ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch, out.put_void());
}

ComPtr<IDispatch> CreateObject(std::string_view progId) {
  ComPtr<IDispatch> out;
  if (FAILED(CreateObject(progId, out))) out.reset();
  return out;
}

DISPID GetMemberId(IDispatch* object, std::string_view name) {
  if (object == nullptr || name.empty()) return DISPID_UNKNOWN;
  std::wstring wide = GbkToWide(name);
  LPOLESTR names[1] = {wide.data()};
  DISPID id = DISPID_UNKNOWN;
  if (FAILED(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return DISPID_UNKNOWN;
  return id;
}

namespace {

// Invoke with arguments already in Invoke's order (last first). The VARIANTs are shallow views
// of contents that their Variants keep owning.
HRESULT InvokeReversed(IDispatch* object, std::string_view name, WORD flags, std::vector<VARIANT>& reversed,
                       Variant* result) {
  if (result != nullptr) result->put();  // a failure leaves the empty value, whatever it held
  if (object == nullptr) return E_POINTER;
  const DISPID id = GetMemberId(object, name);
  if (id == DISPID_UNKNOWN) return DISP_E_UNKNOWNNAME;

  // The assigned value of a put sits first, where the named DISPID_PROPERTYPUT belongs.
  const bool isPut = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  if (isPut && reversed.empty()) return E_INVALIDARG;
  DISPID putId = DISPID_PROPERTYPUT;
  DISPPARAMS params{};
  params.rgvarg = reversed.empty() ? nullptr : reversed.data();
  params.cArgs = static_cast<UINT>(reversed.size());
  if (isPut) {
    params.rgdispidNamedArgs = &putId;
    params.cNamedArgs = 1;
  }

  Variant scratch;
  Variant* target = result != nullptr ? result : &scratch;
  EXCEPINFO exception{};
  UINT argError = 0;
  const HRESULT hr =
      object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, target->put(), &exception, &argError);
  // The failure is reported by value; the exception's texts are ours to free.
  ::SysFreeString(exception.bstrSource);
  ::SysFreeString(exception.bstrDescription);
  ::SysFreeString(exception.bstrHelpFile);
  if (FAILED(hr)) target->put();
  return hr;
}

std::vector<VARIANT> ReversedViews(std::span<const Variant> args) {
  std::vector<VARIANT> reversed(args.size());
  for (size_t i = 0; i < args.size(); ++i) reversed[args.size() - 1 - i] = args[i].raw();
  return reversed;
}

}  // namespace

HRESULT InvokeByName(IDispatch* object, std::string_view name, WORD flags, std::span<const Variant> args,
                     Variant* result) {
  std::vector<VARIANT> reversed = ReversedViews(args);
  return InvokeReversed(object, name, flags, reversed, result);
}

Variant CallMethodArgs(IDispatch* object, std::string_view name, std::span<const Variant> args) {
  Variant result;
  InvokeByName(object, name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, &result);
  return result;
}

Variant GetPropertyArgs(IDispatch* object, std::string_view name, std::span<const Variant> index) {
  Variant result;
  const HRESULT hr = InvokeByName(object, name, DISPATCH_PROPERTYGET, index, &result);
  // Some components expose a reading member as a method only.
  if (hr == DISP_E_MEMBERNOTFOUND) InvokeByName(object, name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, index, &result);
  return result;
}

bool PutPropertyArgs(IDispatch* object, std::string_view name, std::span<const Variant> index, const Variant& value) {
  std::vector<VARIANT> reversed;
  reversed.reserve(index.size() + 1);
  reversed.push_back(value.raw());
  for (size_t i = index.size(); i-- > 0;) reversed.push_back(index[i].raw());
  if (IsObject(value.raw())) {
    // An object is assigned by reference; components that only take a value put get that.
    if (SUCCEEDED(InvokeReversed(object, name, DISPATCH_PROPERTYPUTREF, reversed, nullptr))) return true;
  }
  return SUCCEEDED(InvokeReversed(object, name, DISPATCH_PROPERTYPUT, reversed, nullptr));
}

std::string GetTextProperty(IDispatch* object, std::string_view name) {
  return GetPropertyArgs(object, name, {}).ToText();
}

int32_t GetIntProperty(IDispatch* object, std::string_view name) { return GetPropertyArgs(object, name, {}).ToInt(); }

bool GetBoolProperty(IDispatch* object, std::string_view name) { return GetPropertyArgs(object, name, {}).ToBool(); }

ComPtr<IDispatch> GetObjectProperty(IDispatch* object, std::string_view name) {
  return GetPropertyArgs(object, name, {}).ToObject();
}

}  // namespace storvane
