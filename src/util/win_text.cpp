#include "util/win_text.h"

#include <windows.h>
#include <shellapi.h>

#include <cstring>

namespace storvane {

namespace {

// The text in front of its first zero byte: texts are zero-terminated, and the system's
// conversion of a terminated string stops there too.
std::string_view UpToZero(std::string_view text) {
  const size_t zero = text.find('\0');
  return zero == std::string_view::npos ? text : text.substr(0, zero);
}

// A zero-terminated wide copy of UTF-16 bytes, or an empty string for an empty array (which the
// caller passes to the shell as a null pointer).
std::wstring TerminatedWide(const Bytes& utf16) { return Utf16BytesToWide(CutAtWideZero(utf16)); }

int ShowCommandFor(int showKind) {
  switch (showKind) {
    case 1:
      return SW_HIDE;
    case 2:
      return SW_SHOWMINNOACTIVE;
    default:
      return SW_SHOWNORMAL;
  }
}

}  // namespace

Bytes MultiByteToUtf16(const Bytes& bytes, unsigned codePage) {
  std::string terminated(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  terminated.push_back('\0');
  if (terminated[0] == '\0') return {};
  const int units = ::MultiByteToWideChar(codePage, 0, terminated.data(), -1, nullptr, 0);
  if (units <= 0) return {};
  Bytes out(static_cast<size_t>(units) * 2, 0);
  ::MultiByteToWideChar(codePage, 0, terminated.data(), -1, reinterpret_cast<wchar_t*>(out.data()), units);
  return out;
}

Bytes TextToUtf16(std::string_view text, bool cutAtZero) {
  Bytes bytes = TextToBytes(UpToZero(text));
  bytes.push_back(0);
  Bytes utf16 = MultiByteToUtf16(bytes, kGbkCodePage);
  return cutAtZero ? CutAtWideZero(utf16) : utf16;
}

bool ShellExecuteOpen(const Bytes& file, const Bytes& parameters, int showKind) {
  const std::wstring verb = Utf16BytesToWide(TextToUtf16("Open", true));
  const std::wstring fileW = TerminatedWide(file);
  const std::wstring paramsW = TerminatedWide(parameters);
  HINSTANCE result = ::ShellExecuteW(nullptr, verb.c_str(), file.empty() ? nullptr : fileW.c_str(),
                                     parameters.empty() ? nullptr : paramsW.c_str(), nullptr, ShowCommandFor(showKind));
  return reinterpret_cast<INT_PTR>(result) != ERROR_FILE_NOT_FOUND;
}

bool ShellOpenWide(std::string_view file, std::string_view parameters, int show) {
  return ShellExecuteOpen(TextToUtf16(file, false), TextToUtf16(parameters, false), show);
}

std::wstring CodePageToWide(std::string_view text, unsigned codePage) {
  if (text.empty()) return {};
  const int units = ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (units <= 0) return {};
  std::wstring out(static_cast<size_t>(units), L'\0');
  ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), units);
  return out;
}

std::string WideToCodePage(std::wstring_view text, unsigned codePage) {
  if (text.empty()) return {};
  const int bytes =
      ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string out(static_cast<size_t>(bytes), '\0');
  ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), bytes, nullptr, nullptr);
  return out;
}

std::wstring GbkToWide(std::string_view text) { return CodePageToWide(text, kGbkCodePage); }
std::string WideToGbk(std::wstring_view text) { return WideToCodePage(text, kGbkCodePage); }
std::wstring Utf8ToWide(std::string_view text) { return CodePageToWide(text, kUtf8CodePage); }
std::string WideToUtf8(std::wstring_view text) { return WideToCodePage(text, kUtf8CodePage); }

std::wstring Utf16BytesToWide(const Bytes& utf16) {
  std::wstring out(utf16.size() / 2, L'\0');
  if (!out.empty()) std::memcpy(out.data(), utf16.data(), out.size() * 2);
  return out;
}

Bytes WideToUtf16Bytes(std::wstring_view text) {
  Bytes out(text.size() * 2);
  if (!out.empty()) std::memcpy(out.data(), text.data(), out.size());
  return out;
}

}  // namespace storvane
