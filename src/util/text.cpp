#include "util/text.h"

namespace storvane {

int FindText(std::string_view, std::string_view, int, bool) { return -1; }
int FindTextBackward(std::string_view, std::string_view, std::optional<int>, bool) { return -1; }
std::string ReplaceText(std::string_view text, std::string_view, std::string_view, int, std::optional<int>, bool) { return std::string(text); }
TextArray SplitText(std::string_view, std::string_view, std::optional<int>) { return {}; }
std::string TrimText(std::string_view text) { return std::string(text); }
std::string LeftText(std::string_view, int) { return {}; }
std::string RightText(std::string_view, int) { return {}; }
std::string MidText(std::string_view, int, int) { return {}; }
std::string ToText(int) { return {}; }
std::string ToText(unsigned) { return {}; }
std::string ToText(long long) { return {}; }
std::string ToText(double) { return {}; }
std::string ToText(float) { return {}; }
std::string ToText(bool) { return {}; }
std::string ToText(const Bytes&) { return {}; }
int ToInteger(std::string_view) { return 0; }
int ToInteger(bool v) { return v ? 1 : 0; }
std::string FullWidthToAscii(std::string_view t) { return std::string(t); }
int CompareTextCase(std::string_view, std::string_view, bool) { return 0; }
bool StartsWith(std::string_view a, std::string_view b) { return a.substr(0, b.size()) == b; }
int CompareText(const char*, const char*) { return 0; }
int CompareText(std::string_view, std::string_view) { return 0; }
int TextLength(const char*) { return 0; }
int TextLength(std::string_view) { return 0; }
std::string TextBefore(std::string_view, std::string_view, int, bool) { return {}; }
std::string TextAfter(std::string_view, std::string_view, int, bool) { return {}; }
uint32_t ColorToArgb(uint32_t, std::optional<uint8_t>) { return 0; }
Bytes ConcatBytes(const std::vector<const Bytes*>&) { return {}; }
Bytes CutAtWideZero(const Bytes&) { return {}; }
int32_t ReadInt32(const void*) { return 0; }
Bytes TextToBytes(std::string_view) { return {}; }

}  // namespace storvane
