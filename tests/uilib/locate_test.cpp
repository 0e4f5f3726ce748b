// The support layer's LocateUiLibrary: carried copy first, then the file candidates and the
// path files; registration with the library; the reset request.
#include "uilib/locate.h"

#include <gtest/gtest.h>

#include <fstream>

#include "probe_image_test.h"
#include "test_support.h"
#include "uilib/function_cast.h"
#include "uilib/image_mapper.h"

namespace storvane::uilib {
namespace {

using test::BesideProgram;
using test::ProbeEvents;
using test::ReadBesideProgram;

// A file that exists for the scope of a test.
class ScratchFile {
public:
  ScratchFile(const std::string& path, const std::string& content) : path_(path) {
    std::ofstream(path_, std::ios::binary) << content;
  }
  ~ScratchFile() { ::DeleteFileA(path_.c_str()); }
  const std::string& path() const { return path_; }

private:
  std::string path_;
};

std::string TempPath(const std::string& name) {
  char directory[MAX_PATH];
  ::GetTempPathA(MAX_PATH, directory);
  return std::string(directory) + "uilib_" + std::to_string(::GetCurrentProcessId()) + "_" + name;
}

std::size_t Count(const std::string& event) {
  return static_cast<std::size_t>(std::count(ProbeEvents().begin(), ProbeEvents().end(), event));
}

// No carried copy, and path files of the test's own, so the disk search can be steered.
LocatorSettings WithoutCarriedCopy(std::vector<std::string> pathFiles = {}) {
  LocatorSettings settings;
  settings.carriedImage = {};
  settings.pathFiles = std::move(pathFiles);
  return settings;
}

// Runs first in this program: the process-wide locator has not been asked before.
TEST(LocateUiLibrary, TheCarriedCopyWinsOverALibraryFileBesideTheProgramAndIsKept) {
  // A probe DLL posing as the library: had anything loaded it, it would have reported its
  // TLS callbacks and entry point.
  std::vector<std::uint8_t> decoy = ReadBesideProgram("uilib_probe.dll");
  ASSERT_FALSE(decoy.empty());
  ScratchFile beside(BesideProgram("ExuiKrnln.dll"), std::string(decoy.begin(), decoy.end()));
  ProbeEvents().clear();

  UiLibraryRecord* record = LocateUiLibrary(nullptr, 0);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record, &SupportUiLibrary());
  EXPECT_EQ(record->fromMemory, 1u);
  EXPECT_NE(record->module, nullptr);
  EXPECT_EQ(record->lookup, &LookupMappedExport);
  EXPECT_EQ(record->release, &ReleaseMappedImage);
  EXPECT_EQ(record->load, FunctionCast<FARPROC>(&MapImageFromMemory));
  EXPECT_TRUE(ProbeEvents().empty());
  EXPECT_EQ(::GetModuleHandleW(L"ExuiKrnln.dll"), nullptr);
  EXPECT_NE(SupportUiExports().Entry("CreateControl_WindowEx"), nullptr);

