// A test build of the program over the simulated store: the same windows and threads, with drives and
// files that carry streams made in memory, so that the program shows real results under Wine (which
// has no alternate data streams). The store's drives (C:, D:, F:) are the only ones the program
// sees and scans; every other path goes to the real file functions, so streams saved into a folder
// of another drive (Wine's Z:, which shows the whole Linux file system) are real files on the disk.
// Given "/scan", it scans every drive as soon as the window shows; given "/hold" too, the scan stops
// for good at the third file's stream listing, so that it is still running, busy state and all,
// whenever the window is closed.

#include "app/Program.h"
#include "app/StoreDemoFixture.h"
#include "platform/RoutedFileServices.h"
#include "platform/store/SimStore.h"
#include "platform/win32/Win32FileServices.h"
#include "ui/main/UntMain.h"

#include <cwchar>

#include <windows.h>

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR commandLine, int /*show*/) {
    try {
        plat::store::TSimStore store;
        fillStoreDemo(store);
        const bool scanAtOnce = commandLine != nullptr && std::wcsstr(commandLine, L"/scan") != nullptr;
        if (commandLine != nullptr && std::wcsstr(commandLine, L"/hold") != nullptr) {
            store.beforeCall(plat::store::TCall::FindFirstStreamW, 3, [] { Sleep(INFINITE); });
        }
        plat::TWin32FileServices disk;
        plat::TRoutedFileServices files(store, disk);
        return runProgram(files, [scanAtOnce](TFrmMain& main) {
            if (scanAtOnce) {
                main.runScan(smFull, L"", L"*.*", true, 30, false);
            }
        });
    } catch (...) {
        return 1;
    }
}
