#include "platform/ControlBackend.h"

namespace plat {

namespace {
TControlBackend* gBackend = nullptr;
} // namespace

TControlBackend* controlBackend() {
    return gBackend;
}

void installControlBackend(TControlBackend* backend) {
    gBackend = backend;
}

} // namespace plat
