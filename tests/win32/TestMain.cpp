// Entry point of the Windows test executable (the program is built with -municode). It does the
// program's start-up steps before any test or thread runs and undoes them after the last one.
#include "platform/win32/Win32FileServices.h"
#include "platform/win32/Win32ShellServices.h"

#include <gtest/gtest.h>

int wmain(int argc, wchar_t** argv) {
    testing::InitGoogleTest(&argc, argv);

    // File services: loads kernel32 and looks up the optional functions once; frees it at the end.
    plat::TWin32FileServices fileServices;
    plat::installFileServices(&fileServices);

    // Shell services.
    plat::TWin32ShellServices shellServices;
    plat::installShellServices(&shellServices);

    const int result = RUN_ALL_TESTS();

    plat::installShellServices(nullptr);
    plat::installFileServices(nullptr);
    return result;
}
