#pragma once
// Every native test starts on a fresh simulated PC with the library as just loaded.
#include <gtest/gtest.h>

#include "kbdsim/keyboard.h"
#include "kbpi32/api/library_state.h"
#include "platform/sim/sim.h"

class SimTest : public ::testing::Test {
protected:
    SimTest() {
        sim::reset();
        kbp::reset_library_state();
    }

    // A keyboard behind the keyboard controller.
    kbdsim::Keyboard& keyboard_on_controller() {
        sim::controller().keyboard = &keyboard;
        return keyboard;
    }

    kbdsim::Keyboard keyboard;
};
