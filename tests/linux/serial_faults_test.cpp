// A COM port whose adapter is pulled part way through a download, and one
// that another process holds: the results a Windows PC gives.
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <thread>

#include "include/kbpi32.h"
#include "kbpi32/api/library_state.h"
#include "linux_test.h"
#include "platform/linux/com_port_map.h"
#include "platform/linux/open_devices.h"

namespace kbp_test {
namespace {

class SerialFaults : public LinuxBackend {
protected:
    SerialFaults() {
        kbp::reset_library_state();
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0)
            platform::linux_backend::com_port_map().devices[3] = ptsname(master);
        write(root / "image.kbp", "Kelm" + std::string(4092, '\x5A'));
    }
    ~SerialFaults() override {
        if (master >= 0) close(master);
    }
    int download() {
        std::snprintf(status, sizeof status, "COM3:9600,N,8,1");
        return kbp_download((root / "image.kbp").c_str(), status, nullptr);
    }

    int master = -1;
    char status[256] = {};
};

TEST_F(SerialFaults, APulledAdapterPartWayThroughADownloadIsADownloadNotPossible) {
    ASSERT_GE(master, 0);
    // The keyboard acknowledges 300 bytes, then its adapter is pulled.
    std::thread keyboard([this] {
        const unsigned char ack = 0xFA;
        unsigned char byte = 0;
        for (int n = 0; n < 300 && ::read(master, &byte, 1) == 1; ++n) ASSERT_EQ(::write(master, &ack, 1), 1);
        close(master);
        master = -1;
    });
    EXPECT_EQ(download(), -5);
    keyboard.join();
    EXPECT_STREQ(status, "download not possible ");
    EXPECT_EQ(platform::linux_backend::last_device_error(), EIO);
    EXPECT_TRUE(platform::linux_backend::open_devices().open.empty());  // the port was closed
}

TEST_F(SerialFaults, APortAnotherProcessHoldsDoesNotOpen) {
    ASSERT_GE(master, 0);
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t holder = fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        const bool held = platform::open_device("COM3", platform::kGenericRead | platform::kGenericWrite, 0) !=
                          platform::invalid_handle();
        const char answer = held ? 'y' : 'n';
        (void)::write(ready[1], &answer, 1);
        pause();
        _exit(0);
    }
    char answer = 0;
    ASSERT_EQ(::read(ready[0], &answer, 1), 1);
    EXPECT_EQ(answer, 'y');
    EXPECT_EQ(download(), -2);
    EXPECT_STREQ(status, "unable to open COM3");
    EXPECT_EQ(platform::linux_backend::last_device_error(), EBUSY);
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    close(ready[0]);
    close(ready[1]);
    // Once the other process has let go, the port is this one's.
    const platform::Handle port = platform::open_device("COM3", platform::kGenericRead | platform::kGenericWrite, 0);
    EXPECT_NE(port, platform::invalid_handle());
    platform::close_handle(port);
}

}  // namespace
}  // namespace kbp_test
