// COM numbers open the ttys the host mapped to them, and nothing else.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>

#include "linux_test.h"
#include "platform/linux/com_port_map.h"
#include "platform/linux/open_devices.h"
#include "platform/platform.h"

namespace kbp_test {
namespace {

using SerialLine = LinuxBackend;

TEST_F(SerialLine, AComNumberOpensOnlyTheTtyItStandsFor) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    auto& devices = platform::linux_backend::com_port_map().devices;
    devices[3] = ptsname(master);
    devices[2] = "/dev/null";  // no tty
    devices[5] = (root / "dev/ttyUSB0").string();  // a device that is not there
    EXPECT_EQ(platform::linux_backend::map_com_port(devices[3]), 3);
    EXPECT_EQ(platform::linux_backend::map_com_port("/dev/ttyUSB7"), 1);
    // What a failed open leaves as the last device error.
    struct Case {
        const char* name;
        int error;  // 0: it opens
    } cases[] = {{"COM3", 0},         {"\\\\.\\com3", 0}, {"COM2", ENOTTY}, {"COM4", ENOENT},
                 {"COM5", ENOENT},    {"COM0", ENOENT},     {"COM33", ENOENT}, {"CON3", ENOENT},
                 {"\\\\.\\KEYBOARD", ENOENT}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::linux_backend::open_devices().last_error = 0;
        const platform::Handle port = platform::open_device(c.name, platform::kGenericRead | platform::kGenericWrite, 0);
        EXPECT_EQ(port != platform::invalid_handle(), c.error == 0);
        EXPECT_EQ(platform::linux_backend::last_device_error(), c.error);
        if (port == platform::invalid_handle()) continue;
        platform::CommState state{};
        ASSERT_TRUE(platform::get_comm_state(port, state));
        state.BaudRate = 4800;
        state.Parity = platform::kEvenParity;
        state.fParity = 1;
        state.ByteSize = 7;
        // A pty forces 8 data bits and no parity, and still counts as set up.
        EXPECT_TRUE(platform::set_comm_state(port, state));
        ASSERT_TRUE(platform::get_comm_state(port, state));
        EXPECT_EQ(state.BaudRate, 4800u);
        EXPECT_EQ(state.Parity, platform::kEvenParity);
        state.BaudRate = 12345;  // no rate of a UART
        EXPECT_FALSE(platform::set_comm_state(port, state));
        EXPECT_TRUE(platform::close_handle(port));
        EXPECT_FALSE(platform::close_handle(port));
    }
    close(master);
}

}  // namespace
}  // namespace kbp_test
