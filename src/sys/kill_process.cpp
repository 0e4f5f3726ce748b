#include "sys/kill_process.h"

#include <cstdlib>

#include "util/handles.h"

namespace storvane {

bool KillProcess(std::optional<DWORD> processId) {
  const DWORD id = processId.value_or(::GetCurrentProcessId());
  UniqueHandle process(::OpenProcess(PROCESS_TERMINATE, FALSE, id));
  if (!process) return false;
  // Success is the literal 1: any other non-zero value is not taken as success.
  return ::TerminateProcess(process.get(), 0) == 1;
}

void EndProgram() { std::exit(0); }

}  // namespace storvane
