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
std::uintptr_t PreferredBase(const std::vector<std::uint8_t>& image);

// The machine number of the other architecture: 0x8664 in the 32-bit build, 0x14C in the 64-bit one.
std::uint16_t ForeignMachine();

}  // namespace storvane::uilib::test

namespace storvane::uilib::test {

// One way of damaging a valid image.
struct Damage {
  const char* name;
  void (*apply)(std::vector<std::uint8_t>& image);
};

// Truncations, wrong signatures, the other architecture's machine ("foreign machine", all else
// intact), headers and raw data outside the bytes.
const std::vector<Damage>& ImageDamages();
// One damaged copy of `image` per entry of ImageDamages(), in that order. Made before a test
// measures memory, so the copies themselves do not count.
std::vector<std::vector<std::uint8_t>> DamagedCopies(const std::vector<std::uint8_t>& image);

}  // namespace storvane::uilib::test

namespace storvane::uilib::test {

// Loads the skin-UI library as start-up does (the carried copy through the support layer);
// true when it is there.
bool LoadLibraryAsStartUpDoes();

// Dispatches window messages until `done` holds or `timeoutMs` has passed; returns `done()`.
template <typename Predicate>
bool PumpUntil(Predicate done, unsigned timeoutMs = 5000) {
  const ULONGLONG end = ::GetTickCount64() + timeoutMs;
  MSG msg;
  while (!done()) {
    if (::GetTickCount64() > end) return false;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

void PumpFor(unsigned ms);

// Destroys a loaded window and takes away the quit request that the end of a window without a
// parent leaves behind (it would end the next message box or loop of the test program at once).
void CloseForGood(HWND window);

// Waits in another thread for a message box with `caption`, reads its text and presses
// `button`. Join() gives the text that was shown (empty when no box came).
class MessageBoxAnswerer {
public:
  MessageBoxAnswerer(const wchar_t* caption, int button);
  ~MessageBoxAnswerer();
  std::wstring Join();

private:
  struct State;
  State* state_;
};

}  // namespace storvane::uilib::test
