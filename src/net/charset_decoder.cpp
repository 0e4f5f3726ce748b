#include "net/charset_decoder.h"

#include <windows.h>
#include <mlang.h>
#include <oleauto.h>

#include "util/com.h"
#include "util/win_text.h"

namespace storvane::net {

// The stream component's early-bound interface, in its vtable order. Its members cannot be
// relied on by name everywhere (some systems' type libraries do not match the component), but
// the vtable is the same on every system. It has external linkage on purpose: inside an
// anonymous namespace the compiler may conclude that no class implements it and turn the
// calls into pure-virtual traps.
struct AdoStream : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE get_Size(LONG* size) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_EOS(VARIANT_BOOL* eos) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Position(LONG* position) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Position(LONG position) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Type(LONG* type) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Type(LONG type) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_LineSeparator(LONG* separator) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_LineSeparator(LONG separator) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_State(LONG* state) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Mode(LONG* mode) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Mode(LONG mode) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Charset(BSTR* charset) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Charset(BSTR charset) = 0;
  virtual HRESULT STDMETHODCALLTYPE Read(LONG numBytes, VARIANT* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE Open(VARIANT source, LONG mode, LONG options, BSTR user, BSTR password) = 0;
  virtual HRESULT STDMETHODCALLTYPE Close() = 0;
  virtual HRESULT STDMETHODCALLTYPE SkipLine() = 0;
  virtual HRESULT STDMETHODCALLTYPE Write(VARIANT buffer) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetEOS() = 0;
  virtual HRESULT STDMETHODCALLTYPE CopyTo(IDispatch* destination, LONG charNumber) = 0;
  virtual HRESULT STDMETHODCALLTYPE Flush() = 0;
  virtual HRESULT STDMETHODCALLTYPE SaveToFile(BSTR fileName, LONG options) = 0;
  virtual HRESULT STDMETHODCALLTYPE LoadFromFile(BSTR fileName) = 0;
  virtual HRESULT STDMETHODCALLTYPE ReadText(LONG numChars, BSTR* text) = 0;
  virtual HRESULT STDMETHODCALLTYPE WriteText(BSTR data, LONG options) = 0;
  virtual HRESULT STDMETHODCALLTYPE Cancel() = 0;
};

namespace {

constexpr IID kIidAdoStream = {0x00000565, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x6D, 0x2E, 0xA4}};
constexpr IID kIidMultiLanguage2 = {0xDCCFC164, 0x2B38, 0x11D2, {0xB7, 0xEC, 0x00, 0xC0, 0x4F, 0x8F, 0x5D, 0x9A}};
constexpr CLSID kClsidMultiLanguage = {0x275C23E2, 0x3747, 0x11D0, {0x9F, 0xEA, 0x00, 0xAA, 0x00, 0x3F, 0x86, 0x46}};

constexpr LONG kTypeBinary = 1;
constexpr LONG kTypeText = 2;
constexpr LONG kModeReadWrite = 3;
constexpr LONG kModeUnknown = 0;
constexpr LONG kOpenUnspecified = -1;
constexpr LONG kReadAll = -1;

// Closes an opened stream whichever way decoding ends.
class OpenedStream {
public:
  explicit OpenedStream(AdoStream* stream) : stream_(stream) {}
  ~OpenedStream() { stream_->Close(); }
  OpenedStream(const OpenedStream&) = delete;
  OpenedStream& operator=(const OpenedStream&) = delete;

private:
  AdoStream* stream_;
};

}  // namespace

std::optional<std::wstring> DecodeWithStream(const Bytes& raw, std::string_view charset) {
  ComPtr<IDispatch> object = CreateObject("Adodb.Stream");
  if (!object) return std::nullopt;
  ComPtr<AdoStream> stream = object.As<AdoStream>(kIidAdoStream);
  if (!stream) return std::nullopt;

  if (FAILED(stream->put_Type(kTypeBinary))) return std::nullopt;
  stream->put_Mode(kModeReadWrite);
  Variant missing = Variant::Missing();
  UniqueBstr none(std::string_view{});
  if (FAILED(stream->Open(missing.raw(), kModeUnknown, kOpenUnspecified, none.get(), none.get()))) {
    return std::nullopt;
  }
  OpenedStream closer(stream.get());
  Variant buffer = Variant::FromBytes(raw);
  if (FAILED(stream->Write(buffer.raw()))) return std::nullopt;
  if (FAILED(stream->put_Position(0)) || FAILED(stream->put_Type(kTypeText))) return std::nullopt;
  // A charset the component refuses would leave it reading in its previous charset; that
  // text would be wrong, so it counts as undecodable.
  UniqueBstr name(TextToBstr(charset));
  if (FAILED(stream->put_Charset(name.get()))) return std::nullopt;
  UniqueBstr text;
  if (FAILED(stream->ReadText(kReadAll, text.put()))) return std::nullopt;
  return std::wstring(text.get() != nullptr ? text.get() : L"", text.get() != nullptr ? SysStringLen(text.get()) : 0);
}

unsigned CodePageOfCharset(std::string_view charset) {
  ComPtr<IMultiLanguage2> language;
  if (FAILED(CoCreateInstance(kClsidMultiLanguage, nullptr, CLSCTX_INPROC_SERVER, kIidMultiLanguage2,
                              language.put_void()))) {
    return 0;
  }
  UniqueBstr name(TextToBstr(charset));
  MIMECSETINFO info{};
  if (FAILED(language->GetCharsetInfo(name.get(), &info))) return 0;
  return info.uiInternetEncoding;
}

std::optional<std::wstring> DecodeWithCodePageOf(const Bytes& raw, std::string_view charset) {
  const unsigned codePage = CodePageOfCharset(charset);
  if (codePage == 0) return std::nullopt;
  if (raw.empty()) return std::wstring();
  const char* source = reinterpret_cast<const char*>(raw.data());
  const int size = static_cast<int>(raw.size());
  const int units = MultiByteToWideChar(codePage, 0, source, size, nullptr, 0);
  if (units <= 0) return std::nullopt;
  std::wstring out(static_cast<size_t>(units), L'\0');
  MultiByteToWideChar(codePage, 0, source, size, out.data(), units);
  return out;
}

std::optional<std::wstring> DecodeCharset(const Bytes& raw, std::string_view charset) {
  if (auto text = DecodeWithStream(raw, charset)) return text;
  return DecodeWithCodePageOf(raw, charset);
}

}  // namespace storvane::net
