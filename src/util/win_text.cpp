#include "util/win_text.h"

namespace storvane {

Bytes TextToUtf16(std::string_view, bool) { return {}; }
Bytes MultiByteToUtf16(const Bytes&, unsigned) { return {}; }
bool ShellOpenWide(std::string_view, std::string_view, int) { return false; }
bool ShellExecuteOpen(const Bytes&, const Bytes&, int) { return false; }
std::wstring GbkToWide(std::string_view) { return {}; }
std::string WideToGbk(std::wstring_view) { return {}; }
std::wstring Utf8ToWide(std::string_view) { return {}; }
std::string WideToUtf8(std::wstring_view) { return {}; }
std::wstring CodePageToWide(std::string_view, unsigned) { return {}; }
std::string WideToCodePage(std::wstring_view, unsigned) { return {}; }
std::wstring Utf16BytesToWide(const Bytes&) { return {}; }
Bytes WideToUtf16Bytes(std::wstring_view) { return {}; }

}  // namespace storvane
