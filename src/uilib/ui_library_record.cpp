#include "uilib/ui_library_record.h"

#include "uilib/function_cast.h"

namespace storvane::uilib {

UiLibraryRecord FileLibraryRecord(HMODULE module) {
  UiLibraryRecord record;
  record.module = module;
  record.fromMemory = 0;
  record.load = FunctionCast<FARPROC>(&::LoadLibraryW);
  record.lookup = &::GetProcAddress;
  record.release = &::FreeLibrary;
  return record;
}

}  // namespace storvane::uilib
