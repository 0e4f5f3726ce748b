// COM plumbing for late-bound components driven by member name (the script engine, the
// regular-expression object, the HTTP request object, the shortcut shell object).
//
// Every call reports failure by value: a failed creation gives an empty ComPtr, a failed
// member call gives an empty Variant, whose readers give "", 0, 0.0, false, no bytes or no
// object. Nothing is shown and nothing throws.
#pragma once

#include <windows.h>
#include <oaidl.h>
#include <objbase.h>

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "util/text.h"

namespace storvane {

// One owned reference to a COM interface. Copying is explicit (Clone adds a reference).
template <typename T>
class ComPtr {
public:
  ComPtr() noexcept = default;
  // Takes over a reference the caller already owns (no AddRef).
  explicit ComPtr(T* owned) noexcept : p_(owned) {}
  ~ComPtr() { reset(); }

  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) reset(std::exchange(other.p_, nullptr));
    return *this;
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;

  // Adds a reference to a pointer owned elsewhere.
  static ComPtr FromBorrowed(T* borrowed) noexcept {
    if (borrowed != nullptr) borrowed->AddRef();
    return ComPtr(borrowed);
  }

  // A second owned reference to the same object.
  ComPtr Clone() const noexcept { return FromBorrowed(p_); }

  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }

  // Releases the held reference and returns the empty slot for an out parameter.
  T** put() noexcept {
    reset();
    return &p_;
  }
  void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

  // Gives up the reference without releasing it.
  T* release() noexcept { return std::exchange(p_, nullptr); }

  void reset(T* owned = nullptr) noexcept {
    T* old = std::exchange(p_, owned);
    if (old != nullptr) old->Release();
  }

  // QueryInterface for another interface; empty on failure.
  template <typename U>
  ComPtr<U> As(REFIID iid) const noexcept {
    ComPtr<U> out;
    if (p_ != nullptr) p_->QueryInterface(iid, out.put_void());
    return out;
  }
  template <typename U>
  ComPtr<U> As() const noexcept {
    return As<U>(__uuidof(U));
  }

private:
  T* p_ = nullptr;
};

// An owned VARIANT, cleared with VariantClear. Same size and layout as VARIANT, so a span of
// Variants can be handed to Invoke as its argument array.
class Variant {
public:
  Variant() noexcept;  // VT_EMPTY
  ~Variant();
  Variant(Variant&& other) noexcept;
  Variant& operator=(Variant&& other) noexcept;
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;

  // A deep copy (VariantCopy); empty on failure.
  Variant Clone() const;

  // Builders. Text is GBK and goes in as a BSTR converted with code page 936.
  static Variant FromText(std::string_view gbk);
  static Variant FromWide(std::wstring_view text);
  static Variant FromInt(int32_t value);
  static Variant FromDouble(double value);
  static Variant FromBool(bool value);
  static Variant FromBytes(const Bytes& bytes);  // VT_ARRAY | VT_UI1
  static Variant FromObject(IDispatch* object);  // adds a reference
  static Variant FromObject(const ComPtr<IDispatch>& object);
  static Variant Null();     // VT_NULL
  static Variant Missing();  // VT_ERROR / DISP_E_PARAMNOTFOUND (omitted optional argument)
  // Takes over the contents of `raw` and leaves it VT_EMPTY.
  static Variant Adopt(VARIANT& raw) noexcept;

  // Readers; each gives the empty value of its kind when the contents cannot be converted.
  std::string ToText() const;  // GBK, converted from the BSTR with code page 936
  std::wstring ToWide() const;
  int32_t ToInt() const;
  double ToDouble() const;
  bool ToBool() const;
  Bytes ToBytes() const;  // VT_ARRAY | VT_UI1 (by value or by reference)
  ComPtr<IDispatch> ToObject() const;

  VARTYPE type() const noexcept { return v_.vt; }
  bool empty() const noexcept { return v_.vt == VT_EMPTY; }
  bool isNull() const noexcept { return v_.vt == VT_NULL; }

  const VARIANT& raw() const noexcept { return v_; }
  VARIANT* get() noexcept { return &v_; }
  // Clears the contents and returns the VARIANT for an out parameter.
  VARIANT* put() noexcept;
  // Gives up the contents to the caller, who must VariantClear them.
  VARIANT release() noexcept;

private:
  VARIANT v_;
};
static_assert(sizeof(Variant) == sizeof(VARIANT), "Variant must stay layout-compatible with VARIANT");

// Builders used by the variadic member calls: each argument becomes a Variant.
Variant MakeVariant(Variant&& v);
Variant MakeVariant(std::string_view gbk);
Variant MakeVariant(const std::string& gbk);
Variant MakeVariant(const char* gbk);
Variant MakeVariant(std::wstring_view text);
Variant MakeVariant(const wchar_t* text);
Variant MakeVariant(int value);
Variant MakeVariant(double value);
Variant MakeVariant(bool value);
Variant MakeVariant(const Bytes& bytes);
Variant MakeVariant(IDispatch* object);
Variant MakeVariant(const ComPtr<IDispatch>& object);

// CoInitialize(nullptr) for the scope of the object, balanced by CoUninitialize when it
// succeeded (S_OK or S_FALSE).
class ComInit {
public:
  ComInit() noexcept;
  ~ComInit();
  ComInit(ComInit&& other) noexcept;
  ComInit& operator=(ComInit&& other) noexcept;
  ComInit(const ComInit&) = delete;
  ComInit& operator=(const ComInit&) = delete;

  bool ok() const noexcept { return initialized_; }
  HRESULT result() const noexcept { return hr_; }

private:
  HRESULT hr_ = E_FAIL;
  bool initialized_ = false;
};

