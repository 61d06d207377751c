// The controller-port send against a keyboard controller that is slow, stuck
// or flooded with bytes.
#include <vector>

#include "kbpi32/channel/controller_ports.h"
#include "sim_test.h"

namespace {

using sim::PortAccess;
using Accesses = std::vector<PortAccess>;

class ControllerFaults : public SimTest {
protected:
    ControllerFaults() { keyboard_on_controller(); }
    static sim::Controller& controller() { return sim::controller(); }
    static Accesses writes() {
        Accesses w;
        for (const PortAccess& a : controller().accesses)
            if (a.write) w.push_back(a);
        return w;
    }
    // Reads of `port` after the n-th write (counted from 0) and before the next write.
    static unsigned reads_after_write(std::size_t n, std::uint16_t port) {
        std::size_t seen = 0;
        unsigned reads = 0;
        for (const PortAccess& a : controller().accesses) {
            if (a.write && seen++ == n + 1) break;
            if (!a.write && seen == n + 1 && a.port == port) ++reads;
        }
        return reads;
    }
};

TEST_F(ControllerFaults, AnAnswerWindowThatRunsOutRestoresTheCommandByteWritesAgainAndGivesUpAtTheStepBound) {
    // The keyboard floods the output buffer, so no answer is ever judged. Each
    // write keeps the controller busy for 10237 polls, so a round of ready-wait,
    // write and answer window takes 10240 steps: the second write is the last
    // of the 0x4FFF steps, and no answer window follows it.
    controller().keyboard = nullptr;
    controller().repeated_byte = 0xAA;
    controller().busy_polls = 10237;
    EXPECT_EQ(kbp::port_send_byte(0x55), 1);
    EXPECT_EQ(writes(), (Accesses{{true, 0x64, 0x60},
                                  {true, 0x60, 0x00},
                                  {true, 0x60, 0x55},
                                  {true, 0x64, 0x60},
                                  {true, 0x60, 0x41},
                                  {true, 0x60, 0x55},
                                  {true, 0x64, 0x60},
                                  {true, 0x60, 0x41}}));
    EXPECT_EQ(reads_after_write(2, 0x60), 0x14FFFu);  // one answer window
    EXPECT_EQ(reads_after_write(5, 0x60), 0u);        // none after the step bound
    EXPECT_EQ(controller().writes_while_busy, 0u);
}

struct Stuck {
    unsigned after_write;
    bool byte_sent;
    std::uint8_t command_byte;
};

void PrintTo(const Stuck& s, std::ostream* os) { *os << "stuck after write " << s.after_write; }

class StuckController : public ControllerFaults, public ::testing::WithParamInterface<Stuck> {};

// However far the send got, a controller that stops taking bytes fails it, even
// after the keyboard's 0xFA: the keyboard interrupt may still be off.
TEST_P(StuckController, FailsTheSend) {
    controller().stuck_after_write = GetParam().after_write;
    controller().record = false;
    EXPECT_EQ(kbp::port_send_byte(0x3C), 1);
    EXPECT_EQ(keyboard.bytes_received, GetParam().byte_sent ? 1u : 0u);
    EXPECT_EQ(controller().command_byte, GetParam().command_byte);
    EXPECT_EQ(controller().writes_while_busy, 0u);
}

INSTANTIATE_TEST_SUITE_P(AfterWrite, StuckController,
                         ::testing::Values(Stuck{1, false, 0x45}, Stuck{2, false, 0x00}, Stuck{3, true, 0x00},
                                           Stuck{4, true, 0x00}));

class BusyController : public ControllerFaults, public ::testing::WithParamInterface<unsigned> {};

// Every byte, the command byte after 0x60 included, waits until bit 1 clears.
TEST_P(BusyController, GetsEveryByteOnlyOnceItIsReady) {
    controller().busy_polls = GetParam();
    EXPECT_EQ(kbp::port_send_byte(0x1A), 0);
    EXPECT_EQ(controller().writes_while_busy, 0u);
    EXPECT_EQ(writes(), (Accesses{{true, 0x64, 0x60},
                                  {true, 0x60, 0x00},
                                  {true, 0x60, 0x1A},
                                  {true, 0x64, 0x60},
                                  {true, 0x60, 0x41}}));
}

INSTANTIATE_TEST_SUITE_P(Polls, BusyController, ::testing::Values(1u, 100u));

}  // namespace
