#include "platform/win32/Win32Gdi.h"

#include <atomic>

#include <windows.h>

namespace plat::win32 {

namespace {
std::atomic<int> gLiveObjects{0};
} // namespace

void TGdiObjectTraits::close(value_type object) {
    if (DeleteObject(static_cast<HGDIOBJ>(object))) {
        --gLiveObjects;
    }
}

void TMemoryDcTraits::close(value_type dc) {
    DeleteDC(static_cast<HDC>(dc));
}

TGdiObject adoptGdiObject(void* object) {
    if (object != nullptr) {
        ++gLiveObjects;
    }
    return TGdiObject(object);
}

int liveGdiObjects() {
    return gLiveObjects.load();
}

TSelectGuard::TSelectGuard(void* dc, void* object)
    : FDc(dc), FPrevious(SelectObject(static_cast<HDC>(dc), static_cast<HGDIOBJ>(object))) {}

TSelectGuard::~TSelectGuard() {
    if (FPrevious != nullptr && FPrevious != HGDI_ERROR) {
        SelectObject(static_cast<HDC>(FDc), static_cast<HGDIOBJ>(FPrevious));
    }
}

} // namespace plat::win32
