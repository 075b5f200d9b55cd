#include "platform/WidgetServices.h"

namespace plat {

namespace {
TWidgetServices* gServices = nullptr;
} // namespace

TWidgetServices* widgetServices() {
    return gServices;
}

void installWidgetServices(TWidgetServices* services) {
    gServices = services;
}

TInputSettings inputSettings() {
    return gServices != nullptr ? gServices->inputSettings() : TInputSettings{};
}

TSystemColors systemColors() {
    return gServices != nullptr ? gServices->systemColors() : TSystemColors{};
}

} // namespace plat
