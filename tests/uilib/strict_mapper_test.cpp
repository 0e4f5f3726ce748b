// The program's own mapper: system routines found through the loaded-module list, stricter
// checks, the import resolver, and modules given back by name on failure and on release.
#include "uilib/strict_mapper.h"

#include <gtest/gtest.h>

#include "probe_image_test.h"
#include "uilib/function_cast.h"
#include "uilib/image_mapper.h"
#include "util/handles.h"

namespace storvane::uilib {
namespace {

using namespace test;

struct StrictProbe {
  HMODULE module;
  ~StrictProbe() {
    if (module != nullptr) ReleaseImageStrict(module);
  }
};

TEST(FindLoadedSystemModule, FindsKernel32WhateverTheCaseOfItsName) {
  HMODULE expected = ::GetModuleHandleW(L"kernel32.dll");
  ASSERT_NE(expected, nullptr);
  EXPECT_EQ(FindLoadedSystemModule(L"kernel32.dll"), expected);
  EXPECT_EQ(FindLoadedSystemModule(L"KERNEL32.DLL"), expected);
  EXPECT_EQ(FindLoadedSystemModule(L"Kernel32.Dll"), expected);
  EXPECT_EQ(FindLoadedSystemModule(L"kernel32"), nullptr);
  EXPECT_EQ(FindLoadedSystemModule(L"uilib_never_loaded.dll"), nullptr);
}

TEST(LookupExportInModule, AgreesWithTheSystemLoader) {
  HMODULE kernel = FindLoadedSystemModule(L"kernel32.dll");
  ASSERT_NE(kernel, nullptr);
  for (const char* name : {"LoadLibraryA", "FreeLibrary", "GetProcAddress", "GetModuleHandleA", "VirtualAlloc",
                           "VirtualFree", "GetTickCount"}) {
    EXPECT_EQ(LookupExportInModule(kernel, name), ::GetProcAddress(kernel, name)) << name;
  }
  EXPECT_EQ(LookupExportInModule(kernel, "NoSuchExportAnywhere"), nullptr);
  EXPECT_EQ(LookupExportInModule(kernel, nullptr), nullptr);
}

class StrictMapperTest : public test::ProbeImageTest {};

TEST_F(StrictMapperTest, MapsRunsTlsCallbacksAndEntryPointAndReleases) {
  HMODULE module = MapImageStrict(probe_.data(), probe_.size());
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(ProbeEvents(), (std::vector<std::string>{"tls-attach", "main-attach"}));
  auto add = FunctionCast<AddFn>(LookupMappedExport(module, "ProbeAdd"));
  ASSERT_NE(add, nullptr);
  EXPECT_EQ(add(20, 22), 42);
  EXPECT_FALSE(NothingAllocatedAt(reinterpret_cast<std::uintptr_t>(module)));
#if defined(_WIN64)
  EXPECT_TRUE(UnwindDataKnown(FunctionCast<FARPROC>(add)));
#endif
  ProbeEvents().clear();
  EXPECT_TRUE(ReleaseImageStrict(module));
  EXPECT_EQ(ProbeEvents(), (std::vector<std::string>{"tls-detach", "main-detach"}));
#if defined(_WIN64)
  EXPECT_FALSE(UnwindDataKnown(FunctionCast<FARPROC>(add)));  // the table went with the image
#endif
  EXPECT_TRUE(NothingAllocatedAt(reinterpret_cast<std::uintptr_t>(module)));
}

TEST_F(StrictMapperTest, NameLookupFollowsTheOrdinalTableNotTheNameOrder) {
  StrictProbe mapped{MapImageStrict(probe_.data(), probe_.size())};
  ASSERT_NE(mapped.module, nullptr);
  // Names are sorted, ordinals were assigned by hand: a lookup that paired the i-th name with
  // the i-th function would call the wrong routine here.
  auto value = FunctionCast<IntFn>(LookupMappedExport(mapped.module, "ProbeValue"));
  auto pointer = FunctionCast<PointerFn>(LookupMappedExport(mapped.module, "ProbePointer"));
  auto address = FunctionCast<PointerFn>(LookupMappedExport(mapped.module, "ProbeValueAddress"));
  ASSERT_TRUE(value && pointer && address);
  EXPECT_EQ(value(), 42);
  EXPECT_EQ(pointer(), address());
  EXPECT_EQ(LookupMappedExport(mapped.module, MAKEINTRESOURCEA(7)), FunctionCast<FARPROC>(value));
  EXPECT_EQ(LookupMappedExport(mapped.module, "ProbeTickCount"), nullptr);  // forwarded
  EXPECT_EQ(LookupMappedExport(mapped.module, "ProbeMissing"), nullptr);
}

TEST_F(StrictMapperTest, RelocatesWhenThePreferredBaseIsTaken) {
  UniqueVirtualMemory squatter(
      ::VirtualAlloc(reinterpret_cast<void*>(PreferredBase(probe_)), 0x10000, MEM_RESERVE, PAGE_NOACCESS));
  ASSERT_TRUE(squatter);
  StrictProbe mapped{MapImageStrict(probe_.data(), probe_.size())};
  ASSERT_NE(mapped.module, nullptr);
  EXPECT_NE(reinterpret_cast<std::uintptr_t>(mapped.module), PreferredBase(probe_));
  auto pointer = FunctionCast<PointerFn>(LookupMappedExport(mapped.module, "ProbePointer"));
  auto address = FunctionCast<PointerFn>(LookupMappedExport(mapped.module, "ProbeValueAddress"));
  ASSERT_TRUE(pointer && address);
  EXPECT_EQ(pointer(), address());
  EXPECT_EQ(*pointer(), 42);
}

TEST_F(StrictMapperTest, AnExceptionThrownInsideTheImageIsCaughtThereInEachCopy) {
  StrictProbe atHome{MapImageStrict(probe_.data(), probe_.size())};
  ASSERT_NE(atHome.module, nullptr);
  // The first copy holds the preferred base, so the second one is relocated: each copy's tables
  // must be known for its own addresses.
  StrictProbe moved{MapImageStrict(probe_.data(), probe_.size())};
  ASSERT_NE(moved.module, nullptr);
  for (HMODULE module : {atHome.module, moved.module}) {
    auto caught = FunctionCast<CatchFn>(LookupMappedExport(module, "ProbeCatch"));
    ASSERT_NE(caught, nullptr);
    EXPECT_EQ(caught(21), 42);
  }
}

struct ResolverCall {
  std::string module;
  std::string name;
  std::uintptr_t user = 0;
};

int __stdcall StandInForAbsent(int value) { return value * 100; }

FARPROC SupplyAbsent(const char* module, const char* nameOrOrdinal, bool byOrdinal, std::uintptr_t user) {
  if (byOrdinal) return nullptr;
  auto* calls = reinterpret_cast<std::vector<ResolverCall>*>(user);
  calls->push_back({module, nameOrOrdinal, user});
  if (std::string_view(nameOrOrdinal) == "HelperAbsent") return FunctionCast<FARPROC>(&StandInForAbsent);
  return nullptr;
}

TEST_F(StrictMapperTest, TheResolverIsAskedFirstAndFillsWhatTheSystemCannot) {
  const std::vector<std::uint8_t> missing = ReadBesideProgram("uilib_probe_missing.dll");
  ASSERT_FALSE(missing.empty());
  std::vector<ResolverCall> calls;
  StrictProbe mapped{
      MapImageStrict(missing.data(), missing.size(), &SupplyAbsent, reinterpret_cast<std::uintptr_t>(&calls))};
  ASSERT_NE(mapped.module, nullptr);
  auto add = FunctionCast<AddFn>(LookupMappedExport(mapped.module, "ProbeAdd"));
  ASSERT_NE(add, nullptr);
  EXPECT_EQ(add(2, 3), 203);
  bool askedForAbsent = false;
  for (const ResolverCall& call : calls) {
    EXPECT_EQ(call.user, reinterpret_cast<std::uintptr_t>(&calls));
    if (call.name == "HelperAbsent") {
      askedForAbsent = true;
      EXPECT_STRCASEEQ(call.module.c_str(), "uilib_helper.dll");
    }
  }
  EXPECT_TRUE(askedForAbsent);
  EXPECT_GT(calls.size(), 1u);  // every import is offered to it, not only the missing one
}

TEST_F(StrictMapperTest, AFailedImportGivesBackTheModulesItLoaded) {
  const std::vector<std::uint8_t> missing = ReadBesideProgram("uilib_probe_missing.dll");
  ASSERT_FALSE(missing.empty());
  ASSERT_EQ(::GetModuleHandleW(L"uilib_helper.dll"), nullptr);
  const std::size_t before = PrivateBytesInUse();
  EXPECT_EQ(MapImageStrict(missing.data(), missing.size()), nullptr);
  EXPECT_EQ(::GetModuleHandleW(L"uilib_helper.dll"), nullptr);
  EXPECT_TRUE(ProbeEvents().empty());
  EXPECT_TRUE(NothingAllocatedAt(PreferredBase(missing)));
  EXPECT_LT(PrivateBytesInUse(), before + 0x10000);
}

TEST_F(StrictMapperTest, ReleaseGivesBackImportedModules) {
  const std::vector<std::uint8_t> missing = ReadBesideProgram("uilib_probe_missing.dll");
  std::vector<ResolverCall> calls;
  HMODULE module =
      MapImageStrict(missing.data(), missing.size(), &SupplyAbsent, reinterpret_cast<std::uintptr_t>(&calls));
  ASSERT_NE(module, nullptr);
  EXPECT_NE(::GetModuleHandleW(L"uilib_helper.dll"), nullptr);
  EXPECT_TRUE(ReleaseImageStrict(module));
  EXPECT_EQ(::GetModuleHandleW(L"uilib_helper.dll"), nullptr);
}

TEST_F(StrictMapperTest, AnEntryPointThatRefusesLeavesNothing) {
  const std::vector<std::uint8_t> refusing = ReadBesideProgram("uilib_probe_refusing.dll");
  ASSERT_FALSE(refusing.empty());
  const std::size_t before = PrivateBytesInUse();
  EXPECT_EQ(MapImageStrict(refusing.data(), refusing.size()), nullptr);
  ExpectAttachedThenDetached();
  EXPECT_TRUE(NothingAllocatedAt(PreferredBase(refusing)));
  EXPECT_LT(PrivateBytesInUse(), before + 0x10000);
}

TEST_F(StrictMapperTest, DamagedImagesFailCleanly) {
  const std::vector<std::vector<std::uint8_t>> damaged = test::DamagedCopies(probe_);
  // Made before the measurement too: a copy of the larger 64-bit probe grows the heap.
  std::vector<std::uint8_t> notExecutable = probe_;
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(notExecutable.data() +
                                                 reinterpret_cast<IMAGE_DOS_HEADER*>(notExecutable.data())->e_lfanew);
  nt->FileHeader.Characteristics &= ~IMAGE_FILE_EXECUTABLE_IMAGE;
  const std::size_t before = PrivateBytesInUse();
  for (std::size_t i = 0; i < damaged.size(); ++i) {
    const test::Damage& damage = test::ImageDamages()[i];
    const std::vector<std::uint8_t>& broken = damaged[i];
    EXPECT_EQ(MapImageStrict(broken.data(), broken.size()), nullptr) << damage.name;
  }
  EXPECT_EQ(MapImageStrict(notExecutable.data(), notExecutable.size()), nullptr);
  EXPECT_TRUE(ProbeEvents().empty());
  EXPECT_TRUE(NothingAllocatedAt(PreferredBase(probe_)));
  EXPECT_LT(PrivateBytesInUse(), before + 0x10000);
}

}  // namespace
}  // namespace storvane::uilib
