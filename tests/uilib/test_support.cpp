#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <iterator>
#include <thread>

#include "uilib/loader.h"
#include "uilib/locate.h"

// The probe DLLs look this up in the host program to report their TLS callbacks and entry
// point calls.
extern "C" __declspec(dllexport) void UilibProbeEvent(const char* what) {
  storvane::uilib::test::ProbeEvents().emplace_back(what);
}

namespace storvane::uilib::test {

std::vector<std::string>& ProbeEvents() {
  static std::vector<std::string> events;
  return events;
}

void ExpectAttachedThenDetached() {
  const std::vector<std::string>& events = ProbeEvents();
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[0], "tls-attach");
  EXPECT_EQ(events[1], "main-attach");
  EXPECT_EQ(std::count(events.begin() + 2, events.end(), "tls-detach"), 1);
  EXPECT_EQ(std::count(events.begin() + 2, events.end(), "main-detach"), 1);
}

std::string BesideProgram(const std::string& name) { return ProgramDirectory() + "\\" + name; }

std::vector<std::uint8_t> ReadBesideProgram(const std::string& name) {
  std::ifstream in(BesideProgram(name), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::size_t PrivateBytesInUse() {
  std::size_t total = 0;
  MEMORY_BASIC_INFORMATION info;
  for (auto* address = static_cast<std::uint8_t*>(nullptr);
       ::VirtualQuery(address, &info, sizeof(info)) == sizeof(info);
       address = static_cast<std::uint8_t*>(info.BaseAddress) + info.RegionSize) {
    if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += info.RegionSize;
    if (static_cast<std::uint8_t*>(info.BaseAddress) + info.RegionSize < address) break;
  }
  return total;
}

bool NothingAllocatedAt(std::uintptr_t address) {
  MEMORY_BASIC_INFORMATION info;
  if (::VirtualQuery(reinterpret_cast<void*>(address), &info, sizeof(info)) != sizeof(info)) return false;
  if (info.State == MEM_FREE) return true;
  return info.State == MEM_RESERVE && info.AllocationBase != reinterpret_cast<void*>(address);
}

std::uintptr_t PreferredBase(const std::vector<std::uint8_t>& image) {
  if (image.size() < sizeof(IMAGE_DOS_HEADER)) return 0;
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
  if (static_cast<std::size_t>(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS) > image.size()) return 0;
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(image.data() + dos->e_lfanew);
  return static_cast<std::uintptr_t>(nt->OptionalHeader.ImageBase);
}

std::uint16_t ForeignMachine() { return sizeof(void*) == 8 ? IMAGE_FILE_MACHINE_I386 : IMAGE_FILE_MACHINE_AMD64; }

}  // namespace storvane::uilib::test

namespace storvane::uilib::test {
namespace {

IMAGE_NT_HEADERS* Nt(std::vector<std::uint8_t>& image) {
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(image.data());
  return reinterpret_cast<IMAGE_NT_HEADERS*>(image.data() + dos->e_lfanew);
}

IMAGE_SECTION_HEADER* Sections(std::vector<std::uint8_t>& image) { return IMAGE_FIRST_SECTION(Nt(image)); }

}  // namespace

const std::vector<Damage>& ImageDamages() {
  static const std::vector<Damage> damages = {
      {"empty", [](std::vector<std::uint8_t>& i) { i.clear(); }},
      {"63 bytes", [](std::vector<std::uint8_t>& i) { i.resize(63); }},
      {"cut inside the PE header",
       [](std::vector<std::uint8_t>& i) { i.resize(reinterpret_cast<IMAGE_DOS_HEADER*>(i.data())->e_lfanew + 100); }},
      {"cut inside the last section", [](std::vector<std::uint8_t>& i) { i.resize(i.size() - 100); }},
      {"no MZ", [](std::vector<std::uint8_t>& i) { i[0] = 'X'; }},
      {"no PE signature", [](std::vector<std::uint8_t>& i) { Nt(i)->Signature = 0x00005850; }},
      {"foreign machine", [](std::vector<std::uint8_t>& i) { Nt(i)->FileHeader.Machine = ForeignMachine(); }},
      {"PE header offset past the end",
       [](std::vector<std::uint8_t>& i) {
         reinterpret_cast<IMAGE_DOS_HEADER*>(i.data())->e_lfanew = static_cast<LONG>(i.size() - 8);
       }},
      {"section table past the end", [](std::vector<std::uint8_t>& i) { Nt(i)->FileHeader.NumberOfSections = 0xFFFF; }},
      {"raw data offset past the end",
       [](std::vector<std::uint8_t>& i) { Sections(i)[0].PointerToRawData = static_cast<DWORD>(i.size()); }},
      {"raw data size past the end", [](std::vector<std::uint8_t>& i) { Sections(i)[1].SizeOfRawData = 0x7FFFFFF0; }},
  };
  return damages;
}

std::vector<std::vector<std::uint8_t>> DamagedCopies(const std::vector<std::uint8_t>& image) {
  std::vector<std::vector<std::uint8_t>> copies;
  for (const Damage& damage : ImageDamages()) {
    copies.push_back(image);
    damage.apply(copies.back());
  }
  return copies;
}

}  // namespace storvane::uilib::test

namespace storvane::uilib::test {

bool LoadLibraryAsStartUpDoes() { return LoadUiLibrary({}, {}, &LocateUiLibrary) != nullptr; }

void PumpFor(unsigned ms) {
  const ULONGLONG end = ::GetTickCount64() + ms;
  PumpUntil([&] { return ::GetTickCount64() >= end; }, ms + 1000);
}

namespace {

BOOL CALLBACK TakeStaticText(HWND child, LPARAM found) {
  wchar_t className[32] = {}, text[512] = {};
  ::GetClassNameW(child, className, 32);
  ::GetWindowTextW(child, text, 512);
  if (::lstrcmpiW(className, L"Static") != 0 || text[0] == L'\0') return TRUE;
  *reinterpret_cast<std::wstring*>(found) = text;
  return FALSE;
}

}  // namespace

void CloseForGood(HWND window) {
  if (window != nullptr) ::DestroyWindow(window);
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

struct MessageBoxAnswerer::State {
  std::wstring caption;
  int button;
  std::wstring text;
  std::atomic<bool> stop{false};
  std::thread thread;
};

MessageBoxAnswerer::MessageBoxAnswerer(const wchar_t* caption, int button) : state_(new State) {
  state_->caption = caption;
  state_->button = button;
  State* state = state_;
  state_->thread = std::thread([state] {
    for (int i = 0; i < 1000 && !state->stop; ++i) {
      HWND box = ::FindWindowW(L"#32770", state->caption.c_str());
      if (box != nullptr && ::IsWindowVisible(box)) {
        // The text is the box's one static control that has any; wait until it is there.
        std::wstring text;
        ::EnumChildWindows(box, &TakeStaticText, reinterpret_cast<LPARAM>(&text));
        if (!text.empty()) {
          state->text = text;
          ::SendMessageW(::GetDlgItem(box, state->button), BM_CLICK, 0, 0);
          return;
        }
      }
      ::Sleep(10);
    }
  });
}

MessageBoxAnswerer::~MessageBoxAnswerer() {
  Join();
  delete state_;
}

std::wstring MessageBoxAnswerer::Join() {
  state_->stop = true;
  if (state_->thread.joinable()) state_->thread.join();
  return state_->text;
}

}  // namespace storvane::uilib::test
