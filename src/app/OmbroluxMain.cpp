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

namespace {

// A preview's bytes as a Western Windows shows them (code page 1252), so that the same stream
// previews alike on Linux and Windows: 0x80-0x9F are letters and signs there, not Latin-1's control
// codes. The five codes 1252 leaves unassigned keep their own value, as Windows gives them.
class TConsoleShell final : public plat::TTestShell {
public:
    std::wstring ansiToWide(const plat::BYTE* bytes, std::size_t count) override {
        static const wchar_t k80to9F[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                            0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                            0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                            0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
        std::wstring text = plat::TTestShell::ansiToWide(bytes, count);
        for (wchar_t& c : text) {
            if (c >= 0x80 && c <= 0x9F) {
                c = k80to9F[c - 0x80];
            }
        }
        return text;
    }
};

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    // Here the shell services only format previews and times: fixed formats, bytes as code page 1252.
    TConsoleShell shell;
    plat::installShellServices(&shell);
    cli::TConsole console;
    console.inIsTerminal = isatty(fileno(stdin)) != 0;
    const int code = cli::runOmbrolux(args, console);
    plat::installShellServices(nullptr);
    return code;
}
#endif
