#include "font.h"

#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>

#include "exui/include/exui_api.h"

namespace storvane::exui {

namespace {

bool FaceInstalled(const std::wstring& face) {
  Gdiplus::FontFamily family(face.c_str());
  return family.IsAvailable() && family.GetLastStatus() == Gdiplus::Ok;
}

// Faces tried after the asked one: the product's face under both of its names, then the
// common Chinese faces of older systems.
constexpr const wchar_t* kFallbackFaces[] = {L"微软雅黑", L"Microsoft YaHei", L"SimHei", L"SimSun", L"宋体"};

using FontKey = std::tuple<std::wstring, int, int, int>;  // face, style, size in 1/100 px

struct FontCacheState {
  std::mutex mutex;
  std::map<std::wstring, std::wstring> resolvedFaces;
  std::map<FontKey, std::unique_ptr<Gdiplus::Font>> fonts;
};

FontCacheState& Cache() {
  static FontCacheState state;
  return state;
}

std::wstring ResolveLocked(FontCacheState& state, const std::wstring& face) {
  auto it = state.resolvedFaces.find(face);
  if (it != state.resolvedFaces.end()) return it->second;
  std::wstring found;
  if (FaceInstalled(face)) {
    found = face;
  } else {
    for (const wchar_t* candidate : kFallbackFaces) {
      if (FaceInstalled(candidate)) {
        found = candidate;
        break;
      }
    }
  }
  state.resolvedFaces[face] = found;  // empty: the generic sans-serif family
  return found;
}

}  // namespace

FontSpec FontSpec::FromDescriptor(const std::vector<uint8_t>& bytes) {
  FontSpec wanted;
  if (bytes.size() < sizeof(ExuiFontDescriptor)) return wanted;
  ExuiFontDescriptor raw;
  std::memcpy(&raw, bytes.data(), sizeof raw);
  std::wstring face;
  for (char16_t c : raw.face) {
    if (c == 0) break;
    face.push_back(static_cast<wchar_t>(c));
  }
  if (!face.empty()) wanted.face = face;
  if (raw.size > 0) wanted.size = raw.size;
  wanted.bold = raw.bold != 0;
  wanted.italic = raw.italic != 0;
  wanted.underline = raw.underline != 0;
  wanted.strikeout = raw.strikeout != 0;
  return wanted;
}

FontSpec FontSpec::Make(std::wstring face, int size, bool bold) {
  FontSpec wanted;
  wanted.face = std::move(face);
  wanted.size = size;
  wanted.bold = bold;
  return wanted;
}

std::vector<uint8_t> FontSpec::ToDescriptor() const {
  ExuiFontDescriptor raw{};
  for (size_t i = 0; i < face.size() && i + 1 < std::size(raw.face); ++i) {
    raw.face[i] = static_cast<char16_t>(face[i]);
  }
  raw.size = size;
  raw.bold = bold;
  raw.italic = italic;
  raw.underline = underline;
  raw.strikeout = strikeout;
  std::vector<uint8_t> bytes(sizeof raw);
  std::memcpy(bytes.data(), &raw, sizeof raw);
  return bytes;
}

int FontSpec::Style() const {
  int style = Gdiplus::FontStyleRegular;
  if (bold) style |= Gdiplus::FontStyleBold;
  if (italic) style |= Gdiplus::FontStyleItalic;
  if (underline) style |= Gdiplus::FontStyleUnderline;
  if (strikeout) style |= Gdiplus::FontStyleStrikeout;
  return style;
}

std::wstring ResolvedFace(const FontSpec& wanted) {
  auto& state = Cache();
  std::lock_guard lock(state.mutex);
  return ResolveLocked(state, wanted.face);
}

Gdiplus::Font* CachedFont(const FontSpec& wanted, float scale) {
  auto& state = Cache();
  std::lock_guard lock(state.mutex);
  int hundredths = static_cast<int>(std::lround(wanted.size * scale * 100.0f));
  if (hundredths <= 0) hundredths = 1200;
  FontKey key{wanted.face, wanted.Style(), hundredths, 0};
  auto it = state.fonts.find(key);
  if (it != state.fonts.end()) return it->second.get();

  std::wstring face = ResolveLocked(state, wanted.face);
  float pixels = hundredths / 100.0f;
  std::unique_ptr<Gdiplus::Font> font;
  if (!face.empty()) {
    font = std::make_unique<Gdiplus::Font>(face.c_str(), pixels, wanted.Style(), Gdiplus::UnitPixel);
  }
  if (!font || font->GetLastStatus() != Gdiplus::Ok) {
    std::unique_ptr<Gdiplus::FontFamily> generic(Gdiplus::FontFamily::GenericSansSerif()->Clone());
    font = std::make_unique<Gdiplus::Font>(generic.get(), pixels, wanted.Style(), Gdiplus::UnitPixel);
    if (font->GetLastStatus() != Gdiplus::Ok) return nullptr;
  }
  return state.fonts.emplace(key, std::move(font)).first->second.get();
}

}  // namespace storvane::exui
