#include "commands/paths.h"

#include "cli/numbers.h"
#include "files/image.h"
#include "include/kbp_protocol.h"

namespace kbptool {
namespace {

// A keyboard-link byte with its acknowledge: 11 bits each way at about 12 kHz,
// and the keyboard's turnaround.
constexpr double kKeyboardLinkByte = 0.002;
// The controller ports tunnel each byte through two set-LED commands, each
// keyboard-link byte acknowledged.
constexpr double kTunnelledByte = KBP_TUNNEL_LINK_BYTES * kKeyboardLinkByte;
// One HID output report per byte, one per USB frame.
constexpr double kUsbReport = 0.001;
// A key typed back: make and break code on the keyboard link.
constexpr double kKeyTyped = 2 * kKeyboardLinkByte;
// The end-of-download command, then the one-byte enable command.
constexpr int kClosingBytes = KBP_END_OF_DOWNLOAD_BYTES + 1;

// Estimated wire time of one acknowledged byte on a path.
double seconds_per_byte(Path path, std::uint32_t line_rate) {
    switch (path) {
    case Path::ports: return kTunnelledByte;
    case Path::usb: return kUsbReport;
    // Ten bits out and the acknowledge's ten bits back.
    case Path::com: return 20.0 / (line_rate != 0 ? line_rate : 9600);
    default: return kKeyboardLinkByte;
    }
}
}  // namespace

const PathFacts& facts_of(Path path) { return kPaths[int(path)]; }

const PathFacts* facts_of_kind(int kind) {
    for (const PathFacts& p : kPaths)
        if (p.kind == kind && kind >= 0) return &p;
    return nullptr;
}

std::optional<Path> path_from_name(std::string_view name) {
    for (const PathFacts& p : kPaths)
        if (p.name == name) return p.path;
    return std::nullopt;
}

const std::vector<std::string> kInterfaceNames = [] {
    std::vector<std::string> names{std::string(kAutomaticName)};
    for (const PathFacts& p : kPaths)
        if (p.kind >= 0) names.emplace_back(p.name);
    return names;
}();

std::optional<int> interface_kind(const std::string& name) {
    if (name == kAutomaticName) return KBP_INTERFACE_AUTOMATIC;
    if (const std::optional<Path> path = path_from_name(name); path && facts_of(*path).kind >= 0)
        return facts_of(*path).kind;
    return byte_value(name);
}

int block_bytes(Path path) { return path == Path::usb ? KBP_DOWNLOAD_USB_BLOCK : KBP_DOWNLOAD_BLOCK; }

DownloadPlan plan_download(Path path, long file_size, std::uint32_t line_rate) {
    DownloadPlan plan;
    const long block = block_bytes(path);
    for (long at = KBP_IMAGE_FIRST_ADDRESS; at < file_size; at += block) {
        const long n = file_size - at < block ? file_size - at : block;
        ++plan.frames;
        plan.frame_bytes += KBP_WRITE_BLOCK_FRAME_BYTES(n);
    }
    plan.wire_seconds = double(plan.frame_bytes + kClosingBytes) * seconds_per_byte(path, line_rate);
    return plan;
}

double seconds_per_read(Path path, int n, std::uint32_t line_rate) {
    return KBP_READ_REQUEST_FRAME_BYTES * seconds_per_byte(path, line_rate) + KBP_READ_ANSWER_KEYS(n) * kKeyTyped;
}

double upload_seconds(Path path, unsigned image_end) {
    const unsigned chunk = upload_chunk(path == Path::usb);
    const unsigned reads = (image_end + chunk) / chunk;
    return reads * seconds_per_read(path, int(chunk));
}
}  // namespace kbptool
