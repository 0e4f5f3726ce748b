#include "net/decode.h"

#include <windows.h>

#include <optional>

#include "net/charset_decoder.h"
#include "net/message_pump.h"
#include "util/com.h"
#include "util/regex_object.h"
#include "util/win_text.h"

namespace storvane::net {

Bytes TextToUtf16Cp(std::string_view text, unsigned codePage) { return MultiByteToUtf16(TextToBytes(text), codePage); }

std::string Utf16ToLocal(const Bytes& utf16, unsigned codePage) {
  // Two zero bytes guarantee a terminator unit; an odd last byte pairs with the first of them.
  Bytes terminated = utf16;
  terminated.push_back(0);
  terminated.push_back(0);
  if (terminated.size() % 2 != 0) terminated.push_back(0);
  const auto* wide = reinterpret_cast<const wchar_t*>(terminated.data());
  if (lstrlenW(wide) == 0) return {};
  const int size = WideCharToMultiByte(codePage, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(codePage, 0, wide, -1, out.data(), size, nullptr, nullptr);
  return out.substr(0, out.find('\0'));
}

std::string Utf8ToLocal(std::string_view utf8) {
  return Utf16ToLocal(TextToUtf16Cp(utf8, kUtf8CodePage), kGbkCodePage);
}

namespace {

// nullopt when the search could not run at all; empty when no tag names a charset.
std::optional<std::string> SearchMetaCharset(std::string_view text) {
  RegexObject regex = CreateRegexObject();
  if (!regex.Execute(kMetaCharsetPattern, LeftText(text, kMetaSearchBytes))) return std::nullopt;
  return regex.GetSubMatchText(1, 1);
}

}  // namespace

std::string FindMetaCharset(std::string_view text) {
  ComInit com;
  return SearchMetaCharset(text).value_or(std::string());
}

std::string DecodeMetaCharset(std::string_view bodyText, const Bytes& raw) {
  ComInit com;
  std::string result(bodyText);
  const std::optional<std::string> charset = SearchMetaCharset(bodyText);
  if (!charset) return result;
  if (!charset->empty() && *charset != "gbk" && *charset != "gb2312") {
    if (auto decoded = DecodeCharset(raw, *charset)) {
      std::string local = WideToGbk(*decoded);
      result = local.substr(0, local.find('\0'));
    }
  }
  PumpPendingMessages();
  return result;
}

}  // namespace storvane::net
