#pragma once
// The process services over the real Windows functions.

#include "platform/ProcessServices.h"

namespace plat {

class TWin32ProcessServices final : public TProcessServices {
public:
    void ExitProcess(UINT exitCode) override;
};

} // namespace plat
