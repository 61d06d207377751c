// What a technician new to kbptool expects of its smaller corners: help that
// names the program, names in any case, the environment switch, the read-back
// in info's times, a full disk's reason, file rights, the terminal's question,
// steady upload totals and Ctrl-C on the simulated PC.
#include <pty.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <regex>
#include <thread>
#include <vector>

#include "kbptool_fixture.h"

namespace {

class Details : public Kbptool {
protected:
    Details() { run("new --end 1023 sample.kbp"); }

    // `program` with `environment` in front, in the folder; the exit code.
    int run_with(const std::string& environment, const std::string& program, const std::string& arguments) {
        const std::string command = "cd '" + folder.string() + "' && " + environment + " " + program + " " +
                                    arguments + " >out.txt 2>err.txt </dev/null";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    mode_t mode_of(const std::string& name) const {
        struct stat s {};
        stat((folder / name).c_str(), &s);
        return s.st_mode & 0777;
    }
};

TEST_F(Details, TheCommandLineSaysWhatATechnicianExpects) {
    struct Case {
        const char* environment;
        const char* program;
        const char* arguments;
        int exit_code;
        std::vector<const char*> texts;
    } cases[] = {
        {"", KBPTOOL, "--sim download sample.kbp --sim-state /dev/null", 3,
         {"/dev/null is a device, not a file; name another, a regular file, with --sim-state"}},
        {"", KBPTOOL, "--sim upload back.kbp --sim-state .", 3, {". is a directory; name another"}},
        // 64 reads of 16 bytes on the ports, 128 of 8 over USB; a COM download reads back elsewhere.
        {"", KBPTOOL, "info sample.kbp", 0,
         {"read-back     total", "ports            16         2232             17.9 s      13.8 s    31.7 s",
          "usb              64         2808              2.8 s      10.5 s    13.3 s", "an upload has no COM path"}},
        {"", KBPTOOL, "info sample.kbp --json", 0,
         {"\"seconds\": 17.880, \"read_back_seconds\": 13.824, \"total_seconds\": 31.704}",
          "\"seconds\": 2.811, \"read_back_seconds\": 10.496, \"total_seconds\": 13.307}",
          "\"read_back_seconds\": null, \"total_seconds\": null}"}},
        // A file one byte past the tool's read chunk is read whole.
        {"", KBPTOOL, "new --end 8192 chunk.kbp", 0, {"a 8193-byte image"}},
        {"", KBPTOOL, "info chunk.kbp", 0, {"info: 8193 bytes, a valid image"}},
        {"", KBPTOOL, "--help", 0, {"Usage: kbptool [OPTIONS] SUBCOMMAND"}},
        {"", KBPTOOL, "download --help", 0, {"Usage: kbptool download [OPTIONS] IMAGE"}},
        {"", KBPTOOL, "--sim download sample.kbp --interface USB --keyboard USB --sim-state state.bin", 0,
         {"over USB", "read back and verified"}},
        {"", KBPTOOL, "--sim send 0xEE --interface Ports --sim-state state.bin", 0, {"controller ports"}},
        {"", KBPTOOL, "--sim interface PortDriver --sim-state state.bin", 0, {"interface: 3 (portdriver)"}},
        {"KBPTOOL_SIM=Yes", KBPTOOL, "upload back.kbp --sim-state state.bin", 0, {"simulated keyboard"}},
        {"KBPTOOL_SIM=off", KBPTOOL, "upload back.kbp --sim-state state.bin", 2, {"unknown option --sim-state"}},
        {"KBPTOOL_SIM=", KBPTOOL, "upload back.kbp --sim-state state.bin", 2, {"unknown option --sim-state"}},
        {"KBPTOOL_SIM=maybe", KBPTOOL, "info sample.kbp", 3,
         {"KBPTOOL_SIM=maybe is neither on nor off", "takes 1, yes, true or on (the simulated PC), 0, no, false, off"}},
        // Alone in a folder: --sim has no kbptool-sim to hand over to, and JSON still says so.
        {"cp " KBPTOOL " lone &&", "./lone", "--sim interface --json", 3,
         {"{\"command\": \"\", ", "\"text\": \"cannot run ", "/kbptool-sim: No such file", "\"exit_code\": 3"}},
        {"", KBDSIM_PTY, "--help", 0, {"usage: kbdsim_pty", "  --memory FILE", "  --max-seconds N"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.environment) + " " + c.arguments);
        EXPECT_EQ(run_with(c.environment, c.program, c.arguments), c.exit_code) << output();
        for (const char* text : c.texts) EXPECT_NE(output().find(text), std::string::npos) << output();
    }
}

TEST_F(Details, AFullDiskSaysSoWhenAnUploadCannotWrite) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to mount a small tmpfs";
    const fs::path disk = folder / "disk";
    fs::create_directories(disk);
    if (mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=16k") != 0) GTEST_SKIP() << "tmpfs cannot be mounted here";
    const std::unique_ptr<const char, void (*)(const char*)> mounted(disk.c_str(), [](const char* at) { umount(at); });
    write("disk/filler", std::string(16 * 1024, 'x'));  // as much as fits
    EXPECT_EQ(run("download sample.kbp"), 0);
    EXPECT_EQ(run("upload disk/back.kbp"), 20);
    EXPECT_NE(output().find("could not be written to disk: No space left on device"), std::string::npos) << output();
}

TEST_F(Details, AnUploadedFileHasTheRightsOfAnyNewFile) {
    ASSERT_EQ(run("download sample.kbp"), 0);
    ASSERT_EQ(run_with("umask 027 &&", KBPTOOL, "--sim upload new.kbp --sim-state state.bin"), 0) << output();
    EXPECT_EQ(mode_of("new.kbp"), 0640u);
    write("old.kbp", "old");
    fs::permissions(folder / "old.kbp", fs::perms(0604));
    ASSERT_EQ(run_with("umask 077 &&", KBPTOOL, "--sim upload old.kbp --sim-state state.bin"), 0) << output();
    EXPECT_EQ(mode_of("old.kbp"), 0604u);
}

TEST_F(Details, TheLibrarysQuestionStandsOnItsOwnLineAndAsksAgainWhenUnclear) {
    int terminal = -1;
    const pid_t child = forkpty(&terminal, nullptr, nullptr, nullptr);
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (chdir(folder.c_str()) != 0) _exit(126);
        execl(KBPTOOL, KBPTOOL, "--sim", "upload", "back.kbp", "--fault", "no-answer", "--sim-state", "state.bin",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    std::string seen;
    const auto read_until = [&](const std::string& words) {
        char c;
        while (seen.find(words) == std::string::npos && ::read(terminal, &c, 1) == 1) seen += c;
        return seen.find(words) != std::string::npos;
    };
    ASSERT_TRUE(read_until("[o/c] "));
    EXPECT_TRUE(std::regex_search(seen, std::regex("\\x1b\\[K\r?\nkbptool: the library asks: \\[CONTINUE \\?\\] UPLOAD ERROR")))
        << seen;
    for (const char* answer : {"x\n", "\n"}) {
        seen.clear();
        ASSERT_EQ(::write(terminal, answer, std::strlen(answer)), ssize_t(std::strlen(answer)));
        EXPECT_TRUE(read_until("[o/c] ")) << seen;
        EXPECT_NE(seen.find("type o (or ok, y, yes) for OK, c (or cancel, n, no) for Cancel"), std::string::npos) << seen;
    }
    ASSERT_EQ(::write(terminal, "no\n", 3), 3);
    read_until("\x04");  // to the end
    int status = 0;
    waitpid(child, &status, 0);
    close(terminal);
    EXPECT_EQ(WEXITSTATUS(status), 20) << seen;
}

TEST_F(Details, UploadTotalsStaySteady) {
    ASSERT_EQ(run("download sample.kbp"), 0);
    for (const char* over : {"", " --usb"}) {
        SCOPED_TRACE(over);
        ASSERT_EQ(run(std::string("upload back.kbp") + over), 0);
        const std::string said = read("err.txt");
        const std::regex counts("~?([0-9]+)/([0-9]+) bytes");
        std::vector<long> totals;
        for (auto m = std::sregex_iterator(said.begin(), said.end(), counts); m != std::sregex_iterator(); ++m) {
            totals.push_back(std::stol((*m)[2]));
            EXPECT_LE(std::stol((*m)[1]), totals.back()) << said;
        }
        ASSERT_FALSE(totals.empty()) << said;
        // The estimate holds until the end, where the bytes received put it right.
        EXPECT_EQ(totals.back(), 1024) << said;
        for (std::size_t i = 0; i + 1 < totals.size(); ++i) EXPECT_EQ(totals[i], totals.front()) << said;
        EXPECT_GE(totals.front(), 1024);
        EXPECT_LE(totals.front(), 1024 + 16);
    }
}

TEST_F(Details, CtrlCInASimulatedDownloadKeepsWhatWasWrittenAsAnUnplugDoes) {
    ASSERT_EQ(run("new --end 4095 big.kbp"), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (chdir(folder.c_str()) != 0 || !freopen("err.txt", "w", stderr)) _exit(126);
        execl(KBPTOOL, KBPTOOL, "--sim", "download", "big.kbp", "--usb", "--keyboard", "usb", "--wire-speed",
              "--sim-state", "state.bin", static_cast<char*>(nullptr));
        _exit(127);
    }
    std::this_thread::sleep_for(std::chrono::seconds(2));  // of about 11 s on the wire
    kill(child, SIGINT);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130) << read("err.txt");
    EXPECT_NE(read("err.txt").find("interrupted (Ctrl-C): the keyboard holds part of the image ("),
              std::string::npos)
        << read("err.txt");
    const std::string image = read("big.kbp");
    const std::string state = read("state.bin");
    ASSERT_EQ(state.size(), 65536u);
    std::size_t same = 4;
    while (same < image.size() && state[same] == image[same]) ++same;
    EXPECT_GT(same, 64u);            // the first blocks are in
    EXPECT_LT(same, image.size());   // and not all of them
}

}  // namespace
