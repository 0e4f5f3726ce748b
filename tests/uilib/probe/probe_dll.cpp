// A small DLL whose behaviour the mapper tests can observe: it reports its TLS callback and
// entry point calls to the host program, holds a pointer that only a relocation makes right,
// exports under hand-assigned ordinals, forwards one export to the system and throws a C++
// exception inside itself.
#include <windows.h>

#include <cstdint>

namespace {

int g_value = 42;
int* g_pointer = &g_value;  // absolute address in the image: needs a relocation when moved
thread_local int t_counter = 7;

// The host program exports UilibProbeEvent; the probe tells it what happens to the image.
void Report(const char* what) {
  using EventSink = void (*)(const char*);
  auto sink = reinterpret_cast<EventSink>(
      reinterpret_cast<void (*)()>(::GetProcAddress(::GetModuleHandleW(nullptr), "UilibProbeEvent")));
  if (sink != nullptr) sink(what);
}

struct ProbeError {
  int value;
};

// Out of line, so the exception leaves a frame of its own before it is caught.
__attribute__((noinline)) void ThrowProbeError(int value) { throw ProbeError{value}; }

void NTAPI ProbeTlsCallback(PVOID, DWORD reason, PVOID) {
  if (reason == DLL_PROCESS_ATTACH) Report("tls-attach");
  if (reason == DLL_PROCESS_DETACH) Report("tls-detach");
}

}  // namespace

// The C runtime collects the callbacks of the sections .CRT$XLA to .CRT$XLZ into the TLS directory.
extern "C" {
__attribute__((used, section(".CRT$XLB"))) PIMAGE_TLS_CALLBACK uilib_probe_tls_callback = ProbeTlsCallback;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    Report("main-attach");
#ifdef PROBE_REFUSE_ATTACH
    return FALSE;
#endif
  }
  if (reason == DLL_PROCESS_DETACH) Report("main-detach");
  return TRUE;
}

#ifdef PROBE_MISSING_IMPORT
// Declared by an import library that promises it; the helper DLL does not export it.
extern "C" __declspec(dllimport) int __stdcall HelperAbsent(int value);
#endif

extern "C" {

int __stdcall ProbeValue() { return g_value; }
int* __stdcall ProbePointer() { return g_pointer; }
int* __stdcall ProbeValueAddress() { return &g_value; }
#ifdef PROBE_MISSING_IMPORT
int __stdcall ProbeAdd(int a, int b) { return HelperAbsent(a) + b; }
#else
int __stdcall ProbeAdd(int a, int b) { return a + b; }
#endif
int __stdcall ProbeNextThreadValue() { return t_counter++; }
int __stdcall ProbeUnnamed() { return 11; }

// Gives back what the handler caught: only an image whose unwind data the system can find gets
// there (otherwise the throw ends the process).
int __stdcall ProbeCatch(int value) {
  try {
    ThrowProbeError(value * 2);
  } catch (const ProbeError& error) {
    return error.value;
  }
  return -1;
}

// Registration in the manner of the skin-UI library: code 2008 accepts version 20210218 and 0
// and answers with the module handle; everything else is refused. Arguments and result are
// pointer-sized, as the library's, so a 64-bit module handle comes back whole.
intptr_t __stdcall CallInternalFunction_Ex(int32_t code, intptr_t a, intptr_t, intptr_t, intptr_t d) {
  if (code == 2008) {
    Report(d == 20210218 ? "register-20210218" : d == 0 ? "register-0" : "register-other");
    return d == 20210218 || d == 0 ? a : 0;
  }
  return 0;
}

int32_t __stdcall CreateControl_WindowEx() { return 0; }
int32_t __stdcall LoadImageEx() { return 0; }

}  // extern "C"
