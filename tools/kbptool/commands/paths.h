#pragma once
// The five paths to the keyboard: their names, the InterfaceKind that chooses
// each, how a download cuts an image into frames on it, and how long those
// frames take on the wire.
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "include/kbpi32.h"

namespace kbptool {
enum class Path { ports, class_driver, port_driver, usb, com };

struct PathFacts {
    Path path;
    std::string_view name;   // on the command line: ports, class, portdriver, usb, com
    std::string_view title;  // in a message: controller ports, keyboard class driver, ...
    int kind;                // the InterfaceKind that chooses it; -1 for COM, which a port text chooses
    bool acknowledged;       // whether it waits for the keyboard's acknowledge of each byte
};
// Every path, in the order of their InterfaceKind, then COM, which has none.
inline constexpr PathFacts kPaths[] = {
    {Path::ports, "ports", "controller ports", KBP_INTERFACE_PORTS, true},
    {Path::class_driver, "class", "keyboard class driver", KBP_INTERFACE_CLASS_DRIVER, true},
    {Path::port_driver, "portdriver", "keyboard port driver", KBP_INTERFACE_PORT_DRIVER, false},
    {Path::usb, "usb", "USB", KBP_INTERFACE_USB, false},
    {Path::com, "com", "COM port", -1, true},
};
// Each row at its Path's place.
static_assert([] {
    for (int i = 0; i < int(std::size(kPaths)); ++i) if (int(kPaths[i].path) != i) return false;
    return true;
}());

const PathFacts& facts_of(Path path);
// The path an InterfaceKind chooses (KBP_INTERFACE_PORTS .. KBP_INTERFACE_USB);
// null for KBP_INTERFACE_AUTOMATIC and any other number.
const PathFacts* facts_of_kind(int kind);
std::optional<Path> path_from_name(std::string_view name);

// The names --interface and `interface` take: auto, then the paths a kind
// chooses (ports, class, portdriver, usb).
extern const std::vector<std::string> kInterfaceNames;
constexpr std::string_view kAutomaticName = "auto";
// The InterfaceKind of one of those names, or of a number 0..255.
std::optional<int> interface_kind(const std::string& name);

// Image bytes per write-block frame (fewer on USB).
int block_bytes(Path path);

struct DownloadPlan {
    long frames = 0;
    long frame_bytes = 0;
    double wire_seconds = 0;
};
// The frames of a download of a file of `file_size` bytes, the closing
// commands counted in the wire time; `line_rate` is the COM path's.
DownloadPlan plan_download(Path path, long file_size, std::uint32_t line_rate = 9600);
// Estimated wire time of one read of n bytes (the request frame, then the
// keys typed back), and of an upload of addresses 0..image_end chunk by chunk.
double seconds_per_read(Path path, int n, std::uint32_t line_rate = 9600);
double upload_seconds(Path path, unsigned image_end);
}  // namespace kbptool
