// kbdsim_pty: the keyboard on the far end of a serial line, played on a pty
// (`kbdsim_pty --help` lists its options).
//
// Every byte is acknowledged and frames are decoded into the keyboard's
// memory. The echo command is answered only while the line is at the settings
// asked for: a pty shows rate and parity, no data bits. At the end it writes a
// summary of what it received and, with --memory, its 64 KiB memory.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "kbdsim/keyboard.h"

namespace {

volatile sig_atomic_t stop_requested = 0;
void request_stop(int) { stop_requested = 1; }

enum class Echo { any_setting, at_setting, never };

struct Options {
    Echo echo = Echo::any_setting;
    unsigned rate = 0;
    char parity = 'N';  // N, O or E
    kbdsim::AnswerMode answers = kbdsim::AnswerMode::acknowledge;
    const char* summary = nullptr;
    const char* memory = nullptr;
    long max_seconds = 900;
    unsigned long long hang_up_after = 0;  // 0: never
    long byte_delay_ms = 0;                // each answer this late, as a slow line and keyboard
};

struct Speed {
    speed_t code;
    unsigned rate;
};
constexpr Speed kSpeeds[] = {{B50, 50},       {B75, 75},       {B110, 110},     {B134, 134},   {B150, 150},
                             {B200, 200},     {B300, 300},     {B600, 600},     {B1200, 1200}, {B1800, 1800},
                             {B2400, 2400},   {B4800, 4800},   {B9600, 9600},   {B19200, 19200},
                             {B38400, 38400}, {B57600, 57600}, {B115200, 115200}};

unsigned rate_of(speed_t code) {
    for (const Speed& s : kSpeeds)
        if (s.code == code) return s.rate;
    return 0;
}

// The pty driver forces 8 data bits and clears PARENB on the slave; the
// parity a program asked for survives only as INPCK with or without PARODD.
char parity_of(const termios& t) {
    if (!(t.c_cflag & PARENB) && !(t.c_iflag & INPCK)) return 'N';
    return (t.c_cflag & PARODD) ? 'O' : 'E';
}

bool parse_settings(const char* text, Options& o) {
    unsigned rate = 0;
    char parity = 0;
    if (std::sscanf(text, "%u,%c", &rate, &parity) != 2) return false;
    parity = static_cast<char>(std::toupper(static_cast<unsigned char>(parity)));
    if (rate == 0 || (parity != 'N' && parity != 'O' && parity != 'E')) return false;
    o.rate = rate;
    o.parity = parity;
    o.echo = Echo::at_setting;
    return true;
}

bool parse_options(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--no-echo") {
            o.echo = Echo::never;
        } else if (a == "--silent") {
            o.answers = kbdsim::AnswerMode::silent;
        } else if (a == "--resend") {
            o.answers = kbdsim::AnswerMode::resend;
        } else if (a == "--summary" && i + 1 < argc) {
            o.summary = argv[++i];
        } else if (a == "--memory" && i + 1 < argc) {
            o.memory = argv[++i];
        } else if (a == "--max-seconds" && i + 1 < argc) {
            o.max_seconds = std::strtol(argv[++i], nullptr, 10);
        } else if (a == "--byte-delay-ms" && i + 1 < argc) {
            o.byte_delay_ms = std::strtol(argv[++i], nullptr, 10);
        } else if (a == "--hang-up-after" && i + 1 < argc) {
            o.hang_up_after = std::strtoull(argv[++i], nullptr, 10);
        } else if (a.empty() || a[0] == '-' || !parse_settings(argv[i], o)) {
            return false;
        }
    }
    return true;
}

struct Line {
    int master = -1;
    int slave = -1;
    std::string slave_path;
};

bool open_line(Line& line) {
    // In a session of its own the slave becomes this process's controlling
    // terminal, so no program that opens it later can take it as its own.
    setsid();
    line.master = posix_openpt(O_RDWR | O_NOCTTY);
    if (line.master < 0 || grantpt(line.master) != 0 || unlockpt(line.master) != 0) return false;
    const char* name = ptsname(line.master);
    if (name == nullptr) return false;
    line.slave_path = name;
    // Held open for the whole run: the master never sees a hang-up when a
    // program closes its end.
    line.slave = open(name, O_RDWR);
    if (line.slave < 0) return false;
    termios t{};
    if (tcgetattr(line.slave, &t) != 0) return false;
    cfmakeraw(&t);
    return tcsetattr(line.slave, TCSANOW, &t) == 0;
}

// Both ends closed: the program's end of the line is hung up.
void hang_up(Line& line) {
    close(line.master);
    close(line.slave);
    line.master = line.slave = -1;
}

struct Counts {
    unsigned long echo_probes = 0;
    unsigned long echoes = 0;
};

