#pragma once
// The port text of a transfer's status buffer: which path it names, the COM
// port a download opens, where its line settings stand, and whether the
// library takes them as written. The one home of these rules, for the
// download and the serial line as for the hosts that ask kbp_read_port_text.
#include <cstddef>

#include "include/kbpi32.h"

namespace kbp {

// The path a port text names by its first characters: "USB", "AT" or the
// empty text (the chosen path), "COM"; any other text names none.
kbp_port_path port_path_of(const char* text);

// The device a text beginning with "COM" opens: its first four characters,
// with the fifth in place of a blank fourth ("COM 3" opens COM3).
void com_device_name(const char* text, char (&name)[5]);

// Whether a text beginning with "COM" names a port of more than one digit
// ("COM12", "COM 12"), which the device name cannot hold; `port` gets the
// port as written, up to its digits.
bool names_long_com_number(const char* text, char* port, std::size_t size);

// Where the line settings stand in a port text: after its five-character
// prefix ("COM1:"), where a digit must begin them; null where the COM port
// searches its line settings instead.
const char* line_settings_of(const char* port_text);

// kbp_read_port_text: the text as kbp_download reads it, with the problems a
// person who typed it would want to hear of.
void read_port_text(const char* text, kbp_port_text& port);

}  // namespace kbp
