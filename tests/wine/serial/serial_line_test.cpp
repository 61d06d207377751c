// The serial line on Win32 under Wine: a COM port linked to a pty with the pty
// keyboard (kbdsim_pty) on the other end, started by serial-driver.sh. The
// port to use comes in KBP_COM_PORT (e.g. COM5).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "kbpi32/channel/byte_channel.h"
#include "kbpi32/channel/frames.h"
#include "kbpi32/channel/interface_state.h"
#include "kbpi32/channel/serial_port.h"
#include "kbpi32/common/status.h"
#include "message_box_answers.h"

namespace {

class SerialLine : public ::testing::Test {
protected:
    SerialLine() {
        const char* port = std::getenv("KBP_COM_PORT");
        device = port != nullptr ? port : "";
        kbp::status_state.current_status = status;
        kbp::set_com_device_name(device.c_str());
    }
    ~SerialLine() override {
        if (kbp::serial_state.com_handle != platform::invalid_handle()) kbp::com_close();
    }

    void SetUp() override {
        // Never a port Wine maps to the machine's own serial lines.
        ASSERT_TRUE(device.size() == 4 && device.compare(0, 3, "COM") == 0 && device[3] >= '5') << device;
        ASSERT_TRUE(boxes.hooked());
    }

    std::uint8_t open_and_configure(const std::string& port_text) {
        lstrcpyA(status, port_text.c_str());
        kbp::set_port_settings_text(port_text.c_str());
        if (kbp::com_open() != 0) return 254;
        return kbp::com_configure(kbp::serial_state.port_settings);
    }

    // The 0xEE echo straight on the port, bypassing the library.
    bool keyboard_echoes() {
        const HANDLE port = kbp::serial_state.com_handle;
        PurgeComm(port, PURGE_RXCLEAR);
        BYTE probe = 0xEE, answer = 0;
        DWORD moved = 0;
        if (!WriteFile(port, &probe, 1, &moved, nullptr) || moved != 1) return false;
        return ReadFile(port, &answer, 1, &moved, nullptr) && moved == 1 && answer == 0xEE;
    }

    // Write-block frames of 16 bytes from address 4 through the byte channel.
    void send_frames(int count) {
        kbp::interface_state.use_serial = 1;
        for (int f = 0; f < count; ++f) {
            std::uint8_t block[16];
            for (int i = 0; i < 16; ++i) block[i] = static_cast<std::uint8_t>(f * 16 + i);
            ASSERT_EQ(kbp::send_write_block(4 + f * 16, block, 16), 0) << "frame " << f << ": " << status;
        }
        EXPECT_EQ(kbp::send_end_of_download(), 0);
        EXPECT_EQ(kbp::kbd_transport_send(0xF4), 0);
    }

    // Answered with OK as soon as they appear.
    MessageBoxAnswers boxes;
    std::string device;
    char status[256] = {};
};

TEST_F(SerialLine, ConfiguresTheRealLineFromTheText) {
    ASSERT_EQ(open_and_configure(device + ":4800,o,8,1"), 0) << status;
    EXPECT_EQ(std::string(status), device + ":4800,o,8,1");
    EXPECT_TRUE(boxes.shown().empty());

    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    ASSERT_TRUE(GetCommState(kbp::serial_state.com_handle, &dcb));
    EXPECT_EQ(dcb.BaudRate, 4800u);
    COMMTIMEOUTS timeouts{};
    ASSERT_TRUE(GetCommTimeouts(kbp::serial_state.com_handle, &timeouts));
    EXPECT_EQ(timeouts.ReadTotalTimeoutConstant, 200u);
    EXPECT_EQ(timeouts.WriteTotalTimeoutConstant, 200u);
    // The keyboard was started to echo at 4800 odd only.
    EXPECT_TRUE(keyboard_echoes());

    send_frames(2);
    EXPECT_EQ(kbp::com_close(), 0);
    EXPECT_EQ(kbp::com_close(), 252);
}

TEST_F(SerialLine, TheSearchFindsEntryEightByTheRealLineSettings) {
    const DWORD start = GetTickCount();
    ASSERT_EQ(open_and_configure(device), 0) << status;
    EXPECT_EQ(std::string(status), "set to 2400,O,8,1");
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "set to 2400,O,8,1");
    // Seven silent entries of about 600 ms each.
    EXPECT_GE(GetTickCount() - start, 3500u);

    send_frames(20);
    EXPECT_EQ(kbp::com_close(), 0);
}

TEST_F(SerialLine, NoKeyboardOnTheLine) {
    EXPECT_EQ(open_and_configure(device), 2);
    EXPECT_EQ(std::string(status), "unable to download");
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(kbp::serial_state.com_handle, platform::invalid_handle());
    EXPECT_EQ(kbp::com_send_byte(0x41), 7);
    EXPECT_EQ(kbp::com_close(), 252);
    // The next download opens the port again.
    ASSERT_EQ(kbp::com_open(), 0);
    EXPECT_EQ(kbp::com_close(), 0);
}

TEST_F(SerialLine, AResendIsADownloadFailure) {
    ASSERT_EQ(open_and_configure(device + ":9600,N,8,1"), 0) << status;
    EXPECT_EQ(kbp::com_send_byte(0x41), 1);
    EXPECT_EQ(std::string(status), " download failed ");
    EXPECT_EQ(kbp::com_close(), 0);
}

}  // namespace