void answer(const Line& line, const Options& o, kbdsim::Keyboard& keyboard, std::uint8_t byte, Counts& counts) {
    kbdsim::Reply reply = keyboard.receive(byte);
    if (!reply.present) return;
    if (o.byte_delay_ms > 0) {
        const timespec delay{o.byte_delay_ms / 1000, (o.byte_delay_ms % 1000) * 1000000};
        nanosleep(&delay, nullptr);
    }
    if (byte == kbdsim::kEcho && reply.byte == kbdsim::kEcho) {
        ++counts.echo_probes;
        termios t{};
        const bool line_matches =
            tcgetattr(line.master, &t) == 0 && rate_of(cfgetospeed(&t)) == o.rate && parity_of(t) == o.parity;
        if (o.echo == Echo::never || (o.echo == Echo::at_setting && !line_matches)) return;
        ++counts.echoes;
    }
    if (write(line.master, &reply.byte, 1) != 1) std::perror("kbdsim_pty: write");
}

void write_summary(const Options& o, const kbdsim::Keyboard& keyboard, const Counts& counts) {
    FILE* out = o.summary != nullptr ? std::fopen(o.summary, "w") : stdout;
    if (out == nullptr) return;
    std::fprintf(out, "bytes %llu\n", static_cast<unsigned long long>(keyboard.bytes_received));
    std::fprintf(out, "received");
    for (std::uint8_t b : keyboard.received) std::fprintf(out, " %02X", b);
    std::fprintf(out, "\n");
    std::fprintf(out, "echo_probes %lu echoes %lu\n", counts.echo_probes, counts.echoes);
    std::fprintf(out, "frames %zu good %llu bad %llu\n", keyboard.frames.size(),
                 static_cast<unsigned long long>(keyboard.good_frames),
                 static_cast<unsigned long long>(keyboard.bad_frames));
    for (const kbdsim::Frame& f : keyboard.frames)
        std::fprintf(out, "frame %02X %04X %02X %s\n", f.command, f.address, f.count, f.good ? "good" : "bad");
    std::fprintf(out, "end_of_download %llu enable %llu\n", static_cast<unsigned long long>(keyboard.end_of_download),
                 static_cast<unsigned long long>(keyboard.enable_commands));
    if (out != stdout) std::fclose(out);
}

void write_memory(const Options& o, const kbdsim::Keyboard& keyboard) {
    if (o.memory == nullptr) return;
    FILE* out = std::fopen(o.memory, "wb");
    if (out == nullptr || std::fwrite(keyboard.memory.data(), 1, keyboard.memory.size(), out) != keyboard.memory.size())
        std::perror("kbdsim_pty: memory");
    if (out != nullptr) std::fclose(out);
}

constexpr char kUsage[] =
    "usage: kbdsim_pty [RATE,PARITY,DATA,STOP] [--no-echo|--silent|--resend] [--summary FILE] "
    "[--memory FILE] [--max-seconds N] [--hang-up-after N] [--byte-delay-ms N]\n";

constexpr char kHelp[] =
    "\nA keyboard on the far end of a serial line, played on a pty. The first line of output is the\n"
    "pty's path: a program that opens it talks to the keyboard. Ends on SIGTERM or SIGINT.\n\n"
    "  RATE,PARITY,DATA,STOP  answer the echo command only at these line settings, e.g. 2400,O,8,1\n"
    "                         (rate and parity count); without them at any settings\n"
    "  --no-echo              never answer the echo command\n"
    "  --silent               answer nothing, as a line with no keyboard\n"
    "  --resend               answer every byte with a resend request\n"
    "  --summary FILE         write the summary of what was received to FILE (default: standard output)\n"
    "  --memory FILE          write the keyboard's 64 KiB memory to FILE at the end\n"
    "  --max-seconds N        end after N seconds (default 900)\n"
    "  --hang-up-after N      close the line once N bytes came, as a keyboard pulled off the port\n"
    "  --byte-delay-ms N      answer each byte N ms late, as a slow line (programming several at once)\n"
    "  -h, --help             print this help\n";

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf("%s%s", kUsage, kHelp);
            return 0;
        }
    Options options;
    if (!parse_options(argc, argv, options)) {
        std::fprintf(stderr, "%s(kbdsim_pty --help lists the options)\n", kUsage);
        return 2;
    }
    struct sigaction action {};
    action.sa_handler = request_stop;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    signal(SIGHUP, SIG_IGN);

    Line line;
    if (!open_line(line)) {
        std::perror("kbdsim_pty: pty");
        return 1;
    }
    std::printf("%s\n", line.slave_path.c_str());
    std::fflush(stdout);

    kbdsim::Keyboard keyboard;
    keyboard.answer_mode = options.answers;
    Counts counts;
    const std::time_t deadline = std::time(nullptr) + options.max_seconds;
    while (!stop_requested && std::time(nullptr) < deadline) {
        pollfd p{line.master, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        std::uint8_t buffer[256];
        const ssize_t n = read(line.master, buffer, sizeof buffer);
        if (n <= 0) continue;
        for (ssize_t i = 0; i < n && line.master >= 0; ++i) {
            answer(line, options, keyboard, buffer[i], counts);
            if (keyboard.bytes_received == options.hang_up_after) hang_up(line);
        }
    }
    write_summary(options, keyboard, counts);
    write_memory(options, keyboard);
    return 0;
}
