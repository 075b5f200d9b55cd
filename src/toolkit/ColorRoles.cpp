#include "toolkit/ColorRoles.h"

#include "platform/WidgetServices.h"

bool highContrast() {
    return plat::systemColors().highContrast;
}

TColor roleColor(TColorRole role, TColor own) {
    const plat::TSystemColors system = plat::systemColors();
    if (!system.highContrast) {
        return own;
    }
    switch (role) {
    case TColorRole::text:
        return system.windowText;
    case TColorRole::window:
        return system.window;
    case TColorRole::highlight:
        return system.highlight;
    case TColorRole::highlightText:
        return system.highlightText;
    case TColorRole::buttonFace:
        return system.buttonFace;
    case TColorRole::buttonText:
        return system.buttonText;
    case TColorRole::grayText:
        return system.grayText;
    }
    return own;
}
