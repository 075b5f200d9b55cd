#include "platform/PrivilegeServices.h"
#include "platform/TrustServices.h"

#include <cstdlib>

namespace plat {

namespace {
TPrivilegeServices* gPrivilege = nullptr;
TTrustServices* gTrust = nullptr;
} // namespace

TPrivilegeServices& privilege() {
    if (gPrivilege == nullptr) {
        std::abort(); // installed at start-up; a missing install is a programming error
    }
    return *gPrivilege;
}

void installPrivilegeServices(TPrivilegeServices* services) {
    gPrivilege = services;
}

TTrustServices& trust() {
    if (gTrust == nullptr) {
        std::abort();
    }
    return *gTrust;
}

void installTrustServices(TTrustServices* services) {
    gTrust = services;
}

} // namespace plat
