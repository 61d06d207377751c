#include "port_text.h"

#include <cstdio>
#include <cstring>

#include "include/kbp_protocol.h"
#include "platform/line_settings.h"

namespace kbp {

namespace {

namespace line_text = platform::line_text;

constexpr char kDigits[] = "0123456789";
constexpr std::size_t kComLength = sizeof KBP_PORT_TEXT_COM - 1;
// "COM1:": the port prefix before the line settings.
constexpr std::size_t kPortPrefixLength = kComLength + 2;
// Settings the library takes, whose parts stand in for the others' when one
// part of a person's settings is tried alone.
constexpr char kExampleRateRest[] = ",N,8,1";
constexpr char kExampleBeforeParity[] = "9600,";
constexpr char kExampleAfterParity[] = ",8,1";

bool begins_with(const char* text, const char* prefix) { return std::strncmp(text, prefix, std::strlen(prefix)) == 0; }

bool parses(const char* settings) {
    platform::LineSettings ignored;
    return platform::parse_line_settings(settings, ignored);
}

template <std::size_t N>
void copy(char (&to)[N], const char* from, std::size_t length) {
    if (length >= N) length = N - 1;
    std::memcpy(to, from, length);
    to[length] = '\0';
}

// "300..99900 in steps of 300": the rates the settings can name.
void allowed_rates(char (&text)[40]) {
    std::uint32_t most = 1;
    for (int digit = 0; digit < line_text::kMaxRateDigits; ++digit) most *= 10;
    most = (most - 1) / line_text::kRateStep * line_text::kRateStep;
    std::snprintf(text, sizeof text, "%u..%u in steps of %u", unsigned(line_text::kRateStep), unsigned(most),
                  unsigned(line_text::kRateStep));
}

// Which part of settings that do not parse is wrong: each part is tried with
// the example's other parts.
void refused_part(const char* settings, char (&why)[sizeof kbp_port_text::reason]) {
    const std::size_t rate = std::strspn(settings, kDigits);
    const int rate_digits = int(rate);
    char trial[32];
    char rates[40];
    allowed_rates(rates);
    if (rate == 0) {
        std::snprintf(why, sizeof why, "\"%s\" does not begin with the rate", settings);
        return;
    }
    std::snprintf(trial, sizeof trial, "%.*s%s", rate_digits, settings, kExampleRateRest);
    if (!parses(trial)) {
        std::snprintf(why, sizeof why, "the rate %.*s is not one the library sets (%s)", rate_digits, settings, rates);
        return;
    }
    const char parity = settings[rate] != '\0' ? settings[rate + 1] : '\0';
    std::snprintf(trial, sizeof trial, "%s%.1s%s", kExampleBeforeParity, &parity, kExampleAfterParity);
    if (!parses(trial)) {
        if (parity == '\0')
            std::snprintf(why, sizeof why, "no parity after the rate");
        else
            std::snprintf(why, sizeof why, "the parity %c is not N, O or E", parity);
        return;
    }
    // The rate and the two characters after it: "9600,N".
    const int shown = int(rate) + (settings[rate] == '\0' ? 0 : settings[rate + 1] == '\0' ? 1 : 2);
    if (std::strpbrk(settings + rate, kDigits) == nullptr)
        std::snprintf(why, sizeof why, "no data bits after %.*s", shown, settings);
    else
        std::snprintf(why, sizeof why, "the data bits after %.*s are not 7 or 8", shown, settings);
}

// The stop bits of settings that parse: the third run of digits, which the
// parser leaves unread. False where they are right or not written.
bool refused_stop_bits(const char* settings, char (&why)[sizeof kbp_port_text::reason]) {
    const char* at = settings;
    for (int run = 0; run < 2; ++run) {
        at += std::strcspn(at, kDigits);
        at += std::strspn(at, kDigits);
        if (*at == '\0') return false;
    }
    const char* stop = at + std::strcspn(at, kDigits);
    const std::size_t bits = std::strspn(stop, kDigits);
    if (bits == 0)
        std::snprintf(why, sizeof why, "\"%s\" after the data bits is not the stop bits", at);
    else if (bits != 1 || *stop != '1')
        std::snprintf(why, sizeof why, "the stop bits %.*s: the library always sets 1 stop bit", int(bits), stop);
    else if (stop[bits] != '\0')
        std::snprintf(why, sizeof why, "\"%s\" after the stop bits", stop + bits);
    else
        return false;
    return true;
}

// A COM port text's settings, after its port; the problem if any.
void read_com_settings(const char* text, std::size_t digits_end, kbp_port_text& port) {
    if (text[digits_end] == '\0' || text[digits_end + 1] == '\0') return;  // "COM5", "COM5:": the search
    const char* settings = text + digits_end + 1;
    copy(port.settings, settings, std::strlen(settings));
    if (port.problem != KBP_PORT_AS_WRITTEN) return;
    platform::LineSettings line;
    if (digits_end + 1 != kPortPrefixLength) {
        std::snprintf(port.reason, sizeof port.reason,
                      "the library reads line settings only right after \"%.8s:\" (no blank), so it would search them",
                      port.port);
    } else if (!platform::parse_line_settings(settings, line)) {
        refused_part(settings, port.reason);
        const std::size_t length = std::strlen(port.reason);
        std::snprintf(port.reason + length, sizeof port.reason - length, ", so the library would search the line settings");
    } else {
        port.line_rate = line.rate;  // set, though perhaps not all as written
        if (!refused_stop_bits(settings, port.reason)) return;
    }
    port.problem = KBP_PORT_SETTINGS;
    char rates[40];
    allowed_rates(rates);
    std::snprintf(port.hint, sizeof port.hint,
                  "write them as 9600,N,8,1: rate %s, parity N, O or E, data bits 7 or 8, stop bits 1; or name the port "
                  "alone to search the line settings",
                  rates);
}

}  // namespace

kbp_port_path port_path_of(const char* text) {
    if (begins_with(text, KBP_PORT_TEXT_USB)) return KBP_PORT_USB;
    if (begins_with(text, KBP_PORT_TEXT_CHOSEN) || *text == '\0') return KBP_PORT_CHOSEN;
    if (begins_with(text, KBP_PORT_TEXT_COM)) return KBP_PORT_SERIAL;
    return KBP_PORT_NONE;
}

void com_device_name(const char* text, char (&name)[5]) {
    std::strncpy(name, text, 4);
    name[4] = '\0';
    if (name[3] == ' ' && text[3] != '\0') name[3] = text[4];
}

bool names_long_com_number(const char* text, char* port, std::size_t size) {
    const std::size_t first_digit = text[kComLength] == ' ' ? kComLength + 1 : kComLength;
    std::size_t end = first_digit;
    while (end + 1 < size && text[end] >= '0' && text[end] <= '9') ++end;
    std::memcpy(port, text, end);
    port[end] = '\0';
    return end - first_digit > 1;
}

const char* line_settings_of(const char* port_text) {
    const bool has_settings = std::strlen(port_text) > kPortPrefixLength && port_text[kPortPrefixLength] >= '0' &&
                              port_text[kPortPrefixLength] <= '9';
    return has_settings ? port_text + kPortPrefixLength : nullptr;
}

void read_port_text(const char* text, kbp_port_text& port) {
    port = kbp_port_text{};
    port.path = port_path_of(text);
    if (port.path != KBP_PORT_SERIAL) return;
    // "COM 5" names COM5 too; the port ends with its digits.
    const std::size_t number = text[kComLength] == ' ' && text[kComLength + 1] != '\0' ? kComLength + 1 : kComLength;
    const std::size_t digits_end = number + std::strspn(text + number, kDigits);
    if (digits_end - number == 1) {
        char name[5];
        com_device_name(text, name);
        copy(port.port, name, std::strlen(name));
    } else {
        copy(port.port, text, digits_end);
        port.problem = KBP_PORT_COM_NUMBER;
        std::snprintf(port.reason, sizeof port.reason, "the library names only COM1..COM9");
        std::snprintf(port.hint, sizeof port.hint,
                      "use a COM port of one digit; Windows can give the keyboard's port another number in the "
                      "Device Manager");
    }
    read_com_settings(text, digits_end, port);
}

}  // namespace kbp
