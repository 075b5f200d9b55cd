#include "platform/win32/Win32ProcessServices.h"

#include <windows.h>

namespace plat {

void TWin32ProcessServices::ExitProcess(UINT exitCode) {
    ::ExitProcess(exitCode);
}

} // namespace plat
