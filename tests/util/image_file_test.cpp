// A program file is complete only with every section's bytes; a cut-off copy, a web page or an
// empty file is none, and a program for another machine is told apart by the machines asked for.
#include "util/image_file.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "support/scratch_folder.h"

namespace storvane {
namespace {

TEST(IsCompleteImageFile, OnlyAWholeProgramForAMachineAskedForCounts) {
  wchar_t self[MAX_PATH];
  const std::wstring own(self, GetModuleFileNameW(nullptr, self, MAX_PATH));
  std::ifstream in(own.c_str(), std::ios::binary);
  const std::string image((std::istreambuf_iterator<char>(in)), {});
  const std::uint16_t other = kBuildMachine == pe::kMachineI386 ? pe::kMachineAmd64 : pe::kMachineI386;
  EXPECT_TRUE(IsCompleteImageFile(own, {kBuildMachine}));
  EXPECT_TRUE(IsCompleteImageFile(own, {other, kBuildMachine}));
  EXPECT_FALSE(IsCompleteImageFile(own, {other}));

  testsupport::ScratchFolder folder(L"svpe");
  for (const std::string& content : {image.substr(0, image.size() / 2), std::string("<html></html>"), std::string()}) {
    const std::wstring path = folder / L"tool.exe";
    std::ofstream(path.c_str(), std::ios::binary | std::ios::trunc) << content;
    EXPECT_FALSE(IsCompleteImageFile(path, {kBuildMachine})) << content.size();
  }
  EXPECT_FALSE(IsCompleteImageFile(folder / L"missing.exe", {kBuildMachine}));
}

}  // namespace
}  // namespace storvane
