#pragma once
// USB tests: the real kbpusb freshly loaded as "KBPUSB.DLL", and checks that
// every search left nothing behind.
#include "kbpusb_on_sim.h"
#include "sim_test.h"

class UsbTest : public SimTest {
protected:
    static constexpr std::uint16_t kVendor = 0x053A;
    static constexpr std::uint16_t kOtherVendor = 0x845E;

    UsbTest() { kbp_test::install_kbpusb(); }

    sim::HidDevice& keyboard_on_usb(std::uint16_t report_length = 9) {
        return sim::hid().attach(kVendor, report_length, &keyboard);
    }

    void TearDown() override {
        const sim::Hid& h = sim::hid();
        EXPECT_EQ(h.faulty_calls, 0u);
        EXPECT_EQ(h.sets_made, h.sets_destroyed) << "device-information set leaked";
        EXPECT_EQ(h.preparsed_taken, h.preparsed_freed) << "preparsed data leaked";
        EXPECT_EQ(sim::devices().stale_handle_uses, 0u);
        EXPECT_LE(sim::devices().open_count(), 1u) << "an interface that did not match stayed open";
    }
};
