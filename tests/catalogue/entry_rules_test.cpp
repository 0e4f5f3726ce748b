#include "catalogue/entry_rules.h"
#include "catalogue/view_layout.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace storvane {
namespace {

TEST(EntryRules, PlainNamesAreAccepted) {
  EXPECT_TRUE(IsPlainFileName("dianpu"));
  EXPECT_TRUE(IsPlainFileName("shoptool_a.exe"));
  EXPECT_TRUE(IsPlainFileName("店铺助手.exe"));
  EXPECT_TRUE(IsPlainFileName("v1.2-beta tool.exe"));
  EXPECT_TRUE(IsPlainFileName("CONSOLE.exe"));  // only the exact device names are reserved
  EXPECT_TRUE(IsPlainFileName("COM10"));
}

TEST(EntryRules, NamesThatLeaveTheToolFolderAreRefused) {
  for (const char* bad : {"", "..", "..\\evil", "../evil", "a\\b.exe", "a/b.exe", "C:evil.exe",
                          "C:\\Windows\\notepad.exe", "\\\\server\\share", "a..b", ".."}) {
    EXPECT_FALSE(IsPlainFileName(bad)) << bad;
  }
}

TEST(EntryRules, DeviceNamesAndRefusedCharactersAreRefused) {
  for (const char* bad : {"CON", "con", "NUL.exe", "nul.txt", "COM1", "lpt9.exe", "AUX", "PRN ", "CONIN$", "a<b", "a>b",
                          "a|b", "a?b", "a*b", "a\"b", "tab\there", "trailing.", "trailing "}) {
    EXPECT_FALSE(IsPlainFileName(bad)) << bad;
  }
}

TEST(EntryRules, GbkTrailByteThatLooksLikeABackslashIsNoSeparator) {
  // 0x95 0x5C is one GBK character whose trail byte equals '\'.
  const std::string name = std::string("\x95\x5C") + "tool.exe";
  EXPECT_TRUE(IsPlainFileName(name));
  // A lead byte with nothing after it is a cut character, not a name.
  EXPECT_FALSE(IsPlainFileName(std::string("tool\x95")));
}

TEST(EntryRules, ALeadByteWithoutAGbkTrailByteIsRefused) {
  for (const char* bad : {"\x81:x", "\x81/x", "\x81\x7Fx", "\x81 x", "\xFFx"}) {
    EXPECT_FALSE(IsPlainFileName(bad)) << bad;
  }
  EXPECT_TRUE(IsPlainFileName("\x81\\x"));  // a real character whose trail byte is '\'
  // Whatever is accepted reaches the system as one name: no separator or colon appears in it.
  for (int lead = 0x80; lead <= 0xFF; ++lead) {
    for (int trail = 0x20; trail <= 0xFF; ++trail) {
      const std::string name{static_cast<char>(lead), static_cast<char>(trail), 'x'};
      wchar_t wide[8] = {};
      const int n = MultiByteToWideChar(936, 0, name.data(), static_cast<int>(name.size()), wide, 8);
      if (!IsPlainFileName(name)) continue;
      EXPECT_EQ(std::wstring(wide, n).find_first_of(L"\\/:"), std::wstring::npos) << lead << " " << trail;
    }
  }
}

TEST(EntryRules, EntryNeedsBothNamesPlain) {
  EXPECT_TRUE(IsSafeEntry("dianpu", "shoptool_a.exe"));
  EXPECT_FALSE(IsSafeEntry("..", "shoptool_a.exe"));
  EXPECT_FALSE(IsSafeEntry("dianpu", "..\\..\\up.exe"));
}

TEST(EntryRules, OnlyWebAddressesOpenAsTutorials) {
  EXPECT_TRUE(IsWebAddress("http://127.0.0.1:18960/edu/dianpu.html"));
  EXPECT_TRUE(IsWebAddress("HTTPS://example.com/a?b=c"));
  EXPECT_FALSE(IsWebAddress("http://"));
  EXPECT_FALSE(IsWebAddress("file:///C:/Windows/System32/calc.exe"));
  EXPECT_FALSE(IsWebAddress("C:\\Windows\\System32\\calc.exe"));
  EXPECT_FALSE(IsWebAddress("calc.exe"));
  EXPECT_FALSE(IsWebAddress("javascript:alert(1)"));
  EXPECT_FALSE(IsWebAddress("http://a\" \"b"));
}

TEST(EntryRules, FirstStateFollowsExecutableAndStamp) {
  EXPECT_EQ(FirstActionState(false, "1.0.3", "1.0.3"), ItemState::Download);  // a stamp alone means nothing
  EXPECT_EQ(FirstActionState(true, "1.0.3", "1.0.3"), ItemState::Open);
  EXPECT_EQ(FirstActionState(true, "1.0.3", "1.0.3 "), ItemState::Update);  // byte for byte
  EXPECT_EQ(FirstActionState(true, "", "1.0.3"), ItemState::Update);        // no stamp file
  EXPECT_EQ(FirstActionState(true, "", ""), ItemState::Open);
}

TEST(EntryRules, EachStateShowsItsOwnCaptionAndOnlyRunningRaisesTheFlag) {
  const std::pair<ItemState, const char*> shown[] = {{ItemState::Download, "下载软件"},
                                                     {ItemState::Update, "更新软件"},
                                                     {ItemState::Open, "打开软件"},
                                                     {ItemState::Redownload, "重新下载"},
                                                     {ItemState::Running, "正在运行"}};
  for (const auto& [state, caption] : shown) {
    EXPECT_STREQ(ItemCaption(state), caption);
    EXPECT_EQ(ItemStateFlag(state), state == ItemState::Running ? 1 : 0) << caption;
  }
}

TEST(EntryRules, TitleCarriesNameAndVersion) {
  EXPECT_EQ(ItemTitle("A", "2"), "A V2");
  const std::string title = ItemTitle("店铺助手", "2.5");
  EXPECT_EQ(NameFromTitle(title), "店铺助手");
  EXPECT_EQ(VersionFromTitle(title), "2.5");
  // The name is cut at the first " V" and the version at the last one.
  const std::string odd = ItemTitle("Shop Vision", "1 V2");
  EXPECT_EQ(NameFromTitle(odd), "Shop");
  EXPECT_EQ(VersionFromTitle(odd), "2");
}

TEST(ViewLayout, NineHundredPixelClient) {
  const CatalogueViewLayout l = ComputeCatalogueViewLayout(900, 600);
  EXPECT_EQ(l.groupWidth, 868);
  EXPECT_EQ(l.groupHeight, 457);
  EXPECT_EQ(l.listWidth, 848);
  EXPECT_EQ(l.listHeight, 437);
  EXPECT_EQ(l.itemWidth, 824);
  EXPECT_EQ(l.progressLeft, 284);
  EXPECT_EQ(l.progressTop, 78);
  EXPECT_EQ(l.diskLabelTop, 549);
  EXPECT_EQ(l.diskLabelWidth, 868);
  const ItemTemplateGeometry g = ComputeItemTemplateGeometry(l.itemWidth);
  EXPECT_EQ(g.descriptionWidth, 394);
  EXPECT_EQ(g.updateTimeLeft, 494);
  EXPECT_EQ(g.actionLeft, 705);
  EXPECT_EQ(g.menuButtonLeft, 784);
}

TEST(ViewLayout, SmallClientTruncatesTowardZero) {
  // (1 - 300) / 2 = -149.5 truncates to -149, not -150.
  const CatalogueViewLayout l = ComputeCatalogueViewLayout(33, 144);
  EXPECT_EQ(l.groupWidth, 1);
  EXPECT_EQ(l.progressLeft, -149);
  EXPECT_EQ(l.progressTop, -149);
}

}  // namespace
}  // namespace storvane
