#pragma once
// The fixture of the styled-control tests: the headless backend installed, and helpers to realise
// a control and reach its peer and its painted surface.

#include "platform/headless/HeadlessBackend.h"
#include "toolkit/Control.h"
#include "toolkit/RasterExpect.h"

#include <gtest/gtest.h>

#include <stdexcept>

class StyledTest : public testing::Test {
protected:
    void SetUp() override { plat::installControlBackend(&backend); }
    void TearDown() override { plat::installControlBackend(nullptr); }

    // Realises control at (0, 0) with the given size, with no repaint pending.
    static plat::headless::THeadlessPeer& realise(TControl& control, int width, int height) {
        control.setBounds(0, 0, width, height);
        control.createHandle();
        plat::headless::THeadlessPeer& peer = peerOf(control);
        peer.resetCounts();
        return peer;
    }
    static plat::headless::THeadlessPeer& peerOf(const TControl& control) {
        plat::headless::THeadlessPeer* peer = plat::headless::headlessPeer(control.peer());
        if (peer == nullptr) {
            throw std::logic_error("control not realised");
        }
        return *peer;
    }
    // Paints control now and answers its surface.
    static plat::headless::TRasterCanvas& painted(TControl& control) {
        control.paintNow();
        return peerOf(control).surface();
    }

    plat::headless::THeadlessBackend backend;
};
