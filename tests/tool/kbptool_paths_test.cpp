// kbptool on this Linux machine's own devices (no --sim): the paths Linux
// lacks are refused at once, and a serial device that cannot be used is named
// with the system's reason, never with the COM number the tool maps it to.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <vector>

#include "kbptool_fixture.h"

namespace {

class Paths : public Kbptool {
protected:
    ~Paths() override {
        if (keyboard_ > 0) {
            kill(keyboard_, SIGTERM);
            waitpid(keyboard_, nullptr, 0);
        }
    }
    // A pty keyboard at 4800,O,8,1; its slave's path.
    std::string start_keyboard() {
        const std::string command = KBDSIM_PTY " 4800,O,8,1 --max-seconds 60 > '" + (folder / "slave").string() + "' & echo $!";
        FILE* shell = popen(command.c_str(), "r");
        if (fscanf(shell, "%d", &keyboard_) != 1) keyboard_ = -1;
        pclose(shell);
        for (int i = 0; i < 50 && read("slave").empty(); ++i) usleep(100000);
        const std::string slave = read("slave");
        return slave.substr(0, slave.find('\n'));
    }
    pid_t keyboard_ = -1;
};

TEST_F(Paths, WhatLinuxLacksIsRefusedAtOnceAndASerialDeviceIsNamedWithTheSystemsReason) {
    fs::create_directories(folder / "sys/class/hidraw");
    fs::create_directories(folder / "dev");
    fs::copy_file(EXAMPLE_IMAGE, folder / "sample.kbp");
    const std::string device = start_keyboard();
    ASSERT_TRUE(device.starts_with("/dev/pts/")) << device;
    // Held as another program holds a port: the backend's lock cannot be taken.
    const int held = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_EQ(flock(held, LOCK_EX | LOCK_NB), 0);
    const std::string no_path = "Linux has no ", instead = "--port /dev/ttyUSB0";
    struct Case {
        std::string command_line;
        int exit_code;
        std::vector<std::string> said;
        bool at_once = true;
    } cases[] = {
        {"download sample.kbp --interface class", 2, {"--interface class cannot be used here", no_path + "keyboard class driver", instead}},
        // Commands without --port are not offered one.
        {"upload back.kbp --interface ports", 2, {no_path + "controller ports", "try: use USB (--usb, the default)\n"}},
        {"send 0xF4 --interface portdriver", 2, {no_path + "keyboard port driver", "try: use USB (--usb, the default)\n"}},
        {"interface ports", 2, {"ports cannot be used here", no_path + "controller ports"}},
        {"interface auto", 0, {"4 (usb)"}},
        {"send 0xF4", 1, {"send failed over USB", "try: check the keyboard's cable and power\n"}},
        {"detect", 0, {"controller ports: not on this system", "keyboard class driver: not on this system",
                       "keyboard port driver: not on this system", "USB: no", "a transfer that names no path takes USB"}},
        {"download sample.kbp --port ttyUSB0:9600,N,8,1", 2, {"ttyUSB0:9600,N,8,1 names no device", "--port /dev/ttyUSB0:9600,N,8,1"}},
        {"download sample.kbp --port /dev/kbptool-none", 12, {"cannot open /dev/kbptool-none", "/dev/kbptool-none: no such device"}},
        {"download sample.kbp --port /dev/null", 12, {"cannot open /dev/null", "/dev/null: not a terminal (not a serial device)"}},
        {"download sample.kbp --port " + device, 12, {device + ": in use by another program", "fuser " + device}},
        {"detect --port " + device, 0, {device + ": no (" + device + ": in use by another program)"}},
    };
    // USB is looked for in the test's own (empty) tree, never in /dev.
    const auto run_here = [this](const std::string& command_line, const std::string& as_user = "") {
        const std::string command = "cd '" + folder.string() + "' && KBPTOOL_SYSFS_ROOT=sys KBPTOOL_DEV_ROOT=dev " +
                                    as_user + " " KBPTOOL " " + command_line + " --no >out.txt 2>err.txt </dev/null";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command_line);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(run_here(c.command_line), c.exit_code) << output();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        for (const std::string& words : c.said) EXPECT_NE(output().find(words), std::string::npos) << output();
        EXPECT_EQ(output().find("COM1"), std::string::npos) << output();
        EXPECT_EQ(output().find("Device Manager"), std::string::npos) << output();
        if (c.at_once) {
            EXPECT_LT(seconds, 1.0);
        }
    }
    // A user without rights to the device (the pty is root's alone) is told about the dialout group.
    // The library comes along into the folder: the build's may stand where only root may look.
    if (geteuid() == 0 && std::system("command -v setpriv >/dev/null") == 0) {
        fs::copy_file(KBPI32_LINUX_LIBRARY, folder / "libkbpi32.so.1");
        EXPECT_EQ(run_here("download sample.kbp --no-verify --port " + device,
                           "LD_LIBRARY_PATH='" + folder.string() + "' setpriv --reuid=65534 --regid=65534 --clear-groups"),
                  12)
            << output();
        EXPECT_NE(output().find(device + ": permission denied (add the user to the `dialout` group)"), std::string::npos)
            << output();
    }
    // Let go, the keyboard is found, and with no USB keyboard the read-back is skipped with one warning, no box.
    close(held);
    EXPECT_EQ(run_here("download sample.kbp --port " + device), 0) << output();
    EXPECT_NE(output().find("an upload has no COM path, and no USB keyboard answers"), std::string::npos) << output();
    EXPECT_EQ(output().find("the library asks"), std::string::npos) << output();
}

}  // namespace
