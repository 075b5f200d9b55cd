#pragma once
// The fixture of the widget tests: the headless backend and widget services installed, and helpers
// to realise a control and reach its peer and painted surface.

#include "platform/headless/HeadlessBackend.h"
#include "platform/headless/HeadlessWidgets.h"
#include "toolkit/Control.h"
#include "toolkit/RasterExpect.h"

#include <gtest/gtest.h>

#include <stdexcept>

class WidgetTest : public testing::Test {
protected:
    void SetUp() override {
        plat::installControlBackend(&backend);
        plat::installWidgetServices(&widgets);
    }
    void TearDown() override {
        plat::installWidgetServices(nullptr);
        plat::installControlBackend(nullptr);
    }

    // Realises control at (0, 0) with the given size.
    static plat::headless::THeadlessPeer& realise(TControl& control, int width, int height) {
        control.setBounds(0, 0, width, height);
        control.createHandle();
        return peerOf(control);
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
    plat::headless::THeadlessWidgets widgets;
};
