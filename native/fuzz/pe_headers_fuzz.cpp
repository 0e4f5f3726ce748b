// Damaged images for the skin-UI library's mappers. For headers the checks accept, everything
// the mappers then do with the file bytes must stay inside them, and what they copy must fit
// the allocation of MappedExtent bytes: the headers up to the end of the section table and each
// section's raw data at its virtual address. Both layouts (PE32 and PE32+) are checked on every
// input, as the two builds would.
#include <cstdint>

#include "fuzz_check.h"
#include "util/pe_headers.h"

namespace {

using namespace storvane::pe;

uint32_t U32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

ImageVerdict Check(const uint8_t* data, size_t size, uint16_t machine) {
  HeaderLayout layout;
  const ImageVerdict basic = CheckRawHeaders(data, size, machine, HeaderCheck::Basic, layout);
  HeaderLayout strictLayout;
  const ImageVerdict strict = CheckRawHeaders(data, size, machine, HeaderCheck::Strict, strictLayout);
  FUZZ_CHECK(strict != ImageVerdict::Accepted || basic == ImageVerdict::Accepted);  // strict adds checks only
  if (basic != ImageVerdict::Accepted) return basic;

  FUZZ_CHECK(layout.machine == machine);
  const uint64_t tableEnd = layout.sectionTable + uint64_t{layout.sectionCount} * kSectionHeaderSize;
  FUZZ_CHECK(layout.ntOffset + NtHeadersSize(machine) <= size && tableEnd <= size);
  const uint64_t extent = MappedExtentOf(data, layout);
  const uint32_t sizeOfImage = U32(data + layout.ntOffset + kOptionalHeaderOffset + 56);
  FUZZ_CHECK(extent >= sizeOfImage && extent <= UINT32_MAX);  // a size_t even in the 32-bit build
  FUZZ_CHECK(tableEnd <= extent);                             // the header copy fits
  for (unsigned i = 0; i < layout.sectionCount; ++i) {
    const uint8_t* s = data + layout.sectionTable + uint64_t{i} * kSectionHeaderSize;
    const uint32_t virtualAddress = U32(s + 12), rawSize = U32(s + 16), rawPointer = U32(s + 20);
    if (rawSize == 0) continue;
    FUZZ_CHECK(uint64_t{rawPointer} + rawSize <= size);        // read from the file bytes
    FUZZ_CHECK(uint64_t{virtualAddress} + rawSize <= extent);  // written into the allocation
  }
  return basic;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // libFuzzer hands over a heap block of exactly `size` bytes: a read past it is reported.
  const ImageVerdict as32 = Check(data, size, kMachineI386);
  const ImageVerdict as64 = Check(data, size, kMachineAmd64);
  // One machine field: at most one of the builds calls it foreign, and never both accept it.
  FUZZ_CHECK(!(as32 == ImageVerdict::ForeignMachine && as64 == ImageVerdict::ForeignMachine));
  FUZZ_CHECK(!(as32 == ImageVerdict::Accepted && as64 == ImageVerdict::Accepted));
  return 0;
}
