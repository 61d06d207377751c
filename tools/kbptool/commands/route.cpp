#include "commands/route.h"

#include <cstdlib>

#include "include/kbpi32.h"
#include "commands/session.h"

namespace kbptool {

std::string Route::name() const {
    if (path != Path::com) return std::string(path_title(path));
    return com_port + (settings.empty() ? " (line settings searched)" : " at " + settings);
}

namespace {

// The COM port a port text names: "COM5", "COM 5", "COM12" (which the library
// refuses); the settings after the colon.
void read_com_text(const std::string& text, Route& route) {
    const std::size_t number = text.size() > 4 && text[3] == ' ' ? 4 : 3;
    const std::size_t digits = text.find_first_not_of("0123456789", number);
    route.com_port = "COM" + text.substr(number, digits == std::string::npos ? std::string::npos : digits - number);
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos) return;
    route.settings = text.substr(colon + 1);
    const unsigned long rate = std::strtoul(route.settings.c_str(), nullptr, 10);
    if (rate != 0) route.line_rate = std::uint32_t(rate);
}

}  // namespace

std::optional<Route> choose_route(const KbpLibrary& library, const TransferOptions& t) {
    const int kind = t.interface_name.empty() ? KBP_INTERFACE_AUTOMATIC : *interface_kind(t.interface_name);
    if (library.set_interface(kind) != 0) return std::nullopt;
    Route route;
    const int chosen = library.get_interface();
    if (const std::optional<Path> path = path_of_kind(chosen)) route.upload_path = *path;
    route.port_text = t.usb ? "USB" : t.port;
    // A USB port text puts the frames on USB, over whatever was chosen.
    if (route.port_text.starts_with("USB")) route.upload_path = Path::usb;
    route.path = route.upload_path;
    if (route.port_text.starts_with("COM")) {
        route.path = Path::com;
        read_com_text(route.port_text, route);
    }
    return route;
}

}  // namespace kbptool
