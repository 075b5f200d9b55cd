// Korvane ADS Ombrolux: the program's entry.

#include "app/Program.h"
#include "platform/win32/Win32FileServices.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int /*show*/) {
    try {
        // The start-up look-ups of the optional kernel32 functions; released when the program ends.
        plat::TWin32FileServices files;
        return runProgram(files, {});
    } catch (...) {
        // Nothing is left to show it in: the program ends as a failure.
        return 1;
    }
}
