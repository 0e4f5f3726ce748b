// Button and menu skins: our compact blob format (ExuiButtonSkin / ExuiMenuSkin in the contract
// header) read into a full set of colours. Anything that is not such a blob gives the default
// look, so a program can pass any bytes without breaking the display.
#pragma once

#include <cstdint>
#include <vector>

namespace storvane::exui {

enum ButtonVisual { kButtonNormal = 0, kButtonHover = 1, kButtonPressed = 2, kButtonActive = 3 };

struct ButtonLook {
  uint32_t fill[4] = {0xFFFFFFFF, 0xFFFFFFFF, 0xFFEEF4FE, 0xFFE8F5E9};
  uint32_t border[4] = {0xFFD0D0D0, 0xFF2D8CF0, 0xFF2D8CF0, 0xFF66BB6A};
  // Alpha 0: the element's own colour. A running tool's caption is green on its green fill.
  uint32_t text[4] = {0, 0xFF2D8CF0, 0xFF2D8CF0, 0xFF388E3C};
  uint32_t flatHover = 0xFFF0F0F0;
  float radius = 4.0f;
  float borderWidth = 1.0f;

  // True when the blob was a valid button skin (false: defaults were kept).
  static ButtonLook FromBlob(const std::vector<uint8_t>& blob, bool* recognised = nullptr);
};

struct MenuLook {
  uint32_t background = 0xFFFFFFFF;
  uint32_t border = 0xFFDADCE0;
  uint32_t hoverFill = 0xFFF2F2F2;
  uint32_t separator = 0xFFE6E6E6;
  uint32_t shadow = 0x28000000;
  float radius = 4.0f;
  float padding = 4.0f;
  float textIndent = 12.0f;

  static MenuLook FromBlob(const std::vector<uint8_t>& blob, bool* recognised = nullptr);
};

// Builds a blob of the given skin with every field at its default (used by tests and as the
// documented example of the format).
std::vector<uint8_t> DefaultButtonSkinBlob(size_t paddedSize = 0);
std::vector<uint8_t> DefaultMenuSkinBlob(size_t paddedSize = 0);

}  // namespace storvane::exui
