// Shared helpers of the skin-UI library tests: the probe DLLs' event log, files beside the test
// program, and a view of the process's address space for leak checks.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace storvane::uilib::test {

// What the probe DLLs reported, in order ("tls-attach", "main-attach", ...).
std::vector<std::string>& ProbeEvents();

// Checks the probe's report of a refused attach: TLS callbacks and entry point attached, in
// that order, then each detached once (the C runtime detaches the entry point itself when it
// refuses, so the order of the two detaches is not fixed).
void ExpectAttachedThenDetached();

// Bytes of a file beside the test program (empty when missing).
std::vector<std::uint8_t> ReadBesideProgram(const std::string& name);
std::string BesideProgram(const std::string& name);

// Bytes of private memory committed in the process.
std::size_t PrivateBytesInUse();
// Whether no allocation of ours is at `address`: the page is free, or only part of a larger
// reservation that starts elsewhere (Wine keeps some address ranges reserved for itself and
// returns released memory to them).
bool NothingAllocatedAt(std::uintptr_t address);

// Preferred base of a DLL image held as bytes (0 when it is not one).
std::uint32_t PreferredBase(const std::vector<std::uint8_t>& image);

}  // namespace storvane::uilib::test

namespace storvane::uilib::test {

// One way of damaging a valid image.
struct Damage {
  const char* name;
  void (*apply)(std::vector<std::uint8_t>& image);
};

// Truncations, wrong signatures, a wrong machine, headers and raw data outside the bytes.
const std::vector<Damage>& ImageDamages();

}  // namespace storvane::uilib::test
