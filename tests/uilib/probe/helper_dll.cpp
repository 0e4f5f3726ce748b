// Imported by the probe built with a missing import: it exists, but lacks what is asked of it.
#include <windows.h>

extern "C" __declspec(dllexport) int __stdcall HelperPresent(int value) { return value + 1; }
