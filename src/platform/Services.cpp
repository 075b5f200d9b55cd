#include "platform/FileServices.h"
#include "platform/ShellServices.h"

#include <cstdlib>

namespace plat {

namespace {
TFileServices* gFiles = nullptr;
thread_local TFileServices* tFiles = nullptr; // the calling thread's own, while a TThreadFileServices lives
TShellServices* gShell = nullptr;
} // namespace

TFileServices& files() {
    if (tFiles != nullptr) {
        return *tFiles;
    }
    if (gFiles == nullptr) {
        std::abort(); // installed at start-up; a missing install is a programming error
    }
    return *gFiles;
}

void installFileServices(TFileServices* services) {
    gFiles = services;
}

TThreadFileServices::TThreadFileServices(TFileServices& services) : FPrevious(tFiles) {
    tFiles = &services;
}

TThreadFileServices::~TThreadFileServices() {
    tFiles = FPrevious;
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