// CLSIDFromProgID + CoCreateInstance (in-process or local server) for IDispatch.
ComPtr<IDispatch> CreateObject(std::string_view progId);
// The same, keeping the failure code.
HRESULT CreateObject(std::string_view progId, ComPtr<IDispatch>& out);

// Looks up a member's DISPID; DISPID_UNKNOWN on failure.
DISPID GetMemberId(IDispatch* object, std::string_view name);

// IDispatch::Invoke by member name. `args` are positional, first argument first (they are
// reversed for Invoke). For DISPATCH_PROPERTYPUT / PUTREF the last element of `args` is the
// value being assigned and is passed as the named argument DISPID_PROPERTYPUT. `result` may be
// null. Returns the HRESULT of the lookup or the call.
HRESULT InvokeByName(IDispatch* object, std::string_view name, WORD flags, std::span<const Variant> args,
                     Variant* result);

// Calls a method (DISPATCH_METHOD | DISPATCH_PROPERTYGET, as late-bound callers do, so members
// that are both work either way). Empty Variant on failure.
Variant CallMethodArgs(IDispatch* object, std::string_view name, std::span<const Variant> args);
// Reads a property, with optional index arguments. Empty Variant on failure.
Variant GetPropertyArgs(IDispatch* object, std::string_view name, std::span<const Variant> index);
// Writes a property (an object value falls back to a reference put). False on failure.
bool PutPropertyArgs(IDispatch* object, std::string_view name, std::span<const Variant> index, const Variant& value);

template <typename... Args>
Variant CallMethod(IDispatch* object, std::string_view name, Args&&... args) {
  std::array<Variant, sizeof...(Args)> list{MakeVariant(std::forward<Args>(args))...};
  return CallMethodArgs(object, name, std::span<const Variant>(list.data(), list.size()));
}

template <typename... Index>
Variant GetProperty(IDispatch* object, std::string_view name, Index&&... index) {
  std::array<Variant, sizeof...(Index)> list{MakeVariant(std::forward<Index>(index))...};
  return GetPropertyArgs(object, name, std::span<const Variant>(list.data(), list.size()));
}

template <typename Value>
bool PutProperty(IDispatch* object, std::string_view name, Value&& value) {
  Variant v = MakeVariant(std::forward<Value>(value));
  return PutPropertyArgs(object, name, {}, v);
}

// Reads through a typed shortcut: the property (or parameterless method result) as a kind.
std::string GetTextProperty(IDispatch* object, std::string_view name);
int32_t GetIntProperty(IDispatch* object, std::string_view name);
bool GetBoolProperty(IDispatch* object, std::string_view name);
ComPtr<IDispatch> GetObjectProperty(IDispatch* object, std::string_view name);

// BSTR <-> GBK text, with code page 936. A null BSTR is the empty text.
std::string BstrToText(BSTR value);
// A new BSTR the caller frees with SysFreeString; never null for a successful allocation.
BSTR TextToBstr(std::string_view gbk);

// A move-only owned BSTR.
class UniqueBstr {
public:
  UniqueBstr() noexcept = default;
  explicit UniqueBstr(BSTR owned) noexcept : b_(owned) {}
  explicit UniqueBstr(std::string_view gbk) : b_(TextToBstr(gbk)) {}
  ~UniqueBstr() { reset(); }
  UniqueBstr(UniqueBstr&& other) noexcept : b_(std::exchange(other.b_, nullptr)) {}
  UniqueBstr& operator=(UniqueBstr&& other) noexcept {
    if (this != &other) reset(std::exchange(other.b_, nullptr));
    return *this;
  }
  UniqueBstr(const UniqueBstr&) = delete;
  UniqueBstr& operator=(const UniqueBstr&) = delete;

  BSTR get() const noexcept { return b_; }
  BSTR* put() noexcept {
    reset();
    return &b_;
  }
  BSTR release() noexcept { return std::exchange(b_, nullptr); }
  void reset(BSTR owned = nullptr) noexcept {
    BSTR old = std::exchange(b_, owned);
    if (old != nullptr) ::SysFreeString(old);
  }
  std::string ToText() const { return BstrToText(b_); }

private:
  BSTR b_ = nullptr;
};

// A move-only owned SAFEARRAY.
class UniqueSafeArray {
public:
  UniqueSafeArray() noexcept = default;
  explicit UniqueSafeArray(SAFEARRAY* owned) noexcept : a_(owned) {}
  ~UniqueSafeArray() { reset(); }
  UniqueSafeArray(UniqueSafeArray&& other) noexcept : a_(std::exchange(other.a_, nullptr)) {}
  UniqueSafeArray& operator=(UniqueSafeArray&& other) noexcept {
    if (this != &other) reset(std::exchange(other.a_, nullptr));
    return *this;
  }
  UniqueSafeArray(const UniqueSafeArray&) = delete;
  UniqueSafeArray& operator=(const UniqueSafeArray&) = delete;

  SAFEARRAY* get() const noexcept { return a_; }
  SAFEARRAY* release() noexcept { return std::exchange(a_, nullptr); }
  void reset(SAFEARRAY* owned = nullptr) noexcept {
    SAFEARRAY* old = std::exchange(a_, owned);
    if (old != nullptr) ::SafeArrayDestroy(old);
  }

private:
  SAFEARRAY* a_ = nullptr;
};

// Bytes of a one-dimensional byte SAFEARRAY; empty for null or another element type.
Bytes SafeArrayToBytes(SAFEARRAY* array);
// A new VT_UI1 SAFEARRAY holding the bytes (null on allocation failure).
UniqueSafeArray BytesToSafeArray(const Bytes& bytes);

}  // namespace storvane
