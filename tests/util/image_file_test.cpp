// A program file counts only for the machines asked for, and only with every section's bytes.
#include "util/image_file.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>

#include "support/scratch_folder.h"

namespace storvane {
namespace {

TEST(IsCompleteImageFile, OnlyAWholeProgramForAMachineAskedForCounts) {
  wchar_t self[MAX_PATH];
  const std::wstring own(self, GetModuleFileNameW(nullptr, self, MAX_PATH));
  const std::uint16_t other = kBuildMachine == pe::kMachineI386 ? pe::kMachineAmd64 : pe::kMachineI386;
  EXPECT_TRUE(IsCompleteImageFile(own, {other, kBuildMachine}));
  EXPECT_FALSE(IsCompleteImageFile(own, {other}));
  testsupport::ScratchFolder folder(L"svpe");
  std::ofstream((folder / L"empty.exe").c_str(), std::ios::binary);
  EXPECT_FALSE(IsCompleteImageFile(folder / L"empty.exe", {kBuildMachine}));
  EXPECT_FALSE(IsCompleteImageFile(folder / L"missing.exe", {kBuildMachine}));
}

}  // namespace
}  // namespace storvane
