// Entry point of storvane.exe. The launcher reads no command line.
#include <windows.h>

#include "app/startup.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return storvane::StartProgram(); }
