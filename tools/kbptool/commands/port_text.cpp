#include "commands/port_text.h"

#include "commands/wire_time.h"
#include "output/report.h"
#include "platform/line_settings.h"

namespace kbptool {

namespace {

namespace line_text = platform::line_text;

// Settings the library takes, whose parts stand in for the others' when one part is looked at alone.
constexpr std::string_view kExampleSettings = "9600,N,8,1";
constexpr std::size_t kExampleParity = 5;
// The library reads the settings after "COM1:": one digit, then any one character.
constexpr std::size_t kSettingsAt = kComPortText.size() + 2;
constexpr char kDigits[] = "0123456789";
constexpr char kOneStopBit[] = "1";

bool parses(const std::string& settings) {
    platform::LineSettings ignored;
    return platform::parse_line_settings(settings.c_str(), ignored);
}

std::string allowed_rates() {
    std::uint32_t most = 1;
    for (int digit = 0; digit < line_text::kMaxRateDigits; ++digit) most *= 10;
    most = (most - 1) / line_text::kRateStep * line_text::kRateStep;
    return std::to_string(line_text::kRateStep) + ".." + std::to_string(most) + " in steps of " +
           std::to_string(line_text::kRateStep);
}

std::string example_part(std::size_t from, std::size_t to = std::string_view::npos) {
    return std::string(kExampleSettings.substr(from, to == std::string_view::npos ? to : to - from));
}

// Which part of settings the parser refuses: each part is tried with the
// example's other parts.
std::string refused_part(const std::string& settings) {
    const std::size_t rate_end = std::min(settings.find_first_not_of(kDigits), settings.size());
    const std::string rate = settings.substr(0, rate_end);
    if (rate.empty()) return "\"" + settings + "\" does not begin with the rate";
    if (!parses(rate + example_part(kExampleParity - 1)))
        return "the rate " + rate + " is not one the library sets (" + allowed_rates() + ")";
    const std::string parity = settings.substr(std::min(rate_end + 1, settings.size()), 1);
    if (!parses(example_part(0, kExampleParity) + parity + example_part(kExampleParity + 1)))
        return parity.empty() ? "no parity after the rate" : "the parity " + parity + " is not N, O or E";
    const std::string before_data = rate + settings.substr(rate_end, 2);
    if (settings.find_first_of(kDigits, rate_end) == std::string::npos) return "no data bits after " + before_data;
    return "the data bits after " + before_data + " are not 7 or 8";
}

// The stop bits: the third run of digits, which the parser leaves unread.
std::string refused_stop_bits(const std::string& settings) {
    std::size_t at = 0;
    for (int run = 0; run < 2; ++run) at = settings.find_first_not_of(kDigits, settings.find_first_of(kDigits, at));
    if (at == std::string::npos) return {};
    const std::size_t stop = settings.find_first_of(kDigits, at);
    const std::size_t stop_end = std::min(settings.find_first_not_of(kDigits, stop), settings.size());
    if (stop == std::string::npos) return "\"" + settings.substr(at) + "\" after the data bits is not the stop bits";
    const std::string bits = settings.substr(stop, stop_end - stop);
    if (bits != kOneStopBit) return "the stop bits " + bits + ": the library always sets " + kOneStopBit + " stop bit";
    if (stop_end != settings.size()) return "\"" + settings.substr(stop_end) + "\" after the stop bits";
    return {};
}

std::string port_words(const std::string& given, std::optional<Path> path) {
    if (path == Path::usb) return "USB";
    if (path == Path::com) return given.substr(0, given.find(':'));
    if (given.starts_with(kChosenPathText)) return "the path the interface choice makes";
    return "\"" + given + "\"";
}

OptionsRefusal two_paths(const std::string& first, const std::string& first_path, const std::string& second,
                         const std::string& second_path) {
    return {first + " and " + second + " name two different paths: " + first_path + " and " + second_path,
            "a transfer takes one path",
            "keep the one you mean: " + first + " or " + second};
}

}  // namespace

std::optional<Path> path_of_port_text(std::string_view port_text) {
    if (port_text.starts_with(kUsbPortText)) return Path::usb;
    if (port_text.starts_with(kComPortText)) return Path::com;
    return std::nullopt;
}

ComText read_com_text(const std::string& text) {
    ComText com;
    const std::size_t number = text.size() > kComPortText.size() + 1 && text[kComPortText.size()] == ' '
                                   ? kComPortText.size() + 1
                                   : kComPortText.size();
    const std::size_t digits_end = std::min(text.find_first_not_of(kDigits, number), text.size());
    com.port = std::string(kComPortText) + text.substr(number, digits_end - number);
    if (text.size() <= digits_end + 1) return com;  // "COM5", "COM5:": the search
    com.settings = text.substr(digits_end + 1);
    // COM12 and COM without a number the library refuses whatever follows.
    if (digits_end - number != 1) return com;
    if (digits_end != kSettingsAt - 1) {
        com.wrong = "the library reads line settings only right after \"" + com.port + ":\" (no blank), so it would "
                    "search them";
        return com;
    }
    platform::LineSettings line;
    if (!platform::parse_line_settings(com.settings.c_str(), line)) {
        com.wrong = refused_part(com.settings) + ", so the library would search the line settings";
        return com;
    }
    com.wrong = refused_stop_bits(com.settings);
    com.line_rate = line.rate;
    return com;
}

std::optional<OptionsRefusal> refuse_path_options(const std::string& given_port, const std::string& port_text,
                                                  bool usb, const std::string& interface_name) {
    const std::optional<Path> port_path = path_of_port_text(port_text);
    const std::string port_option = "--port " + given_port;
    if (usb && !given_port.empty() && port_path != Path::usb)
        return two_paths("--usb", "USB", port_option, port_words(given_port, port_path));
    if (const std::optional<Path> chosen = path_from_name(interface_name)) {
        const std::string interface_option = "--interface " + interface_name;
        const std::string chosen_words = path_phrase(std::string(path_title(*chosen)));
        if (port_path == Path::com) {
            OptionsRefusal both =
                two_paths(interface_option, chosen_words, port_option, port_words(given_port, port_path));
            both.reason = "a COM port is a path of its own, which no interface kind names";
            return both;
        }
        if (*chosen != Path::usb && usb) return two_paths(interface_option, chosen_words, "--usb", "USB");
        if (*chosen != Path::usb && port_path == Path::usb)
            return two_paths(interface_option, chosen_words, port_option, "USB");
    }
    if (port_path != Path::com) return std::nullopt;
    const ComText com = read_com_text(port_text);
    if (com.wrong.empty()) return std::nullopt;
    return OptionsRefusal{port_option + ": line settings the library would not take as written", com.wrong,
                          "write them as " + std::string(kExampleSettings) + ": rate " + allowed_rates() +
                              ", parity N, O or E, data bits 7 or 8, stop bits 1; or name the port alone to search "
                              "the line settings"};
}

}  // namespace kbptool
