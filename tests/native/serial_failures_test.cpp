#include <vector>

#include "serial_test.h"

namespace {

using sim::Call;

struct Failure {
    Call call;
    unsigned after;  // calls of that kind that still succeed (the transmit buffer is purged first)
    const char* port_text;
    std::uint8_t result;
    const char* message;
    bool box;
};

void PrintTo(const Failure& f, std::ostream* os) { *os << f.message << " (" << int(f.result) << ")"; }

class SerialConfigureFailure : public SerialTest, public ::testing::WithParamInterface<Failure> {};

// Every failing set-up step leaves the port closed, and a closed port stays
// closed: later sends and the final close fail without touching a handle.
TEST_P(SerialConfigureFailure, GivesItsResultAndMessageAndClosesThePort) {
    const Failure& f = GetParam();
    std::strcpy(status, f.port_text);
    kbp::set_port_settings_text(f.port_text);
    ASSERT_EQ(kbp::com_open(), 0);
    sim::faults().fail(f.call, f.after);

    EXPECT_EQ(kbp::com_configure(kbp::serial_state.port_settings), f.result);
    EXPECT_EQ(status_text(), f.message);
    EXPECT_EQ(sim::message_boxes().shown.size(), f.box ? 1u : 0u);
    if (f.box) {
        EXPECT_EQ(sim::message_boxes().shown[0].text, f.message);
    }
    EXPECT_FALSE(port_is_open());
    EXPECT_TRUE(handle_is_none());

    sim::faults().heal(f.call);
    const unsigned closes = sim::devices().closes;
    EXPECT_EQ(kbp::com_send_byte(0x41), 7);
    EXPECT_EQ(status_text(), " error clear receive buffer ");
    EXPECT_EQ(kbp::com_close(), 252);
    EXPECT_EQ(status_text(), "can\xB4t close com-Port ");
    EXPECT_EQ(sim::devices().closes, closes);
    EXPECT_EQ(sim::devices().stale_handle_uses, 0u);
    EXPECT_TRUE(port.written.size() <= 1u);
}

INSTANTIATE_TEST_SUITE_P(
    FromTheText, SerialConfigureFailure,
    ::testing::Values(Failure{Call::get_comm_state, 0, "COM1:9600,N,8,1", 1, "unable to config COM1:9600,N,8,1", false},
                      Failure{Call::set_comm_state, 0, "COM1:9600,N,8,1", 2, " can\xB4t set com state ", false},
                      Failure{Call::setup_comm, 0, "COM1:9600,N,8,1", 3, " can\xB4t setup buffer size ", false},
                      Failure{Call::get_comm_timeouts, 0, "COM1:9600,N,8,1", 4, " can\xB4t get timeout ", false},
                      Failure{Call::set_comm_timeouts, 0, "COM1:9600,N,8,1", 5, " can\xB4t setup timeout ", false},
                      Failure{Call::purge_comm, 0, "COM1:9600,N,8,1", 6, " error clear transmit buffer ", false},
                      Failure{Call::purge_comm, 1, "COM1:9600,N,8,1", 7, " error clear receive buffer ", false}));

INSTANTIATE_TEST_SUITE_P(
    InTheSearch, SerialConfigureFailure,
    ::testing::Values(Failure{Call::open_device, 0, "COM1", 1, "unable to open COM1", false},
                      Failure{Call::get_comm_state, 1, "COM1", 1, "unable to config COM1", false},
                      Failure{Call::set_comm_state, 0, "COM1", 2, " error ", true},
                      Failure{Call::setup_comm, 0, "COM1", 3, " can\xB4t setup buffer size ", false},
                      Failure{Call::get_comm_timeouts, 0, "COM1", 4, " can\xB4t get timeout ", false},
                      Failure{Call::set_comm_timeouts, 0, "COM1", 5, " can\xB4t setup timeout ", false},
                      Failure{Call::purge_comm, 0, "COM1", 6, " error clear transmit buffer ", false},
                      Failure{Call::purge_comm, 1, "COM1", 7, " error clear receive buffer ", false},
                      Failure{Call::write_file, 0, "COM1", 5, " unable to send data ", true}));

class SerialSetupFailure : public SerialTest {};

TEST_F(SerialSetupFailure, AReopenFailingLateInTheSearchEndsIt) {
    port.echo = sim::EchoPolicy::never;
    sim::faults().fail(Call::open_device, 3);  // the download's open and two entries
    EXPECT_EQ(open_and_configure("COM1:9600,N,6,1"), 1);
    EXPECT_EQ(status_text(), "unable to open COM1");
    EXPECT_EQ(port.written.size(), 2u);
    EXPECT_TRUE(handle_is_none());
    EXPECT_EQ(sim::devices().open_count(), 0u);
}

TEST_F(SerialSetupFailure, AProbeTheDriverTimesOutOnIsNotSent) {
    port.writes_nothing = true;
    EXPECT_EQ(open_and_configure("COM1"), 5);
    EXPECT_EQ(status_text(), " unable to send data ");
    EXPECT_EQ(sim::message_boxes().shown.size(), 1u);
    EXPECT_FALSE(port_is_open());
}

TEST_F(SerialSetupFailure, APortThatWillNotCloseBeforeTheSearchStaysAsItIs) {
    ASSERT_EQ(kbp::com_open(), 0);
    sim::faults().fail(Call::close_handle);
    std::strcpy(status, "COM1");
    EXPECT_EQ(kbp::com_configure("COM1"), 7);
    EXPECT_EQ(status_text(), "can\xB4t close com-Port ");
    EXPECT_TRUE(port_is_open());
    EXPECT_FALSE(handle_is_none());
    EXPECT_TRUE(port.written.empty());
    // The handle is still the library's: closing works once the system lets it.
    sim::faults().heal(Call::close_handle);
    EXPECT_EQ(kbp::com_close(), 0);
    EXPECT_FALSE(port_is_open());
}

TEST_F(SerialSetupFailure, AFailedFinalCloseGives252AndKeepsTheHandle) {
    ASSERT_EQ(open_and_configure("COM1:9600,N,8,1"), 0);
    sim::faults().fail(Call::close_handle);
    EXPECT_EQ(kbp::com_close(), 252);
    EXPECT_EQ(status_text(), "can\xB4t close com-Port ");
    EXPECT_TRUE(port_is_open());
    sim::faults().heal(Call::close_handle);
    EXPECT_EQ(kbp::com_close(), 0);
    EXPECT_TRUE(handle_is_none());
    EXPECT_EQ(kbp::com_close(), 252);
    EXPECT_EQ(sim::devices().stale_handle_uses, 0u);
}

}  // namespace
