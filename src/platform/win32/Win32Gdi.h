#pragma once
// Owners of the GDI objects and memory device contexts the toolkit makes, and the guard that puts
// back what a drawing selected into a device context. Handles are kept as void*, so this header
// needs no <windows.h>.

#include "platform/Owned.h"

namespace plat::win32 {

// A pen, brush, font or bitmap made by the toolkit: DeleteObject releases it.
struct TGdiObjectTraits {
    using value_type = void*;
    static value_type invalid() { return nullptr; }
    static void close(value_type object);
};

// A memory device context made with CreateCompatibleDC: DeleteDC releases it.
struct TMemoryDcTraits {
    using value_type = void*;
    static value_type invalid() { return nullptr; }
    static void close(value_type dc);
};

using TGdiObject = TOwned<TGdiObjectTraits>;
using TMemoryDc = TOwned<TMemoryDcTraits>;

// Takes ownership of a GDI object just made (null when making it failed) and counts it.
TGdiObject adoptGdiObject(void* object);

// How many GDI objects the toolkit holds at the moment: made through adoptGdiObject and not yet
// released. Bitmaps, pens, brushes and fonts; device contexts are not counted.
int liveGdiObjects();

// Selects object into dc for a scope and selects the previous object back at its end, so that a
// drawing leaves the device context as it found it and every object it made can be released.
class TSelectGuard {
public:
    TSelectGuard(void* dc, void* object);
    ~TSelectGuard();
    TSelectGuard(const TSelectGuard&) = delete;
    TSelectGuard& operator=(const TSelectGuard&) = delete;

private:
    void* FDc;
    void* FPrevious;
};

} // namespace plat::win32
