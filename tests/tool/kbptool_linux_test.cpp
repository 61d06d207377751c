// kbptool on this Linux machine's own devices: a serial keyboard on a pty,
// and a sysfs tree and /dev of the test's own (empty) for USB.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

#include "kbptool_fixture.h"

namespace {

class OnLinux : public Kbptool {
protected:
    void SetUp() override { write("sample.kbp", read_file(EXAMPLE_IMAGE)); }
    ~OnLinux() override { stop_keyboard(); }

    static std::string read_file(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    // The pty keyboard with `options`; the slave's path.
    std::string start_keyboard(const std::vector<std::string>& options) {
        const PtyKeyboard keyboard = start_pty_keyboard(options, (folder / "memory.bin").string());
        pid_ = keyboard.pid;
        // Open until the keyboard ends: it writes its summary there.
        output_ = keyboard.output;
        return keyboard.device;
    }
    // Ends the keyboard, which then writes its memory.
    void stop_keyboard() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        close(output_);
        pid_ = -1;
    }

    pid_t pid_ = -1;
    int output_ = -1;
};

TEST_F(OnLinux, ADownloadReachesTheKeyboardOnASerialDevice) {
    struct Case {
        std::vector<std::string> keyboard;
        std::string settings;
        int exit_code;
        std::vector<std::string> said;
        bool delivered;
    } cases[] = {
        {{}, ":9600,N,8,1", 0, {"1024 bytes sent over /dev/pts/", "line settings used: /dev/pts/"}, true},
        {{"4800,O,8,1"}, "", 0, {"the library says: set to 4800,O,8,1", " at 4800,O,8,1"}, true},
        {{"--silent"}, ":9600,N,8,1", 15, {"download failed over /dev/pts/"}, false},
        {{"--resend"}, ":9600,N,8,1", 15, {"download failed over /dev/pts/"}, false},
    };
    for (const Case& c : cases) {
        const std::string device = start_keyboard(c.keyboard);
        SCOPED_TRACE(device + c.settings);
        ASSERT_TRUE(device.starts_with("/dev/pts/"));
        EXPECT_EQ(run_on_hardware("download sample.kbp --no-verify --port " + device + c.settings), c.exit_code);
        for (const std::string& words : c.said) EXPECT_NE(output().find(words), std::string::npos) << output();
        stop_keyboard();
        const std::string image = read("sample.kbp"), memory = read("memory.bin");
        ASSERT_EQ(memory.size(), 65536u);
        EXPECT_EQ(memory.compare(4, image.size() - 4, image, 4) == 0, c.delivered);
    }
    const std::string device = start_keyboard({"4800,O,8,1"});
    EXPECT_EQ(run_on_hardware("detect --port " + device), 0);
    EXPECT_NE(output().find(device + " at 4800,O,8,1: yes (the keyboard echoed at 4800,O,8,1)"), std::string::npos)
        << output();
}

TEST_F(OnLinux, APathThisSystemCannotHaveIsRefusedWithWhatToDoInstead) {
    fs::create_directories(folder / "sys/class/hidraw");
    fs::create_directories(folder / "dev");
    // Another vendor's node (1234) under other/.
    fs::create_directories(folder / "other/sys/class/hidraw/hidraw0/device");
    write("other/sys/class/hidraw/hidraw0/device/uevent", "HID_ID=0003:00001234:00000001\n");
    write("other/dev/hidraw0", "");
    write("dev/ttyUSB0", "");  // listed by name, never opened
    struct Case {
        std::string command_line;
        int exit_code;
        std::vector<std::string> said;
        std::string tree = "KBPTOOL_SYSFS_ROOT=sys KBPTOOL_DEV_ROOT=dev ";
    } cases[] = {
        {"download sample.kbp", 15, {"download failed over USB", "no USB keyboard of vendor 053A among other/dev/hidraw0 (1234)"},
         "KBPTOOL_SYSFS_ROOT=other/sys KBPTOOL_DEV_ROOT=other/dev "},
        {"download sample.kbp --port COM5", 2, {"COM5 is a Windows port name", "--port /dev/ttyS"}},
        {"download sample.kbp --usb", 15, {"no USB keyboard of vendor 053A: there is no dev/hidraw* node",
                                           "ATTRS{idVendor}==\"053a\"", "udev rule 60-kbpi32.rules"}},
        {"upload back.kbp", 20, {"there is no dev/hidraw* node"}},
        {"detect", 0, {"USB: no", "serial device dev/ttyUSB0 (not opened", "hid device dev/hidraw0 (vendor 1234"},
         "KBPTOOL_SYSFS_ROOT=other/sys KBPTOOL_DEV_ROOT=dev "},
        {"detect --input dev/input/event9", 0, {"input device dev/input/event9 (the keyboard's keys"}},
        {"--sim detect --keyboard usb --sim-state state.bin", 0, {"simulated keyboard", "USB: cannot tell"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command_line);
        const std::string command = "cd '" + folder.string() + "' && " + c.tree + KBPTOOL " " + c.command_line +
                                    " --no >out.txt 2>err.txt </dev/null";
        const int status = std::system(command.c_str());
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, c.exit_code);
        for (const std::string& words : c.said) EXPECT_NE(output().find(words), std::string::npos) << output();
    }
    EXPECT_FALSE(exists("back.kbp"));
    const std::string by_environment = "cd '" + folder.string() + "' && KBPTOOL_SIM=1 " KBPTOOL
                                       " detect --sim-state state.bin >out.txt 2>err.txt";
    EXPECT_EQ(std::system(by_environment.c_str()), 0);
    EXPECT_NE(output().find("simulated keyboard"), std::string::npos) << output();
}

}  // namespace
