#pragma once
// USB keyboards (and mice) that kbdsim-hid plays in a test's folder: hidraw
// and evdev nodes on a FUSE mount at <root>/dev, found through the sysfs
// tree at <root>/sys. Devices are numbered keyboards first, then mice, as
// their nodes are: keyboard I is hidrawI and input/eventI.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

struct HidSetup {
    unsigned keyboards = 1;
    unsigned mice = 0;
    std::string image;  // loaded into every keyboard's memory; empty: all zero
    // Keyboard, and the bytes it takes before it is pulled out.
    std::vector<std::pair<unsigned, unsigned long>> unplug_after;
};

class HidKeyboards {
public:
    // Why FUSE cannot be served here; empty when it can.
    static std::string why_unusable() {
        const int fd = ::open("/dev/fuse", O_RDWR | O_CLOEXEC);
        if (fd < 0) return std::string("/dev/fuse cannot be opened: ") + std::strerror(errno);
        ::close(fd);
        return {};
    }

    explicit HidKeyboards(std::filesystem::path root) : root_(std::move(root)) {}
    ~HidKeyboards() { stop(); }
    HidKeyboards(const HidKeyboards&) = delete;
    HidKeyboards& operator=(const HidKeyboards&) = delete;

    // Starts the daemon and waits until its nodes are served; empty then, else why not.
    std::string start(const HidSetup& setup = {}) {
        setup_ = setup;
        std::filesystem::create_directories(root_);
        std::vector<std::string> args{KBDSIM_HID, "--root", root_.string(), "--keyboards",
                                      std::to_string(setup.keyboards), "--mice", std::to_string(setup.mice),
                                      "--memory", (root_ / "memory").string(), "--max-seconds", "120"};
        if (!setup.image.empty()) args.insert(args.end(), {"--image", setup.image});
        for (const auto& [keyboard, bytes] : setup.unplug_after)
            args.insert(args.end(), {"--unplug-after", std::to_string(keyboard) + ":" + std::to_string(bytes)});
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        const std::string errors = errors_file().string();
        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0) return "no pipe";
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            const int err = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (err >= 0) dup2(err, STDERR_FILENO);
            execv(KBDSIM_HID, argv.data());
            _exit(127);
        }
        ::close(out[1]);
        output_ = out[0];
        const std::string line = read_line(10'000);
        if (line == sysfs().string() + " " + dev().string()) return {};
        stop();
        return "kbdsim-hid did not start: " + line + read_file(errors_file());
    }

    // Unmounts and ends the daemon, which writes each keyboard's memory and
    // its summary; true when it ended by itself once asked.
    bool stop() {
        if (pid_ <= 0) return true;
        kill(pid_, SIGTERM);
        int status = 0;
        bool ended = false;
        for (int waited_ms = 0; waited_ms < 10'000 && !ended; waited_ms += 10) {
            ended = waitpid(pid_, &status, WNOHANG) == pid_;
            if (!ended) usleep(10'000);
        }
        if (!ended) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            umount2(dev().c_str(), MNT_DETACH);
        }
        pid_ = -1;
        for (std::string line; !(line = read_line(1'000)).empty();) summary_ += line + "\n";
        ::close(output_);
        output_ = -1;
        if (exported_) {
            unsetenv("KBPTOOL_SYSFS_ROOT");
            unsetenv("KBPTOOL_DEV_ROOT");
            exported_ = false;
        }
        return ended && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

    std::filesystem::path sysfs() const { return root_ / "sys"; }
    std::filesystem::path dev() const { return root_ / "dev"; }
    std::filesystem::path hidraw(unsigned keyboard) const { return dev() / ("hidraw" + std::to_string(keyboard)); }
    std::filesystem::path event(unsigned keyboard) const {
        return dev() / "input" / ("event" + std::to_string(keyboard));
    }
    std::filesystem::path mouse_hidraw(unsigned mouse) const { return hidraw(setup_.keyboards + mouse); }
    std::filesystem::path mouse_event(unsigned mouse) const { return event(setup_.keyboards + mouse); }

    // The keyboard's 64 KiB memory as the daemon wrote it at stop().
    std::string memory(unsigned keyboard) const {
        return read_file(root_ / ("memory." + std::to_string(keyboard)));
    }
    // After stop(): one line for each device, "hidrawI keyboard 053A:0001: N reports, N grabs[, unplugged]".
    const std::string& summary() const { return summary_; }

    // For a shell command line: "KBPTOOL_SYSFS_ROOT='...' KBPTOOL_DEV_ROOT='...' ".
    std::string environment() const {
        return "KBPTOOL_SYSFS_ROOT='" + sysfs().string() + "' KBPTOOL_DEV_ROOT='" + dev().string() + "' ";
    }
    // Points this process, and every program it starts until stop(), at the trees.
    void export_roots() {
        setenv("KBPTOOL_SYSFS_ROOT", sysfs().c_str(), 1);
        setenv("KBPTOOL_DEV_ROOT", dev().c_str(), 1);
        exported_ = true;
    }

private:
    std::filesystem::path errors_file() const { return root_ / "kbdsim-hid.err"; }

    static std::string read_file(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    // One line of the daemon's output, without its newline; empty at its end or after `timeout_ms`.
    std::string read_line(int timeout_ms) const {
        std::string line;
        for (char c = 0;;) {
            pollfd p{output_, POLLIN, 0};
            if (poll(&p, 1, timeout_ms) <= 0 || ::read(output_, &c, 1) != 1 || c == '\n') return line;
            line += c;
        }
    }

    std::filesystem::path root_;
    HidSetup setup_;
    pid_t pid_ = -1;
    int output_ = -1;
    std::string summary_;
    bool exported_ = false;
};
