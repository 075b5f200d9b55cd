#include "platform/DialogServices.h"

#include <cstdlib>

namespace plat {

namespace {
TDialogServices* gDialogs = nullptr;
} // namespace

TDialogServices& dialogs() {
    if (gDialogs == nullptr) {
        std::abort(); // installed at start-up; a missing install is a programming error
    }
    return *gDialogs;
}

void installDialogServices(TDialogServices* services) {
    gDialogs = services;
}

} // namespace plat
