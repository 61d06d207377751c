// The behaviour suite on the simulated PC: its clock jumps instead of
// waiting, COM9 has nothing on its line, two HID devices are attached, and a
// keyboard on COM1 types into the system's keyboard input.
#include "backend_under_test.h"
#include "include/kbpusb.h"
#include "kbdsim/keyboard.h"
#include "platform/sim/scenario.h"
#include "platform/sim/sim.h"

namespace kbp_behaviour {
namespace {

constexpr int kQuietPort = 9;
constexpr int kKeyboardPort = 1;
// The keys of the hex digits 5, A, C, 3, 1, E.
constexpr std::uint8_t kKeys[] = {0x06, 0x1E, 0x2E, 0x04, 0x02, 0x12};

unsigned char KBPUSB_CALL send_nothing(int) { return 0; }
unsigned char KBPUSB_CALL close_nothing() { return 0; }

class SimulatedPc : public BackendUnderTest {
public:
    const char* name() const override { return "simulated PC"; }

    void reset() override {
        sim::reset();
        keyboard_ = kbdsim::Keyboard{};
        sim::install_function_library();
        sim::install_kbpusb({send_nothing, close_nothing, nullptr});
        sim::hid().attach(KBP_USB_VENDOR_ID, 2);
        sim::hid().attach(0x1234, 9);
        sim::com_port(kKeyboardPort).keyboard = &keyboard_;
    }

    void let_time_pass(std::uint32_t ms) override { sim::clock().advance(ms); }

    void post_thread_message(std::uint32_t message) override { sim::messages().post(message); }

    Offer<int> quiet_com_port() override { return {kQuietPort, {}}; }

    Offer<unsigned> hid_interface_count() override { return {2u, {}}; }

    Offer<std::vector<std::uint8_t>> type_keys(int keystrokes) override {
        std::vector<std::uint8_t> codes;
        for (int i = 0; i < keystrokes; ++i) codes.push_back(kKeys[i % std::size(kKeys)]);
        keyboard_.typed.insert(keyboard_.typed.end(), codes.begin(), codes.end());
        return {codes, {}};
    }

    Lack no_com_port_above_nine() override { return std::nullopt; }

    Lack refuses_second_com_open() override { return std::nullopt; }

    Lack pull_com_device(int port) override {
        sim::com_port(port).pulled = true;
        return std::nullopt;
    }

private:
    kbdsim::Keyboard keyboard_;
};

}  // namespace

BackendUnderTest& backend_under_test() {
    static SimulatedPc pc;
    return pc;
}

}  // namespace kbp_behaviour
