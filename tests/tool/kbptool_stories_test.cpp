// What a failed transfer tells the technician follows what reached the
// keyboard: on the simulated PC, and on a pty keyboard pulled off part way.
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

#include "kbptool_fixture.h"

namespace {

class Stories : public Kbptool {
protected:
    ~Stories() override { stop_keyboard(); }

    // A pty keyboard with `options`; the slave's path, empty when none came up.
    std::string start_keyboard(const std::string& options) {
        stop_keyboard();
        std::remove((folder / "pty.txt").c_str());
        const std::string command = "cd '" + folder.string() + "' && { " KBDSIM_PTY " " + options +
                                    " --max-seconds 60 >pty.txt 2>/dev/null & echo $! >pty.pid; }";
        if (std::system(command.c_str()) != 0) return {};
        pid_ = std::stoi(read("pty.pid"));
        for (int tries = 0; tries < 100 && read("pty.txt").find('\n') == std::string::npos; ++tries)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const std::string line = read("pty.txt");
        return line.substr(0, line.find('\n'));
    }
    void stop_keyboard() {
        if (pid_ > 0) kill(pid_, SIGTERM);
        pid_ = -1;
    }

    pid_t pid_ = -1;
};

TEST_F(Stories, AFailedTransferSaysWhatReachedTheKeyboard) {
    ASSERT_EQ(run("new --end 1023 sample.kbp"), 0);
    ASSERT_EQ(run("new --end 9500 long.kbp"), 0);
    // Device trees without a keyboard: an upload on Linux finds no input device to read answers from.
    fs::create_directories(folder / "sys/class/hidraw");
    fs::create_directories(folder / "dev");
    struct EmptyDeviceTrees {
        EmptyDeviceTrees() { setenv("KBPTOOL_SYSFS_ROOT", "sys", 1), setenv("KBPTOOL_DEV_ROOT", "dev", 1); }
        ~EmptyDeviceTrees() { unsetenv("KBPTOOL_SYSFS_ROOT"), unsetenv("KBPTOOL_DEV_ROOT"); }
    } trees;
    struct Row {
        std::string command_line;  // PTY: the device of a pty keyboard that hangs up after 300 bytes (PTY@N: N)
        bool on_hardware;
        int exit_code;
        std::vector<std::string> said;
        std::vector<std::string> in_json;
        std::vector<std::string> never_said = {};
        std::string before = "";  // run first, on the simulated PC
    } rows[] = {
        {"download sample.kbp --fault no-answer", false, 15,
         {"nothing was written to the keyboard", "no keyboard answered on the keyboard port driver before the first block",
          "the library's text: download check failed"},
         {"\"text\": \"nothing was written to the keyboard\"", "\"sent\": 0"}},
        {"download sample.kbp --interface class --keyboard class --fault no-answer", false, 15,
         {"nothing was written to the keyboard", "the first block was not taken on the keyboard class driver"},
         {"\"sent\": 0"}, {"part of the image"}},
        {"download sample.kbp --interface ports --keyboard ports --fault unplug-at=3000", false, 15,
         {"the keyboard holds part of the image (320 of 1020 bytes): download it again"}, {"\"sent\": 320"}},
        {"download sample.kbp --usb --keyboard usb --fault unplug-at=200", false, 15,
         {"the keyboard holds part of the image (64 of 1020 bytes)"}, {"\"sent\": 64"}},
        {"download sample.kbp --keyboard com --port COM1:9600,N,8,1 --fault close-fails", false, 14,
         {"the image was sent completely (1020 bytes); only closing COM1 failed", "`kbptool upload check.kbp`"},
         {"\"sent\": 1020", "\"raw_text\": \"can\\u00b4t close com-Port \""}, {"may have arrived", "without --port"}},
        {"download sample.kbp --keyboard com --port COM1:9600,N,8,1 --fault close-fails --fault unplug-at=500", false,
         14, {"the keyboard holds part of the image (192 of 1020 bytes)", "closing COM1 after the transfer failed as well"},
         {"\"sent\": 192"}},
        {"download sample.kbp --no-verify --port PTY:9600,N,8,1", true, 15,
         {"the keyboard holds part of the image (128 of 1020 bytes): download it again"}, {"\"sent\": 128"},
         {"may have arrived"}},
        // Gone during the line-setting search: the device is no more.
        {"download sample.kbp --no-verify --port PTY@0", true, 12, {"cannot open /dev/pts/", ": no such device"},
         {"\"sent\": 0"}},
        {"upload back.kbp --fault no-answer --no", false, 20,
         {"did not answer the read requests", "try another path: --interface ports|class|portdriver, or --usb"}, {},
         {"--port", "KBPFUNC"}},
        {"upload back.kbp --no", false, 20,
         {"the keyboard's image is longer than an upload can read: its end lies past address 8991"},
         {"\"result\": 0"}, {"cable"}, "download long.kbp --no-verify"},
        {"upload back.kbp --no", true, 20, {"no USB keyboard of vendor 053A"}, {}, {"KBPFUNC", "--port"}},
        {"download --help", true, 0, {"--port /dev/ttyUSB0:9600,N,8,1", "/dev/ttyUSB0 (search)"}, {}, {"COM1"}},
        {"detect --help", true, 0, {"kbptool detect --port /dev/ttyUSB0"}, {}, {"COM1"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.command_line);
        if (!row.before.empty()) {
            ASSERT_EQ(run(row.before), 0) << output();
        }
        for (const bool json : {false, true}) {
            if (json && row.in_json.empty()) continue;
            std::string command_line = row.command_line + (json ? " --json" : "");
            if (const std::size_t pty = command_line.find("PTY"); pty != std::string::npos) {
                // PTY@N: one that hangs up after N bytes; PTY@0: one that hangs up at the first, unanswered.
                std::size_t end = pty + 3;
                std::string after = "300";
                if (command_line[end] == '@') {
                    const std::size_t digits = command_line.find_first_not_of("0123456789", end + 1);
                    after = command_line.substr(end + 1, digits - end - 1);
                    end = digits;
                }
                const std::string device =
                    start_keyboard(after == "0" ? "--silent --hang-up-after 1" : "--hang-up-after " + after);
                ASSERT_TRUE(device.starts_with("/dev/pts/")) << device;
                command_line.replace(pty, end - pty, device);
            }
            EXPECT_EQ(row.on_hardware ? run_on_hardware(command_line) : run(command_line), row.exit_code) << output();
            const std::string seen = json ? read("out.txt") : output();
            for (const std::string& words : json ? row.in_json : row.said)
                EXPECT_NE(seen.find(words), std::string::npos) << seen;
            for (const std::string& words : row.never_said) EXPECT_EQ(seen.find(words), std::string::npos) << seen;
        }
    }
}

}  // namespace
