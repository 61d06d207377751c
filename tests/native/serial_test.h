#pragma once
// A keyboard on COM1 of the simulated PC, and a download's status buffer.
#include <cstring>
#include <string>

#include "kbpi32/common/status.h"
#include "kbpi32/channel/serial_port.h"
#include "sim_test.h"

class SerialTest : public SimTest {
protected:
    SerialTest() {
        port.keyboard = &keyboard;
        kbp::status_state.current_status = status;
        kbp::set_com_device_name("COM1");
    }

    // What the download does with a COM port text: keep it, open, configure.
    std::uint8_t open_and_configure(const char* port_text) {
        std::strcpy(status, port_text);
        kbp::set_port_settings_text(port_text);
        if (kbp::com_open() != 0) return 254;
        return kbp::com_configure(kbp::serial_state.port_settings);
    }

    bool port_is_open() const { return sim::devices().is_open(&port); }
    bool handle_is_none() const { return kbp::serial_state.com_handle == platform::invalid_handle(); }
    std::string status_text() const { return status; }

    sim::ComPort& port = sim::com_port(1);
    char status[256] = {};
};
