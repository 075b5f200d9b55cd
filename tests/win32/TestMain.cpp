// Entry point of the Windows test executable (the program is built with -municode).
#include "platform/win32/Win32ShellServices.h"

#include <gtest/gtest.h>

int wmain(int argc, wchar_t** argv) {
    static plat::TWin32ShellServices shellServices;
    plat::installShellServices(&shellServices);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
