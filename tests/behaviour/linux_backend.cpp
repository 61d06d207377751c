// The behaviour suite on real Linux: COM9 is a pty whose master end nobody
// answers on, the sysfs tree of two hidraw nodes is the test's own, and the
// keyboard's input device is a fifo the fixture writes key presses into.
#include <fcntl.h>
#include <linux/input.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>

#include "backend_under_test.h"
#include "include/kbp_protocol.h"
#include "platform/linux/com_port_map.h"
#include "platform/linux/host_settings.h"
#include "platform/linux/message_loop.h"

namespace kbp_behaviour {
namespace {

namespace fs = std::filesystem;
namespace backend = platform::linux_backend;

constexpr int kQuietPort = 9;
// Linux numbers the keys of the hex digits as their set-1 make codes: 5, A, C, 3, 1, E.
constexpr std::uint16_t kKeys[] = {KEY_5, KEY_A, KEY_C, KEY_3, KEY_1, KEY_E};
constexpr std::uint16_t kVendors[] = {KBP_USB_VENDOR_ID, 0x1234};

class RealLinux : public BackendUnderTest {
public:
    // The backend's own state is gone by now: only the fixture's is let go.
    ~RealLinux() override { release_own(); }

    const char* name() const override { return "Linux"; }

    void reset() override {
        release();
        backend::reset_backend();
        root_ = fs::path(::testing::TempDir()) / ("kbp_behaviour_linux_" + std::to_string(getpid()));
        fs::create_directories(root_ / "dev");
        for (int n = 0; n < int(std::size(kVendors)); ++n) add_hidraw_node(n, kVendors[n]);
        backend::host_settings().sysfs_root = (root_ / "sys").string();
        backend::host_settings().dev_root = (root_ / "dev").string();

        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0)
            backend::com_port_map().devices[kQuietPort] = ptsname(master_);

        const fs::path keys = root_ / "dev/event0";
        if (mkfifo(keys.c_str(), 0600) == 0) backend::host_settings().input_device = keys.string();
    }

    void let_time_pass(std::uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

    void post_thread_message(std::uint32_t message) override { backend::post_message(nullptr, message, 0, 0); }

    Offer<int> quiet_com_port() override {
        if (backend::com_port_map().devices[kQuietPort].empty()) return Offer<int>::lacks("no pty could be made");
        return {kQuietPort, {}};
    }

    Offer<unsigned> hid_interface_count() override { return {unsigned(std::size(kVendors)), {}}; }

    // The writer opens only now: the capture opened the fifo when it was armed.
    Offer<std::vector<std::uint8_t>> type_keys(int keystrokes) override {
        std::vector<input_event> events;
        std::vector<std::uint8_t> codes;
        for (int i = 0; i < keystrokes; ++i) {
            const std::uint16_t key = kKeys[i % std::size(kKeys)];
            events.push_back({{}, EV_KEY, key, 1});
            events.push_back({{}, EV_KEY, key, 0});
            events.push_back({{}, EV_SYN, SYN_REPORT, 0});
            codes.push_back(std::uint8_t(key));
        }
        keys_ = ::open(backend::host_settings().input_device.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        const auto size = ssize_t(events.size() * sizeof(input_event));
        if (keys_ < 0 || ::write(keys_, events.data(), size_t(size)) != size)
            ADD_FAILURE() << "the keys could not be typed into " << backend::host_settings().input_device;
        return {codes, {}};
    }

    Lack no_com_port_above_nine() override { return std::nullopt; }

    Lack refuses_second_com_open() override { return std::nullopt; }

    Lack pull_com_device(int port) override {
        if (port != kQuietPort || master_ < 0) return "no pty behind COM" + std::to_string(port);
        ::close(master_);
        master_ = -1;
        return std::nullopt;
    }

private:
    // /sys/class/hidraw/hidrawN with the uevent of its HID device, and /dev/hidrawN.
    void add_hidraw_node(int n, std::uint16_t vendor) {
        const std::string node = "hidraw" + std::to_string(n);
        const fs::path device = root_ / "sys/class/hidraw" / node / "device";
        fs::create_directories(device);
        char uevent[64];
        std::snprintf(uevent, sizeof uevent, "HID_ID=0003:%08X:00000001\n", vendor);
        std::ofstream(device / "uevent") << uevent;
        std::ofstream(root_ / "dev" / node).flush();
    }

    void release() {
        backend::reset_backend();
        release_own();
    }

    void release_own() {
        if (master_ >= 0) ::close(master_);
        if (keys_ >= 0) ::close(keys_);
        master_ = keys_ = -1;
        if (!root_.empty()) fs::remove_all(root_);
    }

    fs::path root_;
    int master_ = -1;
    int keys_ = -1;
};

}  // namespace

BackendUnderTest& backend_under_test() {
    static RealLinux linux_machine;
    return linux_machine;
}

}  // namespace kbp_behaviour
