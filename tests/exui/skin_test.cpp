#include "skin.h"

#include <gtest/gtest.h>

#include <cstring>

#include "exui/include/exui_api.h"

namespace storvane::exui {
namespace {

TEST(ButtonSkin, DefaultBlobPaddedToTheProgramsSizeIsRecognised) {
  std::vector<uint8_t> blob = DefaultButtonSkinBlob(400);
  ASSERT_EQ(blob.size(), 400u);
  bool recognised = false;
  ButtonLook look = ButtonLook::FromBlob(blob, &recognised);
  EXPECT_TRUE(recognised);
  EXPECT_EQ(look.border[kButtonHover], 0xFF2D8CF0u);
  EXPECT_EQ(look.fill[kButtonActive], 0xFFE8F5E9u);
  EXPECT_FLOAT_EQ(look.radius, 4.0f);
}

TEST(ButtonSkin, ColoursAndSizesAreRead) {
  std::vector<uint8_t> blob = DefaultButtonSkinBlob(400);
  ExuiButtonSkin skin;
  std::memcpy(&skin, blob.data(), sizeof skin);
  skin.fill[kButtonNormal] = 0xFF112233;
  skin.border[kButtonPressed] = 0xFF445566;
  skin.text[kButtonHover] = 0;  // alpha 0: keep the default
  skin.radius = 8;
  std::memcpy(blob.data(), &skin, sizeof skin);
  ButtonLook look = ButtonLook::FromBlob(blob);
  EXPECT_EQ(look.fill[kButtonNormal], 0xFF112233u);
  EXPECT_EQ(look.border[kButtonPressed], 0xFF445566u);
  EXPECT_EQ(look.text[kButtonHover], 0xFF2D8CF0u);
  EXPECT_FLOAT_EQ(look.radius, 8.0f);
}

TEST(ButtonSkin, ForeignBytesGiveTheDefaultLook) {
  ButtonLook defaults;
  for (std::vector<uint8_t> blob : {std::vector<uint8_t>{}, std::vector<uint8_t>(400, 0xFF),
                                    std::vector<uint8_t>(10, 0), DefaultMenuSkinBlob(400)}) {
    bool recognised = true;
    ButtonLook look = ButtonLook::FromBlob(blob, &recognised);
    EXPECT_FALSE(recognised);
    EXPECT_EQ(look.fill[0], defaults.fill[0]);
    EXPECT_EQ(look.border[1], defaults.border[1]);
  }
}

TEST(ButtonSkin, DamagedHeaderOrSizesAreNotTrusted) {
  std::vector<uint8_t> blob = DefaultButtonSkinBlob(0);
  ExuiButtonSkin skin;
  std::memcpy(&skin, blob.data(), sizeof skin);
  skin.header.size = 4000;  // claims more bytes than the blob has
  std::memcpy(blob.data(), &skin, sizeof skin);
  bool recognised = true;
  ButtonLook::FromBlob(blob, &recognised);
  EXPECT_FALSE(recognised);

  blob = DefaultButtonSkinBlob(400);
  std::memcpy(&skin, blob.data(), sizeof skin);
  skin.radius = 100000;
  skin.borderWidth = 0;
  std::memcpy(blob.data(), &skin, sizeof skin);
  ButtonLook look = ButtonLook::FromBlob(blob, &recognised);
  EXPECT_TRUE(recognised);
  EXPECT_FLOAT_EQ(look.radius, 4.0f);
  EXPECT_FLOAT_EQ(look.borderWidth, 1.0f);
}

TEST(MenuSkin, DefaultBlobAtTheProgramsSizeIsRecognised) {
  bool recognised = false;
  MenuLook look = MenuLook::FromBlob(DefaultMenuSkinBlob(667), &recognised);
  EXPECT_TRUE(recognised);
  EXPECT_EQ(look.border, 0xFFDADCE0u);
  EXPECT_EQ(look.hoverFill, 0xFFF2F2F2u);
}

TEST(MenuSkin, ReadsItsFieldsAndRefusesOtherKinds) {
  std::vector<uint8_t> blob = DefaultMenuSkinBlob(667);
  ExuiMenuSkin skin;
  std::memcpy(&skin, blob.data(), sizeof skin);
  skin.hoverFill = 0xFF010203;
  skin.textIndent = 20;
  std::memcpy(blob.data(), &skin, sizeof skin);
  MenuLook look = MenuLook::FromBlob(blob);
  EXPECT_EQ(look.hoverFill, 0xFF010203u);
  EXPECT_FLOAT_EQ(look.textIndent, 20.0f);

  bool recognised = true;
  MenuLook fallback = MenuLook::FromBlob(DefaultButtonSkinBlob(667), &recognised);
  EXPECT_FALSE(recognised);
  EXPECT_EQ(fallback.hoverFill, MenuLook{}.hoverFill);
}

}  // namespace
}  // namespace storvane::exui