  const UiLibraryRecord first = *record;
  EXPECT_EQ(LocateUiLibrary(nullptr, 0), record);
  EXPECT_EQ(record->module, first.module);
  EXPECT_TRUE(ProbeEvents().empty());
}

class LocatorTest : public test::ProbeImageTest {
protected:
  UiLibraryRecord record_;
  UiExportTable table_;
};

TEST_F(LocatorTest, MapsAnImageItIsHandedAndRegistersItWithTheRequiredVersion) {
  UiLibraryLocator locator(record_, table_, WithoutCarriedCopy());
  UiLibraryRecord* found = locator.Locate(probe_.data(), static_cast<std::uint32_t>(probe_.size()));
  ASSERT_EQ(found, &record_);
  EXPECT_EQ(record_.fromMemory, 1u);
  EXPECT_EQ(Count("register-20210218"), 1u);
  EXPECT_EQ(table_.BoundCount(), 3u);
  EXPECT_EQ(table_.Entry("LoadImageEx"), LookupMappedExport(record_.module, "LoadImageEx"));
  ReleaseMappedImage(record_.module);
}

TEST_F(LocatorTest, LoadsANamedFileWithTheSystemLoader) {
  const std::string path = BesideProgram("uilib_probe.dll");
  UiLibraryLocator locator(record_, table_, WithoutCarriedCopy());
  ASSERT_NE(locator.Locate(path.c_str(), 0), nullptr);
  EXPECT_EQ(record_.fromMemory, 0u);
  EXPECT_EQ(record_.lookup, &::GetProcAddress);
  EXPECT_EQ(record_.release, &::FreeLibrary);
  EXPECT_EQ(record_.module, ::GetModuleHandleW(L"uilib_probe.dll"));
  EXPECT_EQ(Count("register-20210218"), 1u);
  EXPECT_EQ(table_.Entry("CallInternalFunction_Ex"), ::GetProcAddress(record_.module, "CallInternalFunction_Ex"));
  ::FreeLibrary(record_.module);
}

TEST_F(LocatorTest, ALibraryThatRefusesTheVersionIsNotUsedAtAll) {
  LocatorSettings settings = WithoutCarriedCopy();
  settings.requiredVersion = 20200101;
  UiLibraryLocator locator(record_, table_, settings);
  EXPECT_EQ(locator.Locate(probe_.data(), static_cast<std::uint32_t>(probe_.size())), nullptr);
  EXPECT_EQ(Count("register-other"), 1u);
  EXPECT_EQ(Count("main-detach"), 1u);  // released again
  EXPECT_EQ(record_.module, nullptr);
  EXPECT_EQ(table_.BoundCount(), 0u);
}

TEST_F(LocatorTest, ARefusedRecordHandedInByTheCallerStaysTheCallers) {
  HMODULE given = MapImageFromMemory(probe_.data(), probe_.size());
  ASSERT_NE(given, nullptr);
  UiLibraryRecord record{given, 1, nullptr, &LookupMappedExport, &ReleaseMappedImage};
  LocatorSettings settings = WithoutCarriedCopy();
  settings.requiredVersion = 20200101;
  UiLibraryLocator locator(record_, table_, settings);
  ProbeEvents().clear();
  EXPECT_EQ(locator.Locate(&record, kLocateResetRequest), nullptr);
  EXPECT_EQ(Count("main-detach"), 0u);  // not released behind the caller's back
  EXPECT_NE(LookupMappedExport(given, "ProbeValue"), nullptr);
  ReleaseMappedImage(given);
  EXPECT_EQ(Count("main-detach"), 1u);
}

TEST_F(LocatorTest, TheRealLibraryAcceptsItsVersionAndRefusesAnother) {
  UiLibraryRecord refusedRecord;
  UiExportTable refusedTable;
  LocatorSettings old;
  old.requiredVersion = 20200101;
  UiLibraryLocator refusing(refusedRecord, refusedTable, old);
  EXPECT_EQ(refusing.Locate(nullptr, 0), nullptr);
  EXPECT_EQ(refusedTable.Entry("CreateControl_WindowEx"), nullptr);

  UiLibraryLocator accepting(record_, table_);
  ASSERT_NE(accepting.Locate(nullptr, 0), nullptr);
  EXPECT_EQ(record_.fromMemory, 1u);
  EXPECT_NE(table_.Entry("CreateControl_WindowEx"), nullptr);
}

TEST_F(LocatorTest, AResetTakesTheRecordItIsPointedAt) {
  HMODULE other = MapImageFromMemory(probe_.data(), probe_.size());
  ASSERT_NE(other, nullptr);
  UiLibraryRecord given{other, 1, nullptr, &LookupMappedExport, &ReleaseMappedImage};

  UiLibraryLocator locator(record_, table_);  // with the carried copy
  ASSERT_NE(locator.Locate(nullptr, 0), nullptr);
  const HMODULE carried = record_.module;
  EXPECT_NE(carried, other);
  ProbeEvents().clear();
  ASSERT_EQ(locator.Locate(&given, kLocateResetRequest), &record_);
  EXPECT_EQ(record_.module, other);
  EXPECT_EQ(record_.lookup, &LookupMappedExport);
  EXPECT_EQ(Count("register-20210218"), 1u);
  EXPECT_EQ(table_.BoundCount(), 3u);  // the probe's names, not the library's
  ReleaseMappedImage(other);
}

TEST_F(LocatorTest, APathFileWithATrailingLineBreakDoesNotLoad) {
  const std::string probePath = BesideProgram("uilib_probe.dll");
  {
    ScratchFile pathFile(TempPath("crlf.ini"), probePath + "\r\n");
    UiLibraryLocator locator(record_, table_, WithoutCarriedCopy({pathFile.path()}));
    EXPECT_EQ(locator.Locate(nullptr, 0), nullptr);
    EXPECT_TRUE(ProbeEvents().empty());
  }
  ScratchFile pathFile(TempPath("plain.ini"), probePath);
  UiLibraryLocator locator(record_, table_, WithoutCarriedCopy({pathFile.path()}));
  ASSERT_NE(locator.Locate(nullptr, 0), nullptr);
  EXPECT_EQ(record_.module, ::GetModuleHandleW(L"uilib_probe.dll"));
  ::FreeLibrary(record_.module);
}

TEST_F(LocatorTest, OnlyTheFirstPathFileThatOpensIsRead) {
  const std::string probePath = BesideProgram("uilib_probe.dll");
  ScratchFile second(TempPath("second.ini"), probePath);
  {
    // The first is missing: the second is read.
    UiLibraryLocator locator(record_, table_, WithoutCarriedCopy({TempPath("missing.ini"), second.path()}));
    ASSERT_NE(locator.Locate(nullptr, 0), nullptr);
    ::FreeLibrary(record_.module);
  }
  // The first opens but names nothing loadable: the second is not tried.
  ScratchFile first(TempPath("first.ini"), "Z:\\no\\such\\ExuiKrnln.dll");
  UiLibraryRecord record;
  UiExportTable table;
  UiLibraryLocator locator(record, table, WithoutCarriedCopy({first.path(), second.path()}));
  EXPECT_EQ(locator.Locate(nullptr, 0), nullptr);
}

TEST(ReadPathFile, ReadsAtMostTheLimitUpToAZeroByte) {
  ScratchFile longFile(TempPath("long.ini"), std::string(300, 'a'));
  EXPECT_EQ(ReadPathFile(longFile.path())->size(), 255u);
  ScratchFile zero(TempPath("zero.ini"), std::string("C:\\lib.dll\0tail", 15));
  EXPECT_EQ(*ReadPathFile(zero.path()), "C:\\lib.dll");
  ScratchFile empty(TempPath("empty.ini"), "");
  EXPECT_EQ(*ReadPathFile(empty.path()), "");
  EXPECT_FALSE(ReadPathFile(TempPath("absent.ini")).has_value());
}

}  // namespace
}  // namespace storvane::uilib
