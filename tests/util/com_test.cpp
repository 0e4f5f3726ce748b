#include "util/com.h"

#include <gtest/gtest.h>

#include <vector>

#include "util/win_text.h"

namespace storvane {
namespace {

// A dispatch object that records what Invoke received, to check argument order, flags and the
// named argument of a property put, and counts its references.
class RecordingDispatch : public IDispatch {
public:
  virtual ~RecordingDispatch() = default;

  enum : DISPID { kEcho = 1, kProp = 2, kFail = 3, kRefOnly = 4 };

  ULONG refs = 1;
  WORD lastFlags = 0;
  std::vector<Variant> lastArgs;  // as Invoke got them: last argument first
  std::vector<DISPID> lastNamed;
  Variant stored;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    if (count != 1) return E_INVALIDARG;
    const std::wstring name = names[0];
    if (name == L"Echo")
      *ids = kEcho;
    else if (name == L"Prop")
      *ids = kProp;
    else if (name == L"Fail")
      *ids = kFail;
    else if (name == L"RefOnly")
      *ids = kRefOnly;
    else {
      *ids = DISPID_UNKNOWN;
      return DISP_E_UNKNOWNNAME;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* exception, UINT*) override {
    lastFlags = flags;
    lastArgs.clear();
    for (UINT i = 0; i < params->cArgs; ++i) {
      Variant copy;
      ::VariantCopy(copy.put(), &params->rgvarg[i]);
      lastArgs.push_back(std::move(copy));
    }
    lastNamed.assign(params->rgdispidNamedArgs, params->rgdispidNamedArgs + params->cNamedArgs);
    switch (id) {
      case kEcho: {
        // Answers with the number of arguments, so a caller can tell it got through.
        if (result) {
          result->vt = VT_I4;
          result->lVal = static_cast<LONG>(params->cArgs);
        }
        return S_OK;
      }
      case kProp:
      case kRefOnly:
        if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
          if (id == kRefOnly && !(flags & DISPATCH_PROPERTYPUTREF)) return DISP_E_MEMBERNOTFOUND;
          if (params->cNamedArgs != 1 || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
            return DISP_E_PARAMNOTOPTIONAL;
          ::VariantCopy(stored.put(), &params->rgvarg[0]);
          return S_OK;
        }
        if (result) ::VariantCopy(result, const_cast<VARIANT*>(&stored.raw()));
        return S_OK;
      case kFail:
        if (result) {  // a careless component leaves something behind
          result->vt = VT_I4;
          result->lVal = 99;
        }
        if (exception) {
          exception->bstrDescription = ::SysAllocString(L"failure");
          exception->bstrSource = ::SysAllocString(L"test");
        }
        return DISP_E_EXCEPTION;
      default:
        return DISP_E_MEMBERNOTFOUND;
    }
  }
};

TEST(ComPtr, OwnsExactlyOneReferenceEach) {
  auto* raw = new RecordingDispatch;  // the test's own reference keeps it alive
  {
    ComPtr<IDispatch> a = ComPtr<IDispatch>::FromBorrowed(raw);
    EXPECT_EQ(raw->refs, 2u);
    ComPtr<IDispatch> b = a.Clone();
    EXPECT_EQ(raw->refs, 3u);
    ComPtr<IDispatch> c = std::move(a);
    EXPECT_FALSE(a);
    EXPECT_EQ(raw->refs, 3u);
    b.reset();
    EXPECT_EQ(raw->refs, 2u);
    ComPtr<IUnknown> unknown = c.As<IUnknown>(IID_IUnknown);
    EXPECT_TRUE(unknown);
    EXPECT_EQ(raw->refs, 3u);
    c = std::move(c);  // self-move keeps the reference
    EXPECT_EQ(raw->refs, 3u);
    IDispatch* detached = c.release();
    EXPECT_EQ(raw->refs, 3u);
    ComPtr<IDispatch> adopted(detached);
    EXPECT_EQ(raw->refs, 3u);
    *adopted.put() = nullptr;  // put() releases what was held
    EXPECT_EQ(raw->refs, 2u);
  }
  EXPECT_EQ(raw->refs, 1u);
  raw->Release();
}

TEST(Variant, ObjectReferencesAreOwned) {
  auto* raw = new RecordingDispatch;
  {
    Variant v = Variant::FromObject(raw);
    EXPECT_EQ(raw->refs, 2u);
    ComPtr<IDispatch> back = v.ToObject();
    EXPECT_EQ(back.get(), raw);
    EXPECT_EQ(raw->refs, 3u);
    Variant moved = std::move(v);
    EXPECT_TRUE(v.empty());
    Variant copy = moved.Clone();
    EXPECT_EQ(raw->refs, 4u);
  }
  EXPECT_EQ(raw->refs, 1u);
  raw->Release();
}

TEST(Variant, TextRoundTripsThroughBstrAsGbk) {
  const Variant v = Variant::FromText("下载软件");
  ASSERT_EQ(v.type(), VT_BSTR);
  EXPECT_EQ(std::wstring(v.raw().bstrVal, ::SysStringLen(v.raw().bstrVal)), L"\u4E0B\u8F7D\u8F6F\u4EF6");
  EXPECT_EQ(v.ToText(), "下载软件");
  EXPECT_EQ(v.ToWide(), L"\u4E0B\u8F7D\u8F6F\u4EF6");
  EXPECT_EQ(Variant::FromWide(L"\u6B63\u5728\u8FD0\u884C").ToText(), "正在运行");
  EXPECT_EQ(Variant::FromText("").type(), VT_BSTR);
  EXPECT_EQ(Variant::FromText("").ToText(), "");
  UniqueBstr b("微软雅黑");
  EXPECT_EQ(b.ToText(), "微软雅黑");
  EXPECT_EQ(BstrToText(nullptr), "");
}

TEST(Variant, ReadersConvertOrGiveEmptyValues) {
  EXPECT_EQ(Variant::FromInt(42).ToText(), "42");
  EXPECT_EQ(Variant::FromDouble(2.5).ToText(), "2.5");
  EXPECT_EQ(Variant::FromText("12abc").ToInt(), 12);
  EXPECT_EQ(Variant::FromText("\xA3\xB1\xA3\xB2").ToInt(), 12);
  EXPECT_DOUBLE_EQ(Variant::FromText("3.5").ToDouble(), 3.5);
  EXPECT_DOUBLE_EQ(Variant::FromInt(7).ToDouble(), 7.0);
  EXPECT_TRUE(Variant::FromBool(true).ToBool());
  EXPECT_FALSE(Variant::FromInt(0).ToBool());
  EXPECT_TRUE(Variant::FromInt(5).ToBool());

  const Variant nothing;
  EXPECT_EQ(nothing.ToText(), "");
  EXPECT_EQ(nothing.ToInt(), 0);
  EXPECT_EQ(nothing.ToDouble(), 0.0);
  EXPECT_FALSE(nothing.ToBool());
  EXPECT_TRUE(nothing.ToBytes().empty());
  EXPECT_FALSE(nothing.ToObject());
  EXPECT_EQ(Variant::Null().ToText(), "");
  EXPECT_EQ(Variant::FromText("abc").ToDouble(), 0.0);
  EXPECT_FALSE(Variant::FromText("x").ToObject());
  EXPECT_EQ(Variant::Missing().type(), VT_ERROR);
}

TEST(Variant, ByteArraysKeepZeroBytes) {
  const Bytes bytes{0x41, 0x00, 0xFF, 0x00, 0x42};
  const Variant v = Variant::FromBytes(bytes);
  EXPECT_EQ(v.type(), VT_ARRAY | VT_UI1);
  EXPECT_EQ(v.ToBytes(), bytes);
  EXPECT_EQ(v.Clone().ToBytes(), bytes);
  EXPECT_EQ(v.ToText(), "A");  // bytes read as text stop at the first zero
  EXPECT_TRUE(Variant::FromBytes({}).ToBytes().empty());
  EXPECT_EQ(Variant::FromBytes({}).type(), VT_ARRAY | VT_UI1);
  EXPECT_TRUE(Variant::FromText("AB").ToBytes().empty());

  // A byte array handed over by reference reads the same.
  Variant holder = Variant::FromBytes(bytes);
  VARIANT byRef;
  ::VariantInit(&byRef);
  byRef.vt = VT_BYREF | VT_ARRAY | VT_UI1;
  byRef.pparray = &holder.get()->parray;
  EXPECT_EQ(Variant::Adopt(byRef).ToBytes(), bytes);
}

TEST(InvokeByName, ArgumentsAreReversedForInvoke) {
  auto* raw = new RecordingDispatch;
  const Variant r = CallMethod(raw, "Echo", "first", 2, true);
  EXPECT_EQ(r.ToInt(), 3);
  EXPECT_EQ(raw->lastFlags, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
  ASSERT_EQ(raw->lastArgs.size(), 3u);
  EXPECT_EQ(raw->lastArgs[0].type(), VT_BOOL);
  EXPECT_EQ(raw->lastArgs[1].ToInt(), 2);
  EXPECT_EQ(raw->lastArgs[2].ToText(), "first");
  EXPECT_TRUE(raw->lastNamed.empty());

  EXPECT_EQ(CallMethod(raw, "Echo").ToInt(), 0);
  raw->Release();
}

TEST(InvokeByName, PropertyPutUsesTheNamedArgument) {
  auto* raw = new RecordingDispatch;
  EXPECT_TRUE(PutProperty(raw, "Prop", 42));
  EXPECT_EQ(raw->lastFlags, DISPATCH_PROPERTYPUT);
  ASSERT_EQ(raw->lastNamed.size(), 1u);
  EXPECT_EQ(raw->lastNamed[0], DISPID_PROPERTYPUT);
  EXPECT_EQ(GetProperty(raw, "Prop").ToInt(), 42);
  EXPECT_EQ(raw->lastFlags, DISPATCH_PROPERTYGET);
  EXPECT_EQ(GetIntProperty(raw, "Prop"), 42);

  // With index arguments the value still comes first in Invoke's array.
  const std::array<Variant, 1> index{Variant::FromText("key")};
  EXPECT_TRUE(PutPropertyArgs(raw, "Prop", index, Variant::FromText("值")));
  ASSERT_EQ(raw->lastArgs.size(), 2u);
  EXPECT_EQ(raw->lastArgs[0].ToText(), "值");
  EXPECT_EQ(raw->lastArgs[1].ToText(), "key");
  EXPECT_EQ(GetTextProperty(raw, "Prop"), "值");
  raw->Release();
}

TEST(InvokeByName, ObjectValuesArePutByReference) {
  auto* raw = new RecordingDispatch;
  auto* other = new RecordingDispatch;
  EXPECT_TRUE(PutProperty(raw, "RefOnly", static_cast<IDispatch*>(other)));
  EXPECT_EQ(raw->lastFlags, DISPATCH_PROPERTYPUTREF);
  EXPECT_EQ(GetObjectProperty(raw, "RefOnly").get(), other);
  // A plain value is never put by reference.
  EXPECT_FALSE(PutProperty(raw, "RefOnly", 1));
  raw->Release();
  other->Release();
}

TEST(InvokeByName, FailuresGiveEmptyValues) {
  auto* raw = new RecordingDispatch;
  Variant result = Variant::FromInt(5);
  EXPECT_EQ(InvokeByName(raw, "Nope", DISPATCH_METHOD, {}, &result), DISP_E_UNKNOWNNAME);
  EXPECT_TRUE(result.empty());
  EXPECT_EQ(GetMemberId(raw, "Nope"), DISPID_UNKNOWN);
  EXPECT_EQ(GetMemberId(raw, "Prop"), RecordingDispatch::kProp);

  const Variant failed = CallMethod(raw, "Fail", "x");
  EXPECT_TRUE(failed.empty());  // whatever the component left behind is dropped
  EXPECT_EQ(failed.ToText(), "");
  EXPECT_EQ(failed.ToInt(), 0);
  EXPECT_FALSE(PutProperty(raw, "Fail", 1));
  EXPECT_FALSE(PutProperty(raw, "Nope", 1));
  EXPECT_TRUE(GetProperty(raw, "Nope").empty());
  EXPECT_EQ(InvokeByName(raw, "Prop", DISPATCH_PROPERTYPUT, {}, nullptr), E_INVALIDARG);
  raw->Release();

  EXPECT_TRUE(CallMethod(nullptr, "Echo").empty());
  EXPECT_EQ(GetTextProperty(nullptr, "Prop"), "");
  EXPECT_FALSE(PutProperty(nullptr, "Prop", 1));
}

TEST(ComInit, NestsAndBalances) {
  ComInit outer;
  EXPECT_TRUE(outer.ok());
  {
    ComInit inner;
    EXPECT_TRUE(inner.ok());
    EXPECT_EQ(inner.result(), S_FALSE);
    ComInit moved = std::move(inner);
    EXPECT_TRUE(moved.ok());
    EXPECT_FALSE(inner.ok());
  }
  // Still initialised: the inner pair was balanced exactly once.
  EXPECT_TRUE(CreateObject("Scripting.Dictionary"));
}

TEST(CreateObject, UnknownProgIdGivesNothing) {
  ComInit com;
  ComPtr<IDispatch> object;
  EXPECT_TRUE(FAILED(CreateObject("Storvane.NoSuchComponent", object)));
  EXPECT_FALSE(object);
  EXPECT_FALSE(CreateObject("Storvane.NoSuchComponent"));
  EXPECT_FALSE(CreateObject(""));
}

TEST(RealComponents, DictionaryAddItemCountExists) {
  ComInit com;
  ComPtr<IDispatch> dict = CreateObject("Scripting.Dictionary");
  ASSERT_TRUE(dict);
  EXPECT_TRUE(CallMethod(dict.get(), "Add", "name", "下载软件").empty());
  CallMethod(dict.get(), "Add", "版本", 21);
  EXPECT_EQ(GetIntProperty(dict.get(), "Count"), 2);
  EXPECT_TRUE(CallMethod(dict.get(), "Exists", "版本").ToBool());
  EXPECT_FALSE(CallMethod(dict.get(), "Exists", "missing").ToBool());
  EXPECT_EQ(GetProperty(dict.get(), "Item", "name").ToText(), "下载软件");
  EXPECT_EQ(CallMethod(dict.get(), "Item", "版本").ToInt(), 21);

  // Adding an existing key fails inside the component: the failure comes back as a value.
  const std::array<Variant, 2> duplicate{Variant::FromText("name"), Variant::FromInt(1)};
  EXPECT_TRUE(FAILED(InvokeByName(dict.get(), "Add", DISPATCH_METHOD, duplicate, nullptr)));
  EXPECT_EQ(GetIntProperty(dict.get(), "Count"), 2);

  const std::array<Variant, 1> key{Variant::FromText("name")};
  EXPECT_TRUE(PutPropertyArgs(dict.get(), "Item", key, Variant::FromText("打开软件")));
  EXPECT_EQ(GetProperty(dict.get(), "Item", "name").ToText(), "打开软件");

  EXPECT_TRUE(CallMethod(dict.get(), "NoSuchMember").empty());
  EXPECT_EQ(CallMethod(dict.get(), "NoSuchMember").ToText(), "");
}

TEST(RealComponents, DictionaryKeepsBytesAndObjects) {
  ComInit com;
  ComPtr<IDispatch> dict = CreateObject("Scripting.Dictionary");
  ASSERT_TRUE(dict);
  const Bytes bytes{0x00, 0x01, 0x00, 0xFE, 0xFF};
  CallMethod(dict.get(), "Add", "bin", bytes);
  EXPECT_EQ(GetProperty(dict.get(), "Item", "bin").ToBytes(), bytes);

  ComPtr<IDispatch> inner = CreateObject("Scripting.Dictionary");
  ASSERT_TRUE(inner);
  CallMethod(inner.get(), "Add", "k", 1);
  CallMethod(dict.get(), "Add", "child", inner);
  ComPtr<IDispatch> back = GetProperty(dict.get(), "Item", "child").ToObject();
  ASSERT_TRUE(back);
  EXPECT_EQ(GetIntProperty(back.get(), "Count"), 1);
}

TEST(RealComponents, RegExpPropertiesAndMatches) {
  ComInit com;
  ComPtr<IDispatch> re = CreateObject("VBScript.RegExp");
  ASSERT_TRUE(re);
  EXPECT_TRUE(PutProperty(re.get(), "Pattern", "(\\d+)-(\\w+)"));
  EXPECT_TRUE(PutProperty(re.get(), "Global", true));
  EXPECT_TRUE(PutProperty(re.get(), "IgnoreCase", true));
  EXPECT_EQ(GetTextProperty(re.get(), "Pattern"), "(\\d+)-(\\w+)");
  EXPECT_TRUE(GetBoolProperty(re.get(), "Global"));

  ComPtr<IDispatch> matches = CallMethod(re.get(), "Execute", "12-ab 34-cd").ToObject();
  ASSERT_TRUE(matches);
  EXPECT_EQ(GetIntProperty(matches.get(), "Count"), 2);
  ComPtr<IDispatch> second = GetProperty(matches.get(), "Item", 1).ToObject();
  ASSERT_TRUE(second);
  EXPECT_EQ(GetTextProperty(second.get(), "Value"), "34-cd");
  EXPECT_EQ(GetIntProperty(second.get(), "FirstIndex"), 6);
  ComPtr<IDispatch> groups = GetObjectProperty(second.get(), "SubMatches");
  ASSERT_TRUE(groups);
  EXPECT_EQ(GetIntProperty(groups.get(), "Count"), 2);
  EXPECT_EQ(GetProperty(groups.get(), "Item", 1).ToText(), "cd");
}

TEST(RealComponents, RegExpWithChineseText) {
  ComInit com;
  ComPtr<IDispatch> re = CreateObject("VBScript.RegExp");
  ASSERT_TRUE(re);
  PutProperty(re.get(), "Pattern", "软件(\\d)");
  EXPECT_TRUE(CallMethod(re.get(), "Test", "下载软件2").ToBool());
  EXPECT_FALSE(CallMethod(re.get(), "Test", "下载").ToBool());
  EXPECT_EQ(CallMethod(re.get(), "Replace", "下载软件2", "程序").ToText(), "下载程序");
  ComPtr<IDispatch> matches = CallMethod(re.get(), "Execute", "下载软件2").ToObject();
  ComPtr<IDispatch> first = GetProperty(matches.get(), "Item", 0).ToObject();
  EXPECT_EQ(GetIntProperty(first.get(), "FirstIndex"), 2);  // counted in UTF-16 units
  EXPECT_EQ(GetTextProperty(first.get(), "Value"), "软件2");
  EXPECT_TRUE(GetProperty(matches.get(), "Item", 5).empty());
}

}  // namespace
}  // namespace storvane
