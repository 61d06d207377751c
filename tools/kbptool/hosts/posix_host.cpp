// What the POSIX hosts (Linux, the simulated PC) do alike with the system:
// the record of transfers under flock, a worker as a child process on a pipe,
// and device names compared by what they lead to.
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "hosts/host.h"

namespace kbptool::host {
namespace {

std::string system_reason(int error) { return std::strerror(error); }

int open_log(const std::string& path) { return ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644); }

class ChildWorker final : public Worker {
public:
    ChildWorker(pid_t pid, int output) : pid_(pid), output_(output) {}
    ~ChildWorker() override {
        if (output_ >= 0) ::close(output_);
        if (!reaped_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    long read(char* buffer, long size) override {
        const ssize_t n = ::read(output_, buffer, std::size_t(size));
        if (n > 0) return long(n);
        return n < 0 && (errno == EAGAIN || errno == EINTR) ? 0 : -1;
    }
    std::optional<int> wait(std::string& death) override {
        int status = 0;
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        reaped_ = true;
        if (WIFEXITED(status)) return WEXITSTATUS(status);
        death = WIFSIGNALED(status) ? std::string("ended by signal ") + std::to_string(WTERMSIG(status)) + " (" +
                                          strsignal(WTERMSIG(status)) + ")"
                                    : "ended without an exit code";
        return std::nullopt;
    }
    void interrupt() override {
        if (!reaped_) kill(pid_, SIGINT);
    }

private:
    pid_t pid_;
    int output_;
    bool reaped_ = false;
};
}  // namespace

bool same_device(const std::string& a, const std::string& b) {
    if (a == b) return true;
    char real_a[PATH_MAX], real_b[PATH_MAX];
    return realpath(a.c_str(), real_a) != nullptr && realpath(b.c_str(), real_b) != nullptr &&
           std::strcmp(real_a, real_b) == 0;
}

std::string machine_name() {
    char name[256] = {};
    return gethostname(name, sizeof name - 1) == 0 ? name : "";
}

bool check_log(const std::string& path, std::string& error) {
    struct stat seen {};
    if (stat(path.c_str(), &seen) == 0 && S_ISDIR(seen.st_mode)) {
        error = path + ": " + system_reason(EISDIR);
        return false;
    }
    const int fd = open_log(path);
    if (fd < 0) {
        error = path + ": " + system_reason(errno);
        return false;
    }
    ::close(fd);
    return true;
}

bool append_log(const std::string& path, const std::string& line, std::string& error) {
    const int fd = open_log(path);
    if (fd < 0) {
        error = path + ": " + system_reason(errno);
        return false;
    }
    // O_APPEND puts each write at the end; the lock keeps another kbptool's
    // line from landing inside a short write's retry.
    while (flock(fd, LOCK_EX) != 0 && errno == EINTR) {
    }
    const ssize_t written = ::write(fd, line.data(), line.size());
    const int written_error = errno;
    const bool whole = written == ssize_t(line.size());
    // A full disk may show only when the data is flushed.
    const bool synced = !whole || fdatasync(fd) == 0 || errno == EINVAL;
    const int sync_error = errno;
    flock(fd, LOCK_UN);
    ::close(fd);
    if (whole && synced) return true;
    error = path + ": " + system_reason(!whole ? (written < 0 ? written_error : ENOSPC) : sync_error);
    return false;
}

std::unique_ptr<Worker> start_worker(const std::vector<std::string>& arguments, std::string& error) {
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) {
        error = "cannot find this program: " + system_reason(errno);
        return nullptr;
    }
    self[length] = '\0';
    int output[2];
    if (pipe2(output, O_CLOEXEC) != 0) {
        error = "cannot make a pipe: " + system_reason(errno);
        return nullptr;
    }
    std::vector<std::string> args{self};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        const int nothing = ::open("/dev/null", O_RDONLY);
        dup2(nothing, STDIN_FILENO);
        dup2(output[1], STDOUT_FILENO);
        dup2(output[1], STDERR_FILENO);
        execv(self, argv.data());
        _exit(127);
    }
    ::close(output[1]);
    fcntl(output[0], F_SETFL, O_NONBLOCK);
    if (pid < 0) {
        error = "cannot start a worker: " + system_reason(errno);
        ::close(output[0]);
        return nullptr;
    }
    return std::make_unique<ChildWorker>(pid, output[0]);
}
}  // namespace kbptool::host
