#include "platform/FileServices.h"
#include "platform/ShellServices.h"

#include <cstdlib>

namespace plat {

namespace {
TFileServices* gFiles = nullptr;
TShellServices* gShell = nullptr;
} // namespace

TFileServices& files() {
    if (gFiles == nullptr) {
        std::abort(); // installed at start-up; a missing install is a programming error
    }
    return *gFiles;
}

void installFileServices(TFileServices* services) {
    gFiles = services;
}

TShellServices& shell() {
    if (gShell == nullptr) {
        std::abort();
    }
    return *gShell;
}

void installShellServices(TShellServices* services) {
    gShell = services;
}

} // namespace plat
