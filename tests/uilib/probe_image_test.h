// Shared by the tests of the two image mappers: the probe DLL's export signatures and a fixture
// that holds the probe's bytes, with the probes' event log cleared.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "test_support.h"

namespace storvane::uilib::test {

using IntFn = int(__stdcall*)();
using AddFn = int(__stdcall*)(int, int);
using PointerFn = int*(__stdcall*)();
using CatchFn = int(__stdcall*)(int);

#if defined(_WIN64)
// Whether the system's unwinder finds unwind data for `code`, as it must for a mapped image's
// code while the image is mapped (and must not after: the table is gone with the memory).
inline bool UnwindDataKnown(FARPROC code) {
  DWORD64 imageBase = 0;
  return ::RtlLookupFunctionEntry(reinterpret_cast<DWORD64>(code), &imageBase, nullptr) != nullptr;
}
#endif

class ProbeImageTest : public ::testing::Test {
protected:
  void SetUp() override {
    probe_ = ReadBesideProgram("uilib_probe.dll");
    ASSERT_FALSE(probe_.empty());
    ProbeEvents().clear();
  }
  std::vector<std::uint8_t> probe_;
};

}  // namespace storvane::uilib::test
