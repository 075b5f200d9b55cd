// The console tool's entry point: the platform's services, the arguments in UTF-8, binary output.

#include "cli/Ombrolux.h"

#ifdef _WIN32
#include "platform/win32/Win32FileServices.h"
#include "platform/win32/Win32PrivilegeServices.h"
#include "system/UntKorvaneLib.h"
#include "platform/win32/Win32ShellServices.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

namespace {
std::string utf8(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) {
        return {};
    }
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    out.pop_back();
    return out;
}
} // namespace

int wmain(int argc, wchar_t** argv) {
    // Records are written as they are (CRLF where the format says so), never translated.
    _setmode(_fileno(stdout), _O_BINARY);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        args.push_back(utf8(argv[i]));
    }
    plat::TWin32FileServices files;
    plat::TWin32ShellServices shell;
    plat::installFileServices(&files);
    plat::installShellServices(&shell);
    plat::TWin32PrivilegeServices privilege;
    plat::installPrivilegeServices(&privilege);
    cli::TConsole console;
    console.liveFiles = &files;
    // A console, not just any character device: _isatty is true for NUL too, where delete would
    // ask and read nothing.
    DWORD inputMode = 0;
    console.inIsTerminal = GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &inputMode) != FALSE;
    console.administrator = isAdministrator();
    const int code = cli::runOmbrolux(args, console);
    plat::installPrivilegeServices(nullptr);
    plat::installShellServices(nullptr);
    plat::installFileServices(nullptr);
    return code;
}

#else
#include "platform/shell/TestShell.h"

#include <unistd.h>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    // Here the shell services only format previews and times: fixed formats, bytes as Latin-1.
    plat::TTestShell shell;
    plat::installShellServices(&shell);
    cli::TConsole console;
    console.inIsTerminal = isatty(fileno(stdin)) != 0;
    const int code = cli::runOmbrolux(args, console);
    plat::installShellServices(nullptr);
    return code;
}
#endif
