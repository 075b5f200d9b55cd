#include "platform/ClipboardServices.h"

#include <cstdlib>

namespace plat {

namespace {
TClipboardServices* gClipboard = nullptr;
} // namespace

TClipboardServices& clipboard() {
    if (gClipboard == nullptr) {
        std::abort(); // installed at start-up; a missing install is a programming error
    }
    return *gClipboard;
}

TClipboardServices* clipboardServices() {
    return gClipboard;
}

void installClipboardServices(TClipboardServices* services) {
    gClipboard = services;
}

} // namespace plat
