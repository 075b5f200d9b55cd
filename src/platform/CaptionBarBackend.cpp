#include "platform/CaptionBarBackend.h"

namespace plat {

namespace {
TCaptionBarBackend* gBackend = nullptr;
} // namespace

TCaptionBarBackend* captionBarBackend() {
    return gBackend;
}

void installCaptionBarBackend(TCaptionBarBackend* backend) {
    gBackend = backend;
}

} // namespace plat
