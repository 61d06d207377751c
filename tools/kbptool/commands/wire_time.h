#pragma once
// The five paths to the keyboard, how a download cuts an image into frames on
// each, and how long those frames take on the wire.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kbptool {

enum class Path { ports, class_driver, port_driver, usb, com };

// Every path, in the order of their InterfaceKind, then COM, which has none.
constexpr Path kAllPaths[] = {Path::ports, Path::class_driver, Path::port_driver, Path::usb, Path::com};

// The path of an InterfaceKind (KBP_INTERFACE_PORTS .. KBP_INTERFACE_USB);
// none for KBP_INTERFACE_AUTOMATIC and any other number.
std::optional<Path> path_of_kind(int kind);
// The InterfaceKind that chooses a path; none for COM, which a port text chooses.
std::optional<int> kind_of_path(Path path);

// The name on the command line: ports, class, portdriver, usb, com.
std::string_view path_name(Path path);
// The name in a message: controller ports, keyboard class driver, ...
std::string_view path_title(Path path);
std::optional<Path> path_from_name(std::string_view name);

// Image bytes per write-block frame (fewer on USB).
int block_bytes(Path path);

struct DownloadPlan {
    long frames = 0;
    long frame_bytes = 0;
    double wire_seconds = 0;
};
// The frames of a download of a file of `file_size` bytes (from the first
// image address on), with the closing commands in the wire time. `line_rate` is for the COM path.
DownloadPlan plan_download(Path path, long file_size, std::uint32_t line_rate = 9600);

// Estimated wire time of one read transaction of n bytes: the request frame,
// then 2n + 2 keys typed back.
double seconds_per_read(Path path, int n, std::uint32_t line_rate = 9600);
// Estimated wire time of an upload of keyboard addresses 0..image_end, chunk
// by chunk, on a path an upload takes (none is COM).
double upload_seconds(Path path, unsigned image_end);

}  // namespace kbptool
