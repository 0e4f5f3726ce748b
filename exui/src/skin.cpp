#include "skin.h"

#include <algorithm>
#include <cstring>

#include "exui/include/exui_api.h"

namespace storvane::exui {

namespace {

// Reads a skin structure of type T from the blob when its header says it is one.
template <typename T>
bool ReadSkin(const std::vector<uint8_t>& blob, uint16_t kind, T& out) {
  if (blob.size() < sizeof(T)) return false;
  std::memcpy(&out, blob.data(), sizeof(T));
  const ExuiSkinHeader& h = out.header;
  return h.magic == EXUI_SKIN_MAGIC && h.version == EXUI_SKIN_VERSION && h.kind == kind && h.size >= sizeof(T) &&
         h.size <= blob.size();
}

void Take(uint32_t value, uint32_t& field) {
  if ((value >> 24) != 0) field = value;
}

// Sizes beyond these are treated as damage rather than design.
float TakeLength(uint32_t value, float fallback, uint32_t limit) {
  return value == 0 || value > limit ? fallback : static_cast<float>(value);
}

}  // namespace

ButtonLook ButtonLook::FromBlob(const std::vector<uint8_t>& blob, bool* recognised) {
  ButtonLook look;
  ExuiButtonSkin skin{};
  bool ok = ReadSkin(blob, EXUI_SKIN_BUTTON, skin);
  if (recognised != nullptr) *recognised = ok;
  if (!ok) return look;
  for (int i = 0; i < 4; ++i) {
    Take(skin.fill[i], look.fill[i]);
    Take(skin.border[i], look.border[i]);
    Take(skin.text[i], look.text[i]);
  }
  Take(skin.flatHover, look.flatHover);
  look.radius = TakeLength(skin.radius, look.radius, 64);
  look.borderWidth = TakeLength(skin.borderWidth, look.borderWidth, 8);
  return look;
}

MenuLook MenuLook::FromBlob(const std::vector<uint8_t>& blob, bool* recognised) {
  MenuLook look;
  ExuiMenuSkin skin{};
  bool ok = ReadSkin(blob, EXUI_SKIN_MENU, skin);
  if (recognised != nullptr) *recognised = ok;
  if (!ok) return look;
  Take(skin.background, look.background);
  Take(skin.border, look.border);
  Take(skin.hoverFill, look.hoverFill);
  Take(skin.separator, look.separator);
  if (skin.shadow != 0) look.shadow = skin.shadow;
  look.radius = TakeLength(skin.radius, look.radius, 64);
  look.padding = TakeLength(skin.padding, look.padding, 64);
  look.textIndent = TakeLength(skin.textIndent, look.textIndent, 128);
  return look;
}

std::vector<uint8_t> DefaultButtonSkinBlob(size_t paddedSize) {
  ButtonLook look;
  ExuiButtonSkin skin{};
  skin.header = {EXUI_SKIN_MAGIC, EXUI_SKIN_VERSION, EXUI_SKIN_BUTTON, sizeof skin};
  std::copy(std::begin(look.fill), std::end(look.fill), skin.fill);
  std::copy(std::begin(look.border), std::end(look.border), skin.border);
  std::copy(std::begin(look.text), std::end(look.text), skin.text);
  skin.flatHover = look.flatHover;
  skin.radius = static_cast<uint32_t>(look.radius);
  skin.borderWidth = static_cast<uint32_t>(look.borderWidth);
  std::vector<uint8_t> blob(std::max(paddedSize, sizeof skin));
  std::memcpy(blob.data(), &skin, sizeof skin);
  return blob;
}

std::vector<uint8_t> DefaultMenuSkinBlob(size_t paddedSize) {
  MenuLook look;
  ExuiMenuSkin skin{};
  skin.header = {EXUI_SKIN_MAGIC, EXUI_SKIN_VERSION, EXUI_SKIN_MENU, sizeof skin};
  skin.background = look.background;
  skin.border = look.border;
  skin.hoverFill = look.hoverFill;
  skin.separator = look.separator;
  skin.shadow = look.shadow;
  skin.radius = static_cast<uint32_t>(look.radius);
  skin.padding = static_cast<uint32_t>(look.padding);
  skin.textIndent = static_cast<uint32_t>(look.textIndent);
  std::vector<uint8_t> blob(std::max(paddedSize, sizeof skin));
  std::memcpy(blob.data(), &skin, sizeof skin);
  return blob;
}

}  // namespace storvane::exui
