// The program's LoadUiLibrary and CallUiInternal.
#include "uilib/loader.h"

#include <gtest/gtest.h>

#include <fstream>

#include "exui_api.h"
#include "test_support.h"
#include "uilib/function_cast.h"
#include "uilib/image_mapper.h"
#include "uilib/locate.h"
#include "uilib/strict_mapper.h"

namespace storvane::uilib {
namespace {

using test::BesideProgram;
using test::ProbeEvents;
using test::ReadBesideProgram;

std::size_t Count(const std::string& event) {
  return static_cast<std::size_t>(std::count(ProbeEvents().begin(), ProbeEvents().end(), event));
}

std::string TempPath(const std::string& name) {
  char directory[MAX_PATH];
  ::GetTempPathA(MAX_PATH, directory);
  return std::string(directory) + "uilib_loader_" + std::to_string(::GetCurrentProcessId()) + "_" + name;
}

// What the stand-in locator was asked, and the record it answers with.
struct LocatorCall {
  const void* nameOrImage = nullptr;
  std::uint32_t sizeOrMode = 0xFFFFFFFF;
  std::string name;
  int calls = 0;
};
LocatorCall g_call;
UiLibraryRecord g_answer;

UiLibraryRecord* StandInLocator(const void* nameOrImage, std::uint32_t sizeOrMode) {
  ++g_call.calls;
  g_call.nameOrImage = nameOrImage;
  g_call.sizeOrMode = sizeOrMode;
  g_call.name = sizeOrMode == 0 && nameOrImage != nullptr ? static_cast<const char*>(nameOrImage) : "";
  return g_answer.module != nullptr ? &g_answer : nullptr;
}

class LoaderTest : public ::testing::Test {
protected:
  void SetUp() override {
    probe_ = ReadBesideProgram("uilib_probe.dll");
    ASSERT_FALSE(probe_.empty());
    ProbeEvents().clear();
    g_call = {};
    g_answer = {};
  }
  // Searches nowhere the library could be: an empty run directory and no path files.
  LoaderSettings Nowhere() {
    LoaderSettings settings;
    settings.runDirectory = TempPath("nowhere");
    settings.pathFiles = {};
    return settings;
  }
  std::vector<std::uint8_t> probe_;
  UiLibraryRecord record_;
  UiExportTable table_;
};

TEST_F(LoaderTest, ALocatorIsAskedForThePathOrTheImageAndItsRecordIsTakenAndBound) {
  HMODULE mapped = MapImageFromMemory(probe_.data(), probe_.size());
  ASSERT_NE(mapped, nullptr);
  g_answer = {mapped, 1, nullptr, &LookupMappedExport, &ReleaseMappedImage};
  UiLibraryLoader loader(record_, table_, Nowhere());

  EXPECT_EQ(loader.Load({}, {}, &StandInLocator), mapped);
  EXPECT_EQ(g_call.nameOrImage, nullptr);
  EXPECT_EQ(g_call.sizeOrMode, 0u);
  EXPECT_EQ(record_.module, mapped);
  EXPECT_EQ(record_.lookup, &LookupMappedExport);
  EXPECT_EQ(table_.BoundCount(), 3u);

  loader.Load("C:\\some\\ExuiKrnln.dll", {}, &StandInLocator);
  EXPECT_EQ(g_call.name, "C:\\some\\ExuiKrnln.dll");
  EXPECT_EQ(g_call.sizeOrMode, 0u);

  const ImageBytes image(probe_.begin(), probe_.end());
  loader.Load("ignored", image, &StandInLocator);
  EXPECT_EQ(g_call.nameOrImage, image.data());
  EXPECT_EQ(g_call.sizeOrMode, image.size());
  EXPECT_EQ(g_call.calls, 3);
  ReleaseMappedImage(mapped);
}

TEST_F(LoaderTest, ALocatorWithoutAnAnswerLeavesNothingBound) {
  UiLibraryLoader loader(record_, table_, Nowhere());
  EXPECT_EQ(loader.Load({}, {}, &StandInLocator), nullptr);
  EXPECT_EQ(table_.BoundCount(), 0u);
}

TEST_F(LoaderTest, AnImageIsMappedByTheStrictMapperBoundAndRegisteredWithVersionZero) {
  UiLibraryLoader loader(record_, table_, Nowhere());
  const ImageBytes image(probe_.begin(), probe_.end());
  HMODULE module = loader.Load({}, image, nullptr);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(record_.fromMemory, 1u);
  EXPECT_EQ(record_.lookup, &LookupMappedExport);
  EXPECT_EQ(record_.release, &ReleaseImageStrict);
  EXPECT_EQ(record_.load, FunctionCast<FARPROC>(&MapImageStrict));
  EXPECT_EQ(table_.BoundCount(), 3u);
  EXPECT_EQ(Count("register-0"), 1u);

  // Once a module is recorded, later loads without a locator keep it.
  const std::vector<std::uint8_t> other = ReadBesideProgram("uilib_probe_refusing.dll");
  EXPECT_EQ(loader.Load({}, ImageBytes(other.begin(), other.end()), nullptr), module);
  EXPECT_EQ(Count("main-attach"), 1u);
  ReleaseImageStrict(module);
}

TEST_F(LoaderTest, TheGivenPathIsTriedFirst) {
  UiLibraryLoader loader(record_, table_, Nowhere());
  HMODULE module = loader.Load(BesideProgram("uilib_probe.dll"), {}, nullptr);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(module, ::GetModuleHandleW(L"uilib_probe.dll"));
  EXPECT_EQ(record_.fromMemory, 0u);
  EXPECT_EQ(record_.lookup, &::GetProcAddress);
  EXPECT_EQ(Count("register-0"), 1u);
  ::FreeLibrary(module);
}

TEST_F(LoaderTest, PathFilesAreReadWholeAndALineBreakSpoilsThem) {
  const std::string probePath = BesideProgram("uilib_probe.dll");
  const std::string broken = TempPath("crlf.ini"), good = TempPath("good.ini");
  std::ofstream(broken, std::ios::binary) << probePath << "\r\n";
  std::ofstream(good, std::ios::binary) << probePath;
  {
    LoaderSettings settings = Nowhere();
    settings.pathFiles = {broken};
    UiLibraryLoader loader(record_, table_, settings);
    EXPECT_EQ(loader.Load({}, {}, nullptr), nullptr);
  }
  {
    // Unlike the support layer's search, each existing path file gets its turn.
    LoaderSettings settings = Nowhere();
    settings.pathFiles = {broken, good};
    UiLibraryRecord record;
    UiExportTable table;
    UiLibraryLoader loader(record, table, settings);
    HMODULE module = loader.Load({}, {}, nullptr);
    EXPECT_EQ(module, ::GetModuleHandleW(L"uilib_probe.dll"));
    if (module != nullptr) ::FreeLibrary(module);
  }
  ::DeleteFileA(broken.c_str());
  ::DeleteFileA(good.c_str());
}

TEST_F(LoaderTest, CallInternalLoadsOnFirstUseAndGivesZeroWithoutALibrary) {
  {
    UiLibraryLoader loader(record_, table_, Nowhere());
    EXPECT_EQ(loader.CallInternal(EXUI_CMD_REGISTER, 5, 0, 0, EXUI_LIBRARY_VERSION), 0);
  }
  const std::string pathFile = TempPath("probe.ini");
  std::ofstream(pathFile, std::ios::binary) << BesideProgram("uilib_probe.dll");
  LoaderSettings settings = Nowhere();
  settings.pathFiles = {pathFile};
  UiLibraryRecord record;
  UiExportTable table;
  UiLibraryLoader loader(record, table, settings);
  EXPECT_EQ(loader.CallInternal(EXUI_CMD_REGISTER, 5, 0, 0, EXUI_LIBRARY_VERSION), 5);
  EXPECT_NE(record.module, nullptr);
  EXPECT_EQ(loader.CallInternal(EXUI_CMD_REGISTER, 5, 0, 0, 1), 0);
  if (record.module != nullptr) ::FreeLibrary(record.module);
  ::DeleteFileA(pathFile.c_str());
}

TEST(LoadUiLibrary, StartUpTakesTheSupportLayersLibraryAndBindsAllOfIt) {
  HMODULE module = LoadUiLibrary({}, {}, &LocateUiLibrary);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(module, SupportUiLibrary().module);
  EXPECT_EQ(ProgramUiLibrary().fromMemory, 1u);
  EXPECT_EQ(ProgramUiExports().BoundCount(), SupportUiExports().BoundCount());
  for (std::size_t i = 0; i < kUiExportCount; ++i) {
    EXPECT_EQ(ProgramUiExports().Entry(i), SupportUiExports().Entry(i)) << kUiExportNames[i];
  }
  const auto handle = reinterpret_cast<ExuiValue>(module);
  EXPECT_EQ(CallUiInternal(EXUI_CMD_REGISTER, handle, 0, 0, EXUI_LIBRARY_VERSION), handle);
  EXPECT_EQ(CallUiInternal(12345), 0);
}

}  // namespace
}  // namespace storvane::uilib
