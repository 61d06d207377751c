// kbdsim_pty as a program on the far end of a pty sees it: the keyboard
// answers on the slave, echoing only at the line settings it was started with.
#ifdef KBDSIM_PTY
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class PtyKeyboard : public ::testing::Test {
protected:
    void start(std::vector<std::string> args) {
        int out[2];
        ASSERT_EQ(pipe(out), 0);
        pid_ = fork();
        ASSERT_GE(pid_, 0);
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            close(out[1]);
            std::vector<char*> argv{const_cast<char*>(KBDSIM_PTY)};
            for (std::string& a : args) argv.push_back(a.data());
            argv.push_back(const_cast<char*>("--max-seconds"));
            argv.push_back(const_cast<char*>("30"));
            argv.push_back(nullptr);
            execv(KBDSIM_PTY, argv.data());
            _exit(127);
        }
        close(out[1]);
        out_ = out[0];
        const std::string path = read_line();
        slave_ = open(path.c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(slave_, 0) << path;
        termios t{};
        ASSERT_EQ(tcgetattr(slave_, &t), 0);
        cfmakeraw(&t);
        ASSERT_EQ(tcsetattr(slave_, TCSANOW, &t), 0);
    }

    ~PtyKeyboard() override {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (slave_ >= 0) close(slave_);
        if (out_ >= 0) close(out_);
    }

    std::string read_line() {
        std::string line;
        char c;
        while (read(out_, &c, 1) == 1 && c != '\n') line += c;
        return line;
    }

    // Sets the line as a serial driver would; a pty keeps parity only as INPCK.
    void set_line(speed_t speed, char parity) {
        termios t{};
        tcgetattr(slave_, &t);
        cfsetispeed(&t, speed);
        cfsetospeed(&t, speed);
        t.c_iflag &= ~INPCK;
        t.c_cflag &= ~(PARENB | PARODD);
        if (parity != 'N') {
            t.c_iflag |= INPCK;
            t.c_cflag |= PARENB | (parity == 'O' ? PARODD : 0);
        }
        tcsetattr(slave_, TCSANOW, &t);
    }

    // The keyboard's answer to one byte, or -1 when none came within 300 ms.
    int answer_to(std::uint8_t byte) {
        if (write(slave_, &byte, 1) != 1) return -2;
        pollfd p{slave_, POLLIN, 0};
        if (poll(&p, 1, 300) != 1) return -1;
        std::uint8_t reply = 0;
        return read(slave_, &reply, 1) == 1 ? reply : -2;
    }

    // Ends the keyboard and returns the summary it prints.
    std::string stop() {
        kill(pid_, SIGTERM);
        std::string summary, line;
        while (!(line = read_line()).empty()) summary += line + "\n";
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
        close(slave_);
        close(out_);
        slave_ = out_ = -1;
        return summary;
    }

    pid_t pid_ = -1;
    int out_ = -1;
    int slave_ = -1;
};

TEST_F(PtyKeyboard, EchoesOnlyAtItsLineSettingsAndAcknowledgesEveryOtherByte) {
    start({"2400,O,8,1"});
    set_line(B9600, 'O');
    EXPECT_EQ(answer_to(0xEE), -1);
    set_line(B2400, 'E');
    EXPECT_EQ(answer_to(0xEE), -1);
    set_line(B2400, 'N');
    EXPECT_EQ(answer_to(0xEE), -1);
    set_line(B2400, 'O');
    EXPECT_EQ(answer_to(0xEE), 0xEE);
    // A write-block frame of one byte 0x5A at address 4, then end of download.
    const std::uint8_t frame[] = {0xEF, 0x0F, '0', '0', '0', '4', '0', '1', '0', '5', '5', 'A', '0', 'F'};
    for (std::uint8_t b : frame) EXPECT_EQ(answer_to(b), 0xFA) << int(b);

    const std::string summary = stop();
    EXPECT_NE(summary.find("bytes 18\n"), std::string::npos) << summary;
    EXPECT_NE(summary.find("received EE EE EE EE EF 0F 30 30 30 34 30 31 30 35 35 41 30 46\n"), std::string::npos)
        << summary;
    EXPECT_NE(summary.find("echo_probes 4 echoes 1\n"), std::string::npos) << summary;
    EXPECT_NE(summary.find("frame 0F 0004 01 good\n"), std::string::npos) << summary;
}

TEST_F(PtyKeyboard, AnswersNothingWhenSilentAndNeverEchoesWithNoEcho) {
    start({"--silent"});
    EXPECT_EQ(answer_to(0xEE), -1);
    EXPECT_EQ(answer_to(0x41), -1);
    stop();

    start({"--no-echo"});
    EXPECT_EQ(answer_to(0xEE), -1);
    EXPECT_EQ(answer_to(0x41), 0xFA);
}

}  // namespace
#endif
