#pragma once
// kbptool as a technician runs it: the built program in a folder of its own,
// separate invocations that share the simulated keyboard through its state file.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

#ifdef KBDSIM_PTY
// A pty keyboard (kbdsim_pty) with `options`, writing its memory to `memory`
// when it ends: its slave's path, its process, and the pipe its summary comes on.
struct PtyKeyboard {
    pid_t pid = -1;
    int output = -1;
    std::string device;
};
inline PtyKeyboard start_pty_keyboard(std::vector<std::string> options, const std::string& memory) {
    for (const std::string a : {"--max-seconds", "60", "--memory"}) options.push_back(a);
    options.push_back(memory);
    int out[2];
    if (pipe(out) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        std::vector<std::string> args{KBDSIM_PTY};
        args.insert(args.end(), options.begin(), options.end());
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(KBDSIM_PTY, argv.data());
        _exit(127);
    }
    close(out[1]);
    std::string line;
    char c;
    while (::read(out[0], &c, 1) == 1 && c != '\n') line += c;
    return {pid, out[0], line};
}
#endif

class Kbptool : public ::testing::Test {
protected:
    Kbptool() {
        // Of this process too: runs of the suite side by side never share a folder.
        folder = fs::path(::testing::TempDir()) /
                 ("kbptool_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_" +
                  std::to_string(getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    ~Kbptool() override { fs::remove_all(folder); }

    // Runs kbptool on the simulated PC in the folder with the folder's state
    // file; the exit code.
    int run(const std::string& arguments) { return run_on("--sim " + arguments, arguments); }
    // Runs kbptool on this machine's devices (no --sim).
    int run_on_hardware(const std::string& arguments) { return run_on(arguments, "new"); }

    int run_on(const std::string& command_line, const std::string& arguments) {
        const bool talks_to_keyboard = !arguments.starts_with("new") && !arguments.starts_with("info") &&
                                       !arguments.starts_with("-") && arguments.find("--sim-state") == std::string::npos;
        const std::string keyboard_options = talks_to_keyboard ? " --sim-state state.bin" : "";
        const std::string command = "cd '" + folder.string() + "' && " KBPTOOL " " + command_line + keyboard_options +
                                    " >out.txt 2>err.txt </dev/null";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string read(const std::string& name) const {
        std::ifstream in(folder / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    bool exists(const std::string& name) const { return fs::exists(folder / name); }
    std::string output() const { return read("out.txt") + read("err.txt"); }
    void write(const std::string& name, const std::string& bytes) const {
        std::ofstream(folder / name, std::ios::binary) << bytes;
    }

    fs::path folder;
};
