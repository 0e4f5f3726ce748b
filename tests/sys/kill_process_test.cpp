#include "sys/kill_process.h"

#include <gtest/gtest.h>

#include "app/shell_probe_codes.h"
#include "app/test_processes.h"

namespace storvane {
namespace {

using test_support::HostToWindowsPath;
using test_support::StartChild;

const std::string kProbe = HostToWindowsPath(SHELL_PROBE_EXE);
const std::string kTool = HostToWindowsPath(SHOPTOOL_A_EXE);

TEST(KillProcess, EndsAnotherProcessWithExitCodeZero) {
  auto tool = StartChild(kTool, "quorlen", SW_SHOWNOACTIVATE);
  ASSERT_TRUE(tool.valid());
  ASSERT_FALSE(tool.WaitForExit(300)) << "the tool should keep running until killed";
  EXPECT_TRUE(KillProcess(tool.id()));
  ASSERT_TRUE(tool.WaitForExit(5000));
  EXPECT_EQ(tool.ExitCode(), 0u);
}

TEST(KillProcess, ReportsFailureForAProcessThatDoesNotExist) {
  // Process ids are multiples of four; an odd one never names a process.
  EXPECT_FALSE(KillProcess(0xFFFFFFF1u));
}

TEST(KillProcess, WithoutAnIdEndsTheCallingProcess) {
  auto probe = StartChild(kProbe, "kill-self");
  ASSERT_TRUE(probe.valid());
  ASSERT_TRUE(probe.WaitForExit(10000));
  EXPECT_EQ(probe.ExitCode(), 0u) << "exit code " << probe::kFellThroughExitCode << " means the call came back";
}

}  // namespace
}  // namespace storvane
