// Several keyboards on one machine: serial keyboards on ptys programmed by one
// command, each a worker of its own, with the record of transfers they keep.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <sstream>
#include <thread>
#include <vector>

#include "kbptool_fixture.h"

namespace {

class ManyKeyboards : public Kbptool {
protected:
    void SetUp() override {
        image_ = read_whole(EXAMPLE_IMAGE);
        write("sample.kbp", image_);
        // No USB keyboard: the made trees are empty.
        fs::create_directories(folder / "sys" / "class" / "hidraw");
        fs::create_directories(folder / "dev");
        setenv("KBPTOOL_SYSFS_ROOT", (folder / "sys").c_str(), 1);
        setenv("KBPTOOL_DEV_ROOT", (folder / "dev").c_str(), 1);
    }
    ~ManyKeyboards() override {
        stop_keyboards();
        unsetenv("KBPTOOL_SYSFS_ROOT");
        unsetenv("KBPTOOL_DEV_ROOT");
    }

    static std::string read_whole(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    struct Pty {
        pid_t pid;
        int output;
        std::string device;
        std::string memory;
    };
    // A pty keyboard with `options`; its slave's path.
    std::string start_keyboard(std::vector<std::string> options) {
        const std::string memory = (folder / ("memory" + std::to_string(keyboards_.size()) + ".bin")).string();
        const PtyKeyboard keyboard = start_pty_keyboard(options, memory);
        keyboards_.push_back({keyboard.pid, keyboard.output, keyboard.device, memory});
        return keyboard.device;
    }
    // Ends the keyboards, which then write their memories.
    void stop_keyboards() {
        for (Pty& k : keyboards_) {
            kill(k.pid, SIGTERM);
            waitpid(k.pid, nullptr, 0);
            close(k.output);
        }
        stopped_ = keyboards_;
        keyboards_.clear();
    }
    // Whether stopped keyboard `i` holds the image at addresses 4 and on.
    bool holds_image(std::size_t i) const {
        const std::string memory = read_whole(stopped_.at(i).memory);
        return memory.size() > image_.size() && memory.compare(4, image_.size() - 4, image_, 4) == 0;
    }
    std::string ports(const std::vector<std::string>& devices, const std::string& settings = ":9600,N,8,1") const {
        std::string text;
        for (const std::string& d : devices) text += " --port " + d + settings;
        return text;
    }
    std::vector<std::string> start_keyboards(int count, const std::vector<std::string>& options = {}) {
        std::vector<std::string> devices;
        for (int i = 0; i < count; ++i) devices.push_back(start_keyboard(options));
        return devices;
    }
    std::vector<std::string> lines_of(const std::string& name) const {
        std::istringstream in(read(name));
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    static double seconds_of(const std::function<void()>& run) {
        const auto start = std::chrono::steady_clock::now();
        run();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }

    static std::vector<pid_t> children_of(pid_t pid) {
        std::ifstream in("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/children");
        std::vector<pid_t> children;
        for (pid_t child; in >> child;) children.push_back(child);
        return children;
    }
    static std::string name_of(pid_t pid) {
        std::string name = read_whole("/proc/" + std::to_string(pid) + "/comm");
        return name.substr(0, name.find('\n'));
    }
    // Runs kbptool with `arguments` and, once it is under way, sends `signal`
    // to its first worker (`worker_only`) or to it; its exit code.
    int signal_under_way(const std::string& arguments, int signal, bool worker_only) {
        const pid_t shell = fork();
        if (shell == 0) _exit(run_on_hardware(arguments));
        // The first kbptool among the descendants runs the others; waited for
        // (a loaded machine starts them slowly), then given time to get under way.
        pid_t gang = 0;
        std::vector<pid_t> workers;
        for (int waited_ms = 0; waited_ms < 5000 && (gang == 0 || (worker_only && workers.empty())); waited_ms += 50) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            std::vector<pid_t> seen{shell};
            for (std::size_t i = 0; i < seen.size() && name_of(seen[i]) != "kbptool"; ++i)
                for (const pid_t child : children_of(seen[i])) seen.push_back(child);
            const auto found = std::find_if(seen.begin(), seen.end(), [](pid_t p) { return name_of(p) == "kbptool"; });
            gang = found == seen.end() ? 0 : *found;
            if (gang != 0) workers = children_of(gang);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // of about 4.5 s on the slowed line
        EXPECT_NE(gang, 0);
        EXPECT_TRUE(!worker_only || !workers.empty());
        if (gang != 0) kill(worker_only && !workers.empty() ? workers.front() : gang, signal);
        int status = 0;
        waitpid(shell, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string image_;
    std::vector<Pty> keyboards_, stopped_;
};

constexpr char kSampleSha256[] = "9dbe26591cb8006f84be5e3b943bcc0a61749cb511b74bb36155daa4dc096a10";

TEST_F(ManyKeyboards, ThreeSerialKeyboardsTakeTheImageAtOnceFasterThanOneAfterAnother) {
    // A slow line, so that the time is the wire's, not the tool's start.
    const std::vector<std::string> slow{"--byte-delay-ms", "1"};
    const std::string one = start_keyboard(slow);
    double alone = 0;
    alone = seconds_of([&] { EXPECT_EQ(run_on_hardware("download sample.kbp" + ports({one})), 0) << output(); });
    stop_keyboards();
    const std::vector<std::string> three = start_keyboards(3, slow);
    const double together = seconds_of(
        [&] { EXPECT_EQ(run_on_hardware("download sample.kbp --log batch.log" + ports(three)), 0) << output(); });
    // One after another would take three times as long; at once, well under three quarters of that.
    EXPECT_LT(together, 0.75 * 3 * alone) << "alone " << alone << " s, three " << together << " s";
    for (const std::string& words : {std::string("3 keyboards programmed"), three[0] + ": ok, not verified, 1024 bytes",
                                     three[2] + ": ok, not verified"})
        EXPECT_NE(output().find(words), std::string::npos) << output();
    const std::vector<std::string> record = lines_of("batch.log");
    ASSERT_EQ(record.size(), 3u) << read("batch.log");
    for (const std::string& line : record)
        for (const std::string& field :
             {std::string("\"command\": \"download\""), "\"sha256\": \"" + std::string(kSampleSha256) + "\"",
              std::string("\"exit_code\": 0"), std::string("\"bytes_sent\": 1020"), std::string("\"verified\": false"),
              std::string("\"time\": \"20")})
            EXPECT_NE(line.find(field), std::string::npos) << line;
    stop_keyboards();
    for (std::size_t i = 0; i < 3; ++i) EXPECT_TRUE(holds_image(i)) << i;
}

TEST_F(ManyKeyboards, AKeyboardThatHangsUpFailsAloneAndTheJsonListsEveryKeyboard) {
    std::vector<std::string> devices = start_keyboards(1);
    devices.push_back(start_keyboard({"--hang-up-after", "300"}));
    devices.push_back(start_keyboard({}));
    const int code = run_on_hardware("download sample.kbp --json" + ports(devices));
    EXPECT_EQ(code, 15) << output();
    const std::string json = read("out.txt");
    EXPECT_NE(json.find("\"keyboards_failed\": 1, \"keyboards\": [{\"command\": \"download\""), std::string::npos)
        << json;
    EXPECT_NE(json.find("\"text\": \"1 of 3 keyboards failed: " + devices[1] + " (exit code 15)\""), std::string::npos)
        << json;
    stop_keyboards();
    EXPECT_TRUE(holds_image(0));
    EXPECT_FALSE(holds_image(1));
    EXPECT_TRUE(holds_image(2));
}

TEST_F(ManyKeyboards, AKilledWorkerIsAFailedKeyboardAndCtrlCStopsThemAllSayingWhatEachHolds) {
    struct Case {
        int signal;
        bool worker_only;
        int exit_code;
        std::string said;
    } cases[] = {
        {SIGKILL, true, 15, "ended by signal 9"},
        {SIGINT, false, 130, "interrupted (Ctrl-C): "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.said);
        const std::vector<std::string> devices = start_keyboards(2, {"--byte-delay-ms", "2"});
        EXPECT_EQ(signal_under_way("download sample.kbp --log batch.log" + ports(devices), c.signal, c.worker_only),
                  c.exit_code)
            << output();
        EXPECT_NE(output().find(c.said), std::string::npos) << output();
        stop_keyboards();
    }
    // A worker killed or interrupted is recorded by the gang, the others by themselves.
    const std::vector<std::string> record = lines_of("batch.log");
    EXPECT_EQ(record.size(), 4u) << read("batch.log");
}

TEST_F(ManyKeyboards, ASignalStopsTheTransferWhichSaysWhatTheKeyboardHoldsAndReleasesThePort) {
    const std::string port = start_keyboard({"--byte-delay-ms", "2"});
    struct Case {
        int signal;
        int exit_code;
        std::string words;
    } cases[] = {{SIGINT, 130, "Ctrl-C"}, {SIGTERM, 143, "terminated"}, {SIGHUP, 129, "hung up"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.words);
        EXPECT_EQ(signal_under_way("download sample.kbp --json --log batch.log --port " + port + ":9600,N,8,1", c.signal,
                                   false),
                  c.exit_code);
        const std::string json = read("out.txt");
        // What the keyboard holds, however far the transfer got.
        EXPECT_TRUE(json.find("the keyboard holds part of the image (") != std::string::npos ||
                    json.find("nothing was written to the keyboard") != std::string::npos)
            << json;
        for (const std::string& field :
             {"\"text\": \"interrupted (" + c.words + "): ",
              std::string("\"file\": \"sample.kbp\""), "\"path\": \"" + port + " at 9600,N,8,1\"",
              "\"exit_code\": " + std::to_string(c.exit_code)})
            EXPECT_NE(json.find(field), std::string::npos) << json;
    }
    EXPECT_EQ(lines_of("batch.log").size(), 3u);
    EXPECT_EQ(run_on_hardware("download sample.kbp --no-verify --port " + port + ":9600,N,8,1"), 0) << output();
}

TEST_F(ManyKeyboards, TwoGangsShareOneRecordWithoutALineMixedOrLost) {
    const std::vector<std::string> first = start_keyboards(3), second = start_keyboards(3);
    std::thread other([&] {
        const std::string command = "cd '" + folder.string() + "' && " KBPTOOL " download sample.kbp --quiet --log batch.log" +
                                    ports(second) + " >/dev/null 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0);
    });
    EXPECT_EQ(run_on_hardware("download sample.kbp --log batch.log" + ports(first)), 0) << output();
    other.join();
    const std::vector<std::string> record = lines_of("batch.log");
    ASSERT_EQ(record.size(), 6u) << read("batch.log");
    for (const std::string& line : record) {
        EXPECT_TRUE(line.starts_with("{\"time\": ") && line.ends_with("}")) << line;
        EXPECT_EQ(std::count(line.begin(), line.end(), '{'), 1) << line;
    }
}

TEST_F(ManyKeyboards, WhatIsAmbiguousOrCannotBeRecordedIsRefusedBeforeAnythingIsSent) {
    const std::vector<std::string> devices = start_keyboards(1);
    const std::string port = devices[0];
    struct Case {
        std::string arguments;
        int exit_code;
        std::string said;
    } cases[] = {
        {"download sample.kbp --port " + port + " --port " + port + ":9600,N,8,1", 2, "are the same device"},
        {"download sample.kbp --all", 2, "--all finds no keyboard"},
        {"verify sample.kbp --device 1 --device 2", 2, "--device 1 names no USB keyboard"},
        {"upload out.kbp --device 1 --device 2", 2, "upload talks to one keyboard"},
        // No USB keyboard can read a serial keyboard back: verify sends nothing.
        {"verify sample.kbp --port " + port + ":9600,N,8,1", 32,
         "this image cannot be verified over " + port + " at 9600,N,8,1: nothing was sent"},
        {"download sample.kbp --port " + port + " --log no-such-folder/batch.log", 4,
         "no-such-folder/batch.log: No such file or directory"},
        {"download sample.kbp" + ports(devices) + ports(devices, "") + " --log no-such-folder/batch.log", 2,
         "are the same device"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        EXPECT_EQ(run_on_hardware(c.arguments), c.exit_code);
        EXPECT_NE(output().find(c.said), std::string::npos) << output();
    }
    stop_keyboards();
    EXPECT_FALSE(holds_image(0));
    // The disk the record is on is full: the system's reason, after the transfer.
    EXPECT_EQ(run_on_hardware("download sample.kbp --log /dev/full --port " + start_keyboard({})), 0);
    EXPECT_NE(output().find("the record of this transfer is not kept: /dev/full: No space left on device"),
              std::string::npos)
        << output();
}
}  // namespace
