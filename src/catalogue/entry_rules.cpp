#include "catalogue/entry_rules.h"

#include <array>
#include <cctype>

#include "util/text.h"

namespace storvane {
namespace {

bool IsRefusedAscii(unsigned char c) {
  if (c < 0x20 || c == 0x7F) return true;
  switch (c) {
    case '<':
    case '>':
    case ':':
    case '"':
    case '/':
    case '\\':
    case '|':
    case '?':
    case '*':
      return true;
    default:
      return false;
  }
}

// Code page 936 pairs a lead byte 0x81-0xFE only with a trail byte 0x40-0xFE other than 0x7F.
// After a lead byte, any other byte makes no character: the conversion then yields two, and the
// second may be ':' or '/'. 0x80 stands alone (the euro sign).
bool IsGbkLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
bool IsGbkTrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFE && c != 0x7F; }

std::string UpperAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

bool IsReservedDeviceName(std::string_view name) {
  // Windows maps these names to devices in every folder, even with an extension ("NUL.exe").
  std::string stem = UpperAscii(name.substr(0, name.find('.')));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  static constexpr std::array<std::string_view, 6> kPlain = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (std::string_view r : kPlain) {
    if (stem == r) return true;
  }
  if (stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0)) {
    return stem[3] >= '0' && stem[3] <= '9';
  }
  return false;
}

}  // namespace

bool IsPlainFileName(std::string_view name) {
  if (name.empty() || name.size() > 200) return false;
  if (name.find("..") != std::string_view::npos) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (IsGbkLeadByte(c)) {
      // A cut character, or a pair that is none.
      if (i + 1 >= name.size() || !IsGbkTrailByte(static_cast<unsigned char>(name[i + 1]))) return false;
      ++i;  // the trail byte belongs to the character, even when it equals '\\'
      continue;
    }
    if (c == 0xFF || IsRefusedAscii(c)) return false;  // 0xFF is no character in code page 936
  }
  const char last = name.back();
  if (last == '.' || last == ' ') return false;
  return !IsReservedDeviceName(name);
}

bool IsSafeEntry(std::string_view storeFolder, std::string_view executable) {
  return IsPlainFileName(storeFolder) && IsPlainFileName(executable);
}

bool IsWebAddress(std::string_view address) {
  const std::string lower = [&] {
    std::string s(address.substr(0, 8));
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  }();
  const bool http = lower.compare(0, 7, "http://") == 0 && address.size() > 7;
  const bool https = lower.compare(0, 8, "https://") == 0 && address.size() > 8;
  if (!http && !https) return false;
  for (unsigned char c : address) {
    if (c < 0x20 || c == 0x7F || c == '"') return false;  // nothing the shell could read as more
  }
  return true;
}

const char* ItemCaption(ItemState state) {
  switch (state) {
    case ItemState::Download:
      return kCaptionDownload;
    case ItemState::Update:
      return kCaptionUpdate;
    case ItemState::Open:
      return kCaptionOpen;
    case ItemState::Redownload:
      return kCaptionRedownload;
    case ItemState::Running:
      return kCaptionRunning;
  }
  return kCaptionDownload;
}

int ItemStateFlag(ItemState state) { return state == ItemState::Running ? 1 : 0; }

ItemState FirstActionState(bool executableExists, std::string_view stamp, std::string_view version) {
  if (!executableExists) return ItemState::Download;
  return stamp == version ? ItemState::Open : ItemState::Update;
}

std::string ItemTitle(std::string_view name, std::string_view version) { return ConcatTexts(name, " V", version); }

std::string NameFromTitle(std::string_view title) { return TextBefore(title, " V"); }

std::string VersionFromTitle(std::string_view title) { return TextAfter(title, " V"); }

}  // namespace storvane
