// The support layer's mapper on our probe DLLs and on the carried skin-UI library.
#include "uilib/image_mapper.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "exui_api.h"
#include "probe_image_test.h"
#include "uilib/carried_library.h"
#include "uilib/function_cast.h"
#include "util/handles.h"

namespace storvane::uilib {
namespace {

using namespace test;

// Unmaps at scope end, so a failed assertion does not leave the image for the next test.
struct MappedProbe {
  HMODULE module;
  ~MappedProbe() {
    if (module != nullptr) ReleaseMappedImage(module);
  }
};

std::size_t SizeOfImage(HMODULE module) {
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(module);
  return reinterpret_cast<const IMAGE_NT_HEADERS*>(reinterpret_cast<const std::uint8_t*>(module) + dos->e_lfanew)
      ->OptionalHeader.SizeOfImage;
}

const IMAGE_SECTION_HEADER* FindSection(HMODULE module, const char* name) {
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(module);
  const auto* nt =
      reinterpret_cast<const IMAGE_NT_HEADERS*>(reinterpret_cast<const std::uint8_t*>(module) + dos->e_lfanew);
  const IMAGE_SECTION_HEADER* sections = IMAGE_FIRST_SECTION(nt);
  for (unsigned i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
    if (std::strncmp(reinterpret_cast<const char*>(sections[i].Name), name, IMAGE_SIZEOF_SHORT_NAME) == 0)
      return &sections[i];
  }
  return nullptr;
}

DWORD ProtectionAt(const void* address) {
  MEMORY_BASIC_INFORMATION info{};
  ::VirtualQuery(address, &info, sizeof(info));
  return info.Protect;
}

class SupportMapperTest : public test::ProbeImageTest {};

TEST_F(SupportMapperTest, RunsTlsCallbacksBeforeTheEntryPointAndBothOnRelease) {
  HMODULE module = MapImageFromMemory(probe_.data(), probe_.size());
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(ProbeEvents(), (std::vector<std::string>{"tls-attach", "main-attach"}));
  EXPECT_FALSE(NothingAllocatedAt(reinterpret_cast<std::uintptr_t>(module)));
#if defined(_WIN64)
  const FARPROC code = LookupMappedExport(module, "ProbeAdd");
  EXPECT_TRUE(UnwindDataKnown(code));
#endif
  ProbeEvents().clear();
  EXPECT_TRUE(ReleaseMappedImage(module));
  EXPECT_EQ(ProbeEvents(), (std::vector<std::string>{"tls-detach", "main-detach"}));
#if defined(_WIN64)
  EXPECT_FALSE(UnwindDataKnown(code));  // the table went with the image
#endif
  EXPECT_TRUE(NothingAllocatedAt(reinterpret_cast<std::uintptr_t>(module)));
}

TEST_F(SupportMapperTest, LooksUpExportsByNameAndByOrdinal) {
  MappedProbe mapped{MapImageFromMemory(probe_.data(), probe_.size())};
  ASSERT_NE(mapped.module, nullptr);
  auto add = FunctionCast<AddFn>(LookupMappedExport(mapped.module, "ProbeAdd"));
  ASSERT_NE(add, nullptr);
  EXPECT_EQ(add(2, 3), 5);
  // Ordinals were assigned out of name order: each name must still find its own function.
  EXPECT_EQ(FunctionCast<IntFn>(LookupMappedExport(mapped.module, "ProbeValue"))(), 42);
  EXPECT_EQ(LookupMappedExport(mapped.module, MAKEINTRESOURCEA(3)), FunctionCast<FARPROC>(add));
  auto unnamed = FunctionCast<IntFn>(LookupMappedExport(mapped.module, MAKEINTRESOURCEA(12)));
  ASSERT_NE(unnamed, nullptr);
  EXPECT_EQ(unnamed(), 11);
}

TEST_F(SupportMapperTest, MissingNamesOrdinalsOutOfRangeAndForwardersGiveNull) {
  MappedProbe mapped{MapImageFromMemory(probe_.data(), probe_.size())};
  ASSERT_NE(mapped.module, nullptr);
  EXPECT_EQ(LookupMappedExport(mapped.module, "ProbeMissing"), nullptr);
  EXPECT_EQ(LookupMappedExport(mapped.module, "probeadd"), nullptr);            // exact bytes only
  EXPECT_EQ(LookupMappedExport(mapped.module, "ProbeAd"), nullptr);             // no prefix match
  EXPECT_EQ(LookupMappedExport(mapped.module, MAKEINTRESOURCEA(1)), nullptr);   // below the base
  EXPECT_EQ(LookupMappedExport(mapped.module, MAKEINTRESOURCEA(14)), nullptr);  // past the table
  EXPECT_EQ(LookupMappedExport(mapped.module, MAKEINTRESOURCEA(8)), nullptr);   // unused slot
  EXPECT_EQ(LookupMappedExport(mapped.module, "ProbeTickCount"), nullptr);      // forwarded
  EXPECT_EQ(LookupMappedExport(mapped.module, MAKEINTRESOURCEA(9)), nullptr);
}

TEST_F(SupportMapperTest, RelocatesWhenThePreferredBaseIsTaken) {
  const std::uintptr_t preferred = PreferredBase(probe_);
  UniqueVirtualMemory squatter(::VirtualAlloc(reinterpret_cast<void*>(preferred), 0x10000, MEM_RESERVE, PAGE_NOACCESS));
  ASSERT_TRUE(squatter);
  MappedProbe mapped{MapImageFromMemory(probe_.data(), probe_.size())};
  ASSERT_NE(mapped.module, nullptr);
  const auto base = reinterpret_cast<std::uintptr_t>(mapped.module);
  EXPECT_NE(base, preferred);
  auto pointer = FunctionCast<PointerFn>(LookupMappedExport(mapped.module, "ProbePointer"));
  auto address = FunctionCast<PointerFn>(LookupMappedExport(mapped.module, "ProbeValueAddress"));
  ASSERT_TRUE(pointer && address);
  EXPECT_EQ(pointer(), address());
  const auto target = reinterpret_cast<std::uintptr_t>(pointer());
  EXPECT_GE(target, base);
  EXPECT_LT(target, base + SizeOfImage(mapped.module));
  EXPECT_EQ(*pointer(), 42);
}

TEST_F(SupportMapperTest, AnExceptionThrownInsideTheImageIsCaughtThere) {
  MappedProbe mapped{MapImageFromMemory(probe_.data(), probe_.size())};
  ASSERT_NE(mapped.module, nullptr);
  auto caught = FunctionCast<CatchFn>(LookupMappedExport(mapped.module, "ProbeCatch"));
  ASSERT_NE(caught, nullptr);
  EXPECT_EQ(caught(21), 42);
}

TEST_F(SupportMapperTest, GivesSectionsTheirOwnProtections) {
  MappedProbe mapped{MapImageFromMemory(probe_.data(), probe_.size())};
  ASSERT_NE(mapped.module, nullptr);
  const auto* base = reinterpret_cast<const std::uint8_t*>(mapped.module);
  const IMAGE_SECTION_HEADER* text = FindSection(mapped.module, ".text");
  const IMAGE_SECTION_HEADER* rdata = FindSection(mapped.module, ".rdata");
  const IMAGE_SECTION_HEADER* data = FindSection(mapped.module, ".data");
  ASSERT_TRUE(text && rdata && data);
  EXPECT_EQ(ProtectionAt(base + text->VirtualAddress), static_cast<DWORD>(PAGE_EXECUTE_READ));
  EXPECT_EQ(ProtectionAt(base + rdata->VirtualAddress), static_cast<DWORD>(PAGE_READONLY));
  EXPECT_EQ(ProtectionAt(base + data->VirtualAddress), static_cast<DWORD>(PAGE_READWRITE));
}

TEST_F(SupportMapperTest, ThreadLocalsOfTheImageWorkOnEveryThread) {
  MappedProbe mapped{MapImageFromMemory(probe_.data(), probe_.size())};
  ASSERT_NE(mapped.module, nullptr);
  auto next = FunctionCast<IntFn>(LookupMappedExport(mapped.module, "ProbeNextThreadValue"));
  ASSERT_NE(next, nullptr);
  EXPECT_EQ(next(), 7);
  EXPECT_EQ(next(), 8);
  int other = 0;
  std::thread([&] { other = next(); }).join();
  EXPECT_EQ(other, 7);
}

TEST_F(SupportMapperTest, AnEntryPointThatRefusesLeavesNothingMapped) {
  const std::vector<std::uint8_t> refusing = ReadBesideProgram("uilib_probe_refusing.dll");
  ASSERT_FALSE(refusing.empty());
  const std::size_t before = PrivateBytesInUse();
  EXPECT_EQ(MapImageFromMemory(refusing.data(), refusing.size()), nullptr);
  ExpectAttachedThenDetached();
  EXPECT_TRUE(NothingAllocatedAt(PreferredBase(refusing)));
  EXPECT_LT(PrivateBytesInUse(), before + 0x10000);
}

TEST_F(SupportMapperTest, AnImportThatDoesNotResolveFailsBeforeAnyCodeRuns) {
  const std::vector<std::uint8_t> missing = ReadBesideProgram("uilib_probe_missing.dll");
  ASSERT_FALSE(missing.empty());
  const std::size_t before = PrivateBytesInUse();
  EXPECT_EQ(MapImageFromMemory(missing.data(), missing.size()), nullptr);
  EXPECT_TRUE(ProbeEvents().empty());
  EXPECT_TRUE(NothingAllocatedAt(PreferredBase(missing)));
  EXPECT_LT(PrivateBytesInUse(), before + 0x10000);
}

TEST_F(SupportMapperTest, DamagedImagesFailCleanly) {
  const std::vector<std::vector<std::uint8_t>> damaged = test::DamagedCopies(probe_);
  const std::size_t before = PrivateBytesInUse();
  for (std::size_t i = 0; i < damaged.size(); ++i) {
    const test::Damage& damage = test::ImageDamages()[i];
    const std::vector<std::uint8_t>& broken = damaged[i];
    EXPECT_EQ(MapImageFromMemory(broken.data(), broken.size()), nullptr) << damage.name;
  }
  EXPECT_EQ(MapImageFromMemory(nullptr, 4096), nullptr);
  EXPECT_TRUE(ProbeEvents().empty());
  EXPECT_TRUE(NothingAllocatedAt(PreferredBase(probe_)));
  EXPECT_LT(PrivateBytesInUse(), before + 0x10000);
}

TEST(CarriedLibraryMapping, MapsRegistersAndReleasesTheRealLibrary) {
  const std::span<const std::uint8_t> carried = CarriedUiLibrary();
  ASSERT_FALSE(carried.empty());
  ASSERT_EQ(carried[0], 'M');
  ASSERT_EQ(carried[1], 'Z');
  MappedProbe mapped{MapImageFromMemory(carried.data(), carried.size())};
  ASSERT_NE(mapped.module, nullptr);
  auto call = FunctionCast<CallInternalFunction_Ex_t>(LookupMappedExport(mapped.module, "CallInternalFunction_Ex"));
  ASSERT_NE(call, nullptr);
  const auto handle = reinterpret_cast<ExuiValue>(mapped.module);  // whole, in a 64-bit build too
  EXPECT_EQ(call(EXUI_CMD_REGISTER, handle, 0, 0, EXUI_LIBRARY_VERSION), handle);
  EXPECT_EQ(call(EXUI_CMD_REGISTER, handle, 0, 0, 20200101), 0);
}

TEST(CarriedLibraryMapping, RelocatedCopyOfTheRealLibraryWorks) {
  const std::span<const std::uint8_t> carried = CarriedUiLibrary();
  ASSERT_FALSE(carried.empty());
  const std::vector<std::uint8_t> bytes(carried.begin(), carried.end());
  const std::uintptr_t preferred = PreferredBase(bytes);
  UniqueVirtualMemory squatter(::VirtualAlloc(reinterpret_cast<void*>(preferred), 0x10000, MEM_RESERVE, PAGE_NOACCESS));
  ASSERT_TRUE(squatter);
  MappedProbe mapped{MapImageFromMemory(carried.data(), carried.size())};
  ASSERT_NE(mapped.module, nullptr);
  EXPECT_NE(reinterpret_cast<std::uintptr_t>(mapped.module), preferred);
  // Byte buffers exercise the library's heap, globals and tables in the relocated copy.
  auto create = FunctionCast<CreateBinEx_t>(LookupMappedExport(mapped.module, "CreateBinEx"));
  auto length = FunctionCast<GetBinExDatalength_t>(LookupMappedExport(mapped.module, "GetBinExDatalength"));
  auto data = FunctionCast<GetBinExDataPointer_t>(LookupMappedExport(mapped.module, "GetBinExDataPointer"));
  auto destroy = FunctionCast<DeleteBinEx_t>(LookupMappedExport(mapped.module, "DeleteBinEx"));
  ASSERT_TRUE(create && length && data && destroy);
  const char text[] = "下载软件";
  const ExuiBin bin = create(text, sizeof(text));
  ASSERT_NE(bin, 0);
  EXPECT_EQ(length(bin), static_cast<std::int32_t>(sizeof(text)));
  EXPECT_EQ(std::memcmp(data(bin), text, sizeof(text)), 0);
  EXPECT_EQ(destroy(bin), 1);
}

}  // namespace
}  // namespace storvane::uilib
