#pragma once
// The port texts of the library's transfers as the tool reads them: which path
// a text names, a COM text's port and line settings (read by the library's own
// parser), and the path options a command line may not give together.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "commands/wire_time.h"
#include "include/kbp_protocol.h"

namespace kbptool {

// The port texts of kbp_download: a text beginning with "USB" puts the frames
// on USB, one beginning with "COM" on that COM port; "AT" (or none) leaves
// them on the path the interface choice makes.
constexpr std::string_view kUsbPortText = KBP_PORT_TEXT_USB;
constexpr std::string_view kComPortText = KBP_PORT_TEXT_COM;
constexpr std::string_view kChosenPathText = KBP_PORT_TEXT_CHOSEN;
// The path a port text puts the frames on; none where the interface choice
// decides (AT, "") or the library refuses the text.
std::optional<Path> path_of_port_text(std::string_view port_text);

// A port text beginning with "COM" as the library reads it.
struct ComText {
    std::string port;              // "COM5" ("COM 5" names it too)
    std::string settings;          // "9600,N,8,1"; empty: the library searches the line settings
    std::uint32_t line_rate = 9600;
    std::string wrong;             // the part of the settings the library would not take as written
};

// Reads a COM text as kbp_download does.
ComText read_com_text(const std::string& port_text);

struct OptionsRefusal {
    std::string text;    // what on the command line is wrong
    std::string reason;  // why
    std::string hint;    // what is allowed
};
// Why the path options cannot be taken: two of them name different paths, or
// --port carries line settings the library would not take as written. None
// when they can. `given_port` is --port as written, `port_text` the library's
// text for it (a Linux serial device becomes a COM number).
std::optional<OptionsRefusal> refuse_path_options(const std::string& given_port, const std::string& port_text,
                                                  bool usb, const std::string& interface_name);

}  // namespace kbptool
