// The 750 names and the table bound from them.
#include "uilib/binding.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "test_support.h"
#include "uilib/carried_library.h"
#include "uilib/image_mapper.h"

namespace storvane::uilib {
namespace {

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }
bool EndsWith(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

TEST(UiExportNames, SevenHundredFiftyDistinctNamesInContiguousFamilies) {
  EXPECT_EQ(kUiExportNames.size(), 750u);
  std::set<std::string_view> distinct(kUiExportNames.begin(), kUiExportNames.end());
  EXPECT_EQ(distinct.size(), 750u);
  std::size_t next = 0;
  for (const UiExportFamily& family : kUiExportFamilies) {
    EXPECT_EQ(family.first, next) << family.title;
    next += family.count;
  }
  EXPECT_EQ(next, 750u);
  EXPECT_EQ(kUiExportNames[0], "CallInternalFunction_Ex");
}

TEST(UiExportNames, FamilyCountsAndMembership) {
  std::size_t unitTypes = 0, unitTypeNames = 0;
  for (const UiExportFamily& family : kUiExportFamilies) {
    const auto names = std::span(kUiExportNames).subspan(family.first, family.count);
    if (StartsWith(family.title, "Unit type ")) {
      ++unitTypes;
      unitTypeNames += family.count;
      // Every name of a unit type ends with its type's name.
      const std::string_view type = family.title.substr(10);
      for (std::string_view name : names) EXPECT_TRUE(EndsWith(name, type)) << name;
      continue;
    }
    for (std::string_view name : names) {
      bool fits = true;
      if (family.title == "Element event procedures") fits = StartsWith(name, "ElemOn");
      if (family.title == "Skin, font and cursor resources")
        fits = StartsWith(name, "Rex") && !StartsWith(name, "Rexc");
      if (family.title == "Skin, font and cursor descriptors") fits = StartsWith(name, "Rexc");
      if (family.title == "Dialog boxes") fits = EndsWith(name, "_Ex");
      if (family.title == "Control commands") fits = StartsWith(name, "Contro");
      EXPECT_TRUE(fits) << family.title << ": " << name;
    }
  }
  EXPECT_EQ(unitTypes, 39u);
  EXPECT_EQ(unitTypeNames, 513u);
  const std::pair<std::string_view, std::size_t> fixed[] = {
      {"Internal call", 1},
      {"Library-side byte buffers", 5},
      {"Control commands", 90},
      {"List and element commands", 47},
      {"Element event procedures", 33},
      {"Skin, font and cursor resources", 20},
      {"Skin, font and cursor descriptors", 12},
      {"Images", 6},
      {"Dialog boxes", 7},
      {"Tips, slow-motion tasks, animation, timers, themes and packing", 16},
      {"Unit type MenuEx", 32},
      {"Unit type IcoListboxEx", 15},
      {"Unit type StructEx", 48}};
  for (const auto& [title, count] : fixed) {
    bool found = false;
    for (const UiExportFamily& family : kUiExportFamilies) {
      if (family.title == title) {
        found = true;
        EXPECT_EQ(family.count, count) << title;
      }
    }
    EXPECT_TRUE(found) << title;
  }
}

TEST(UiExportNames, IndexIsUsableAtCompileTime) {
  static_assert(UiExportIndex("CallInternalFunction_Ex") == 0);
  constexpr std::size_t index = UiExportIndex("ControlGetBindControl");
  EXPECT_EQ(kUiExportNames[index], "ControlGetBindControl");
}

TEST(UiExportTable, ALibraryWithFewNamesBindsThemAndLeavesTheRestNull) {
  const std::vector<std::uint8_t> probe = test::ReadBesideProgram("uilib_probe.dll");
  HMODULE module = MapImageFromMemory(probe.data(), probe.size());
  ASSERT_NE(module, nullptr);
  UiExportTable table;
  table.Fill(module, &LookupMappedExport);
  EXPECT_EQ(table.BoundCount(), 3u);
  for (const char* name : {"CallInternalFunction_Ex", "CreateControl_WindowEx", "LoadImageEx"}) {
    EXPECT_NE(table.Entry(name), nullptr) << name;
    EXPECT_EQ(table.Entry(name), LookupMappedExport(module, name)) << name;
  }
  EXPECT_EQ(table.Entry("ControlGetBindControl"), nullptr);
  EXPECT_EQ(table.Entry("NotAnExportName"), nullptr);
  EXPECT_EQ(table.Entry(kUiExportCount), nullptr);
  table.Fill(nullptr, &LookupMappedExport);
  EXPECT_EQ(table.BoundCount(), 0u);
  ReleaseMappedImage(module);
}

TEST(UiExportTable, TheRealLibraryBindsEveryNameThatItExportsInTableOrder) {
  const std::span<const std::uint8_t> carried = CarriedUiLibrary();
  HMODULE module = MapImageFromMemory(carried.data(), carried.size());
  ASSERT_NE(module, nullptr);
  UiExportTable table;
  table.Fill(module, &LookupMappedExport);
  for (std::size_t i = 0; i < kUiExportCount; ++i) {
    EXPECT_EQ(table.Entry(i), LookupMappedExport(module, kUiExportNames[i].data())) << kUiExportNames[i];
  }
  // Everything the support layer calls must be there.
  for (const char* name : {"CallInternalFunction_Ex",
                           "CreateBinEx",
                           "DeleteBinEx",
                           "ControPonintSizeSynchronise",
                           "ControlDestroy",
                           "ControlGetBindControl",
                           "ControlLockUpdate",
                           "ControlUnlockUpdate",
                           "ControlSetFocusControl",
                           "ControlInsertElem",
                           "ControlSetElemAttribute_Imsge",
                           "ControlSetElemAttribute_Text",
                           "ControlSetElemAttribute_Button",
                           "ControlSetElemData_Imsge",
                           "ControlSetElemData_Text",
                           "ControlSetElemData_Button",
                           "ControlGetElemData_Text",
                           "ControlGetElemData_Button",
                           "LoadImageEx",
                           "DestroyImageEx",
                           "Create_MenuEx",
                           "InsertItem_MenuEx",
                           "PopUp_MenuEx",
                           "SetItemDisabled_MenuEx",
                           "CreateControl_WindowEx",
                           "CreateControl_LabelEx",
                           "CreateControl_PictureBoxEx",
                           "CreateControl_ProgressbarEx",
                           "CreateControl_IcoListboxEx",
                           "CreateControl_MinutesboxEx",
                           "InsertItem_IcoListboxEx",
                           "GetItemCount_IcoListboxEx"}) {
    EXPECT_NE(table.Entry(name), nullptr) << name;
  }
  ReleaseMappedImage(module);
}

}  // namespace
}  // namespace storvane::uilib
