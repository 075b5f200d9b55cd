#pragma once
// The console tool `ombrolux`: its options and commands, over whatever services the entry point gives.

#include "platform/FileServices.h"

#include <cstdio>
#include <string>
#include <vector>

namespace cli {

// Exit codes.
constexpr int kExitOk = 0;
constexpr int kExitSomeUnread = 1; // a target or a stream could not be read, or the run was stopped
constexpr int kExitUsage = 2;

struct TConsole {
    // The system's own file services, for folders and drives; null where only images are scanned.
    plat::TFileServices* liveFiles = nullptr;
    // Whether the process runs as an administrator (raw volumes can be opened): --direct needs it.
    bool administrator = false;
    std::FILE* out = stdout;
    std::FILE* err = stderr;
    // Where delete reads its answer; it asks only when this is a terminal, and refuses otherwise
    // unless told --yes.
    std::FILE* in = stdin;
    bool inIsTerminal = false;
};

// args: the program's arguments after its name, in UTF-8. The services other than the file services
// (the shell's) are installed by the caller.
int runOmbrolux(const std::vector<std::string>& args, const TConsole& console);

} // namespace cli
