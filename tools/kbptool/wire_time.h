#pragma once
// The five paths to the keyboard, how a download cuts an image into frames on
// each, and how long those frames take on the wire.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kbptool {

enum class Path { ports, class_driver, port_driver, usb, com };

// In the order of their InterfaceKind 1..4, then COM, which has none.
constexpr Path kAllPaths[] = {Path::ports, Path::class_driver, Path::port_driver, Path::usb, Path::com};

// The path of an InterfaceKind (1 ports .. 4 usb); none for 0 and the rest.
std::optional<Path> path_of_kind(int kind);

// The name on the command line: ports, class, portdriver, usb, com.
std::string_view path_name(Path path);
// The name in a message: controller ports, keyboard class driver, ...
std::string_view path_title(Path path);
std::optional<Path> path_from_name(std::string_view name);

// Image bytes per write-block frame (fewer on USB).
int block_bytes(Path path);
// Bytes of a write-block frame carrying n image bytes.
constexpr int write_frame_bytes(int n) { return 12 + 2 * n; }

struct DownloadPlan {
    long frames = 0;
    long frame_bytes = 0;
    double wire_seconds = 0;
};
// The frames of a download of a file of `file_size` bytes (from offset 4),
// with the three closing bytes in the wire time. `line_rate` is for the COM path.
DownloadPlan plan_download(Path path, long file_size, std::uint32_t line_rate = 9600);

// Estimated wire time of one acknowledged byte on a path.
double seconds_per_byte(Path path, std::uint32_t line_rate = 9600);
// Estimated wire time of one read transaction of n bytes: the request frame,
// then 2n + 2 keys typed back.
double seconds_per_read(Path path, int n, std::uint32_t line_rate = 9600);

}  // namespace kbptool
