// kbdsim-hid: USB keyboards of the keyboard's vendor, and mice of another,
// on hidraw and evdev nodes served over FUSE, with the sysfs tree that
// finds them (`kbdsim-hid --help` lists the options).
#include <poll.h>
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>

#include "device_files.h"
#include "sysfs_tree.h"

namespace {

namespace fs = std::filesystem;
using namespace kbdsim_hid;

volatile sig_atomic_t stop_requested = 0;
void request_stop(int) { stop_requested = 1; }

struct Unplug {
    unsigned keyboard;
    unsigned long long after;
};

struct Options {
    fs::path root;
    unsigned keyboards = 1;
    unsigned mice = 0;
    std::string memory;
    std::string image;
    std::vector<Unplug> unplugs;
    long max_seconds = 300;
};

bool parse_unplug(const char* text, std::vector<Unplug>& unplugs) {
    Unplug u{};
    char tail = 0;
    if (std::sscanf(text, "%u:%llu%c", &u.keyboard, &u.after, &tail) != 2) return false;
    unplugs.push_back(u);
    return true;
}

bool parse_options(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool has_value = i + 1 < argc;
        if (a == "--root" && has_value) {
            o.root = argv[++i];
        } else if (a == "--keyboards" && has_value) {
            o.keyboards = unsigned(std::strtoul(argv[++i], nullptr, 10));
        } else if (a == "--mice" && has_value) {
            o.mice = unsigned(std::strtoul(argv[++i], nullptr, 10));
        } else if (a == "--memory" && has_value) {
            o.memory = argv[++i];
        } else if (a == "--image" && has_value) {
            o.image = argv[++i];
        } else if (a == "--unplug-after" && has_value) {
            if (!parse_unplug(argv[++i], o.unplugs)) return false;
        } else if (a == "--max-seconds" && has_value) {
            o.max_seconds = std::strtol(argv[++i], nullptr, 10);
        } else {
            return false;
        }
    }
    for (const Unplug& u : o.unplugs)
        if (u.keyboard >= o.keyboards) return false;
    return !o.root.empty();
}

bool read_file(const std::string& path, std::vector<std::uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
    return bool(in) || in.eof();
}

void write_memories(const Options& o, const std::vector<HidDevice>& devices) {
    if (o.memory.empty()) return;
    for (const HidDevice& d : devices) {
        if (d.kind != Kind::keyboard) continue;
        const auto& memory = d.keyboard.memory;
        std::ofstream out(o.memory + "." + std::to_string(d.number), std::ios::binary);
        out.write(reinterpret_cast<const char*>(memory.data()), std::streamsize(memory.size()));
        if (!out) std::fprintf(stderr, "kbdsim-hid: cannot write %s.%u\n", o.memory.c_str(), d.number);
    }
}

void print_summary(const std::vector<HidDevice>& devices) {
    for (const HidDevice& d : devices)
        std::printf("hidraw%u %s %04X:%04X: %llu reports, %llu grabs%s\n", d.number,
                    d.kind == Kind::keyboard ? "keyboard" : "mouse", d.vendor, d.product,
                    static_cast<unsigned long long>(d.reports), static_cast<unsigned long long>(d.grabs),
                    d.unplugged ? ", unplugged" : "");
    std::fflush(stdout);
}

// Requests one at a time until a signal, the time limit or an unmount.
void serve(fuse_session* session, long max_seconds) {
    const std::time_t deadline = std::time(nullptr) + max_seconds;
    fuse_buf buffer{};
    while (!stop_requested && !fuse_session_exited(session) && std::time(nullptr) < deadline) {
        pollfd p{fuse_session_fd(session), POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        const int n = fuse_session_receive_buf(session, &buffer);
        if (n == -EINTR || n == -EAGAIN) continue;
        if (n <= 0) break;
        fuse_session_process_buf(session, &buffer);
    }
    std::free(buffer.mem);
}

constexpr char kUsage[] =
    "usage: kbdsim-hid --root DIR [--keyboards N] [--mice M] [--memory PREFIX] [--image FILE]\n"
    "                  [--unplug-after K:BYTES]... [--max-seconds S]\n";

constexpr char kHelp[] =
    "\nUSB keyboards (vendor 053A) and mice (vendor 046D) for programs that look for them in sysfs\n"
    "and talk to their hidraw and evdev nodes. Writes the sysfs tree at DIR/sys, serves\n"
    "DIR/dev/hidrawI and DIR/dev/input/eventI over FUSE (keyboards first, then mice), and prints\n"
    "\"DIR/sys DIR/dev\" once mounted. Each output report written to a keyboard's hidraw node\n"
    "gives its data byte to the keyboard; the keys it types in answer to a read come out on its\n"
    "event node and as input reports on its hidraw node. Ends on SIGTERM or SIGINT, unmounts and\n"
    "prints one line for each device.\n\n"
    "  --root DIR             where sys/ and dev/ go\n"
    "  --keyboards N          keyboards (default 1)\n"
    "  --mice M               mice (default 0)\n"
    "  --memory PREFIX        write keyboard I's 64 KiB memory to PREFIX.I at the end\n"
    "  --image FILE           load the image into every keyboard's memory, as a download leaves it\n"
    "  --unplug-after K:BYTES pull keyboard K out once it took BYTES bytes: its nodes leave sysfs\n"
    "                         and DIR/dev, and writes on a node still open fail with EIO\n"
    "  --max-seconds S        end after S seconds (default 300)\n"
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
        std::fprintf(stderr, "%s(kbdsim-hid --help lists the options)\n", kUsage);
        return 2;
    }
    std::vector<HidDevice> devices = make_devices(options.keyboards, options.mice);
    if (!options.image.empty()) {
        std::vector<std::uint8_t> image;
        if (!read_file(options.image, image)) {
            std::fprintf(stderr, "kbdsim-hid: cannot read %s\n", options.image.c_str());
            return 1;
        }
        for (HidDevice& d : devices)
            if (d.kind == Kind::keyboard) load_image(d, image);
    }
    for (const Unplug& u : options.unplugs) devices[u.keyboard].unplug_after = u.after;

    const fs::path root = fs::absolute(options.root);
    const fs::path sys = root / "sys", dev = root / "dev";
    std::error_code error;
    write_sysfs_tree(sys, devices);
    fs::create_directories(dev, error);
    DeviceFiles files(devices, sys);

    const char* fuse_argv[] = {argv[0], "-o", "fsname=kbdsim-hid,subtype=kbdsim-hid,default_permissions"};
    fuse_args args = FUSE_ARGS_INIT(3, const_cast<char**>(fuse_argv));
    const fuse_lowlevel_ops& operations = device_file_operations();
    fuse_session* session = fuse_session_new(&args, &operations, sizeof operations, &files);
    fuse_opt_free_args(&args);
    if (session == nullptr || fuse_session_mount(session, dev.c_str()) != 0) {
        std::fprintf(stderr, "kbdsim-hid: cannot mount FUSE at %s\n", dev.c_str());
        if (session != nullptr) fuse_session_destroy(session);
        return 1;
    }
    struct sigaction action {};
    action.sa_handler = request_stop;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    signal(SIGHUP, SIG_IGN);
    signal(SIGPIPE, SIG_IGN);
    std::printf("%s %s\n", sys.c_str(), dev.c_str());
    std::fflush(stdout);

    serve(session, options.max_seconds);
    files.close_all();
    fuse_session_unmount(session);
    fuse_session_destroy(session);
    write_memories(options, devices);
    print_summary(devices);
    return 0;
}
