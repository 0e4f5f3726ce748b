// The DLL as any program sees it: loaded with LoadLibrary, reached only through its exports.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <utility>

#include "exui_dll.h"

namespace exui_test {
namespace {

class ExportsTest : public ::testing::Test {
protected:
  Dll dll;
  void SetUp() override { ASSERT_TRUE(dll.loaded()); }
};

TEST_F(ExportsTest, EveryEntryTheProgramReachesIsExported) {
  const char* names[] = {"CallInternalFunction_Ex",
                         "CreateBinEx",
                         "DeleteBinEx",
                         "GetBinExDataPointer",
                         "GetBinExDatalength",
                         "CreateControl_WindowEx",
                         "CreateControl_LabelEx",
                         "CreateControl_PictureBoxEx",
                         "CreateControl_ProgressbarEx",
                         "CreateControl_IcoListboxEx",
                         "CreateControl_MinutesboxEx",
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
                         "InsertItem_IcoListboxEx",
                         "GetItemCount_IcoListboxEx",
                         "LoadImageEx",
                         "DestroyImageEx",
                         "Create_MenuEx",
                         "InsertItem_MenuEx",
                         "PopUp_MenuEx",
                         "SetItemDisabled_MenuEx",
                         "SetAttribute_WindowEx",
                         "GetAttribute_WindowEx",
                         "SetAttribute_LabelEx",
                         "GetAttribute_LabelEx",
                         "SetAttribute_PictureBoxEx",
                         "SetAttribute_ProgressbarEx",
                         "GetAttribute_ProgressbarEx",
                         "SetAttribute_IcoListboxEx",
                         "GetAttribute_IcoListboxEx",
                         "SetAttribute_MinutesboxEx"};
  for (const char* name : names) EXPECT_NE(::GetProcAddress(dll.module(), name), nullptr) << name;
}

TEST_F(ExportsTest, RegistrationAcceptsOnlyTheKnownVersions) {
  auto call = dll.Get<CallInternalFunction_Ex_t>("CallInternalFunction_Ex");
  auto module = reinterpret_cast<ExuiValue>(dll.module());
  EXPECT_EQ(call(2008, module, 0, 0, 20210218), module);
  EXPECT_EQ(call(2008, module, 0, 0, 0), module);
  EXPECT_EQ(call(2008, module, 0, 0, 20210217), 0);
  EXPECT_EQ(call(2008, module, 0, 0, -1), 0);
  EXPECT_EQ(call(2007, module, 0, 0, 20210218), 0);
  // A registration naming no module still accepts, with the library's own base.
  EXPECT_EQ(call(2008, 0, 0, 0, 20210218), module);
}

TEST_F(ExportsTest, ByteBuffersHoldCopiesUntilDeleted) {
  auto pointer = dll.Get<GetBinExDataPointer_t>("GetBinExDataPointer");
  auto length = dll.Get<GetBinExDatalength_t>("GetBinExDatalength");
  std::vector<uint8_t> bytes = {1, 0, 2, 0, 3};
  ExuiBin bin = dll.CreateBin(bytes.data(), 5);
  ASSERT_NE(bin, 0);
  bytes[0] = 9;  // the library keeps its own copy
  EXPECT_EQ(length(bin), 5);
  ASSERT_NE(pointer(bin), nullptr);
  EXPECT_EQ(std::memcmp(pointer(bin), "\x01\x00\x02\x00\x03", 5), 0);
  EXPECT_EQ(dll.DeleteBin(bin), 1);
  EXPECT_EQ(dll.DeleteBin(bin), 0);
  EXPECT_EQ(length(bin), -1);
  EXPECT_EQ(pointer(bin), nullptr);
}

TEST_F(ExportsTest, EmptyAndZeroFilledBuffers) {
  auto pointer = dll.Get<GetBinExDataPointer_t>("GetBinExDataPointer");
  auto length = dll.Get<GetBinExDatalength_t>("GetBinExDatalength");
  ExuiBin empty = dll.CreateBin(nullptr, 0);
  ASSERT_NE(empty, 0);
  EXPECT_EQ(length(empty), 0);
  EXPECT_EQ(pointer(empty), nullptr);
  ExuiBin zeros = dll.CreateBin(nullptr, 3);
  ASSERT_EQ(length(zeros), 3);
  EXPECT_EQ(std::memcmp(pointer(zeros), "\0\0\0", 3), 0);
  EXPECT_NE(empty, zeros);
  dll.DeleteBin(empty);
  dll.DeleteBin(zeros);
  EXPECT_EQ(length(0), -1);
}

TEST_F(ExportsTest, ImagesDecodeEveryFormatTheProgramMayFetch) {
  auto load = dll.Get<LoadImageEx_t>("LoadImageEx");
  auto destroy = dll.Get<DestroyImageEx_t>("DestroyImageEx");
  auto attribute = dll.Get<GetImageAttributeEx_t>("GetImageAttributeEx");
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    int width, height;
  } cases[] = {
      {"png", EncodeSample(L"image/png", 40, 30, 0xFF2D8CF0), 40, 30},
      {"jpeg", EncodeSample(L"image/jpeg", 33, 21, 0xFF43A047), 33, 21},
      {"bmp", EncodeSample(L"image/bmp", 8, 9, 0xFFFB8C00), 8, 9},
      // A hand-made GIF: the system's GIF encoder is not reliable everywhere.
      {"gif",
       {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x01, 0x00, 0x01, 0x00, 0x80, 0x00, 0x00, 0xFF, 0xFF,
        0xFF, 0x00, 0x00, 0x00, 0x21, 0xF9, 0x04, 0x01, 0x00, 0x00, 0x00, 0x00, 0x2C, 0x00, 0x00,
        0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3B},
       1,
       1},
      {"ico", MakeIcoFile(0xFF123456), 16, 16},
  };
  for (auto& c : cases) {
    ASSERT_FALSE(c.bytes.empty()) << c.name;
    ExuiImage image = load(c.bytes.data(), static_cast<int32_t>(c.bytes.size()), 0, 0);
    ASSERT_NE(image, 0) << c.name;
    EXPECT_EQ(attribute(image, 1), c.width) << c.name;
    EXPECT_EQ(attribute(image, 2), c.height) << c.name;
    EXPECT_EQ(destroy(image), 1) << c.name;
    EXPECT_EQ(destroy(image), 0) << c.name;
    EXPECT_EQ(attribute(image, 1), 0) << c.name;
  }
}

TEST_F(ExportsTest, EmptyOrBrokenImageBytesGiveNoImage) {
  auto load = dll.Get<LoadImageEx_t>("LoadImageEx");
  std::vector<uint8_t> png = MakeIconPng(0xFF2D8CF0, L'A', 32);
  EXPECT_EQ(load(nullptr, 0, 0, 0), 0);
  EXPECT_EQ(load(png.data(), 0, 0, 0), 0);
  EXPECT_EQ(load(png.data(), -5, 0, 0), 0);
  std::vector<uint8_t> text = {'<', 'h', 't', 'm', 'l', '>', 'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'c', 'o', 'n'};
  EXPECT_EQ(load(text.data(), static_cast<int32_t>(text.size()), 0, 0), 0);
  EXPECT_EQ(load(png.data(), static_cast<int32_t>(png.size() / 3), 0, 0), 0);  // a cut-off download
  EXPECT_EQ(dll.Get<DestroyImageEx_t>("DestroyImageEx")(0), 0);
  // Pictures are decoded only when drawn, so a download cut short must be seen from its
  // structure alone, in every format, even when only the last bytes are missing.
  const std::vector<uint8_t> gif = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x01, 0x00, 0x01, 0x00, 0x80,
                                    0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x21, 0xF9, 0x04,
                                    0x01, 0x00, 0x00, 0x00, 0x00, 0x2C, 0x00, 0x00, 0x00, 0x00, 0x01,
                                    0x00, 0x01, 0x00, 0x00, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3B};
  const std::pair<const char*, std::vector<uint8_t>> whole[] = {
      {"png", png},
      {"jpeg", EncodeSample(L"image/jpeg", 33, 21, 0xFF43A047)},
      {"bmp", EncodeSample(L"image/bmp", 8, 9, 0xFFFB8C00)},
      {"gif", gif},
      {"ico", MakeIcoFile(0xFF123456)},
  };
  for (const auto& [name, bytes] : whole) {
    ASSERT_GT(bytes.size(), 40u) << name;
    for (size_t cut : {size_t{1}, size_t{2}, bytes.size() / 2}) {
      EXPECT_EQ(load(bytes.data(), static_cast<int32_t>(bytes.size() - cut), 0, 0), 0) << name << " less " << cut;
    }
  }
}

int EXUI_CALL NoMenuEvents(int32_t, int32_t, int32_t, int32_t, ExuiValue, int32_t) { return 0; }

TEST_F(ExportsTest, MenuEntriesGetDistinctHandlesAndKeepTheirState) {
  auto create = dll.Get<Create_MenuEx_t>("Create_MenuEx");
  auto insert = dll.Get<InsertItem_MenuEx_t>("InsertItem_MenuEx");
  auto count = dll.Get<GetItemCount_MenuEx_t>("GetItemCount_MenuEx");
  auto disable = dll.Get<SetItemDisabled_MenuEx_t>("SetItemDisabled_MenuEx");
  auto disabled = dll.Get<GetItemDisabled_MenuEx_t>("GetItemDisabled_MenuEx");
  auto title = dll.Get<GetItemTitle_MenuEx_t>("GetItemTitle_MenuEx");
  auto destroy = dll.Get<Destroy_MenuEx_t>("Destroy_MenuEx");
  // The program's 667-byte skin is its own blob: any bytes are accepted.
  ExuiMenu menu = create(16, 16, dll.Bin(std::vector<uint8_t>(667, 0x33)), dll.Bin(FontBytes(L"微软雅黑", 12)),
                         dll.Bin({}), 255, &NoMenuEvents, 123);
  ASSERT_NE(menu, 0);
  ExuiMenu other = create(16, 16, 0, 0, 0, 255, &NoMenuEvents, 0);
  ASSERT_NE(other, 0);
  std::set<ExuiMenuItem> handles;
  std::vector<ExuiMenuItem> entries;
  for (int i = 0; i < 7; ++i) {
    bool separator = i % 2 == 1;
    std::string caption = separator ? "" : Gbk(L"菜单项" + std::to_wstring(i));
    ExuiMenuItem h = insert(menu, 0, -1, 0, 0, caption.c_str(), 0xFF606060, 0xFFC0C0C0, 60, separator ? 5 : 24,
                            separator, separator, 0);
    ASSERT_NE(h, 0);
    entries.push_back(h);
    handles.insert(h);
  }
  EXPECT_EQ(handles.size(), 7u);
  EXPECT_NE(handles.count(menu), 1u);
  EXPECT_EQ(count(menu), 7);
  EXPECT_EQ(FromGbk(title(menu, entries[2])), L"菜单项2");
  EXPECT_EQ(disabled(menu, entries[2]), 0);
  EXPECT_EQ(disabled(menu, entries[1]), 1);  // separators are never choosable
  EXPECT_EQ(disable(menu, entries[2], 1), 1);
  EXPECT_EQ(disabled(menu, entries[2]), 1);
  EXPECT_EQ(disable(menu, entries[2], 0), 1);
  EXPECT_EQ(disabled(menu, entries[2]), 0);
  // Entries belong to their menu.
  EXPECT_EQ(disable(other, entries[2], 1), 0);
  EXPECT_EQ(disable(menu, 0, 1), 0);
  EXPECT_EQ(destroy(menu), 1);
  EXPECT_EQ(destroy(menu), 0);
  EXPECT_EQ(count(menu), -1);
  EXPECT_EQ(insert(menu, 0, -1, 0, 0, "x", 0, 0, 60, 24, 0, 0, 0), 0);
  destroy(other);
}

TEST_F(ExportsTest, UnknownHandlesFailQuietly) {
  const int32_t bogus = 0x7ABCDEF;
  EXPECT_EQ(dll.GetBindControl(nullptr), 0);
  EXPECT_EQ(dll.GetBindControl(reinterpret_cast<void*>(static_cast<intptr_t>(bogus))), 0);
  EXPECT_EQ(dll.Get<ControlDestroy_t>("ControlDestroy")(bogus), 0);
  EXPECT_EQ(dll.Get<InsertItem_IcoListboxEx_t>("InsertItem_IcoListboxEx")(bogus, -1), -1);
  EXPECT_EQ(dll.Get<GetItemCount_IcoListboxEx_t>("GetItemCount_IcoListboxEx")(bogus), -1);
  EXPECT_EQ(dll.Get<ControlInsertElem_t>("ControlInsertElem")(bogus, 1, -1, -1, 10), 0);
  auto text = dll.Get<ControlGetElemData_Text_t>("ControlGetElemData_Text");
  const char* got = reinterpret_cast<const char*>(static_cast<intptr_t>(text(bogus, 1, 0, -1, 1, 4)));
  ASSERT_NE(got, nullptr);
  EXPECT_STREQ(got, "");
  EXPECT_EQ(dll.Get<ExuiSetAttribute_t>("SetAttribute_IcoListboxEx")(bogus, EXUI_ATTR_ITEM_WIDTH, 5), 0);
  EXPECT_EQ(dll.Get<ControPonintSizeSynchronise_t>("ControPonintSizeSynchronise")(nullptr, nullptr, 1), 0);
  EXPECT_EQ(dll.Get<PopUp_MenuEx_t>("PopUp_MenuEx")(bogus, 0, 10, 10, nullptr, 0, 0), 0);
  EXPECT_EQ(dll.Get<ControlLockUpdate_t>("ControlLockUpdate")(bogus), 0);
}

}  // namespace
}  // namespace exui_test
