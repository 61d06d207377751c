#pragma once
// The keyboard on a COM port: opening and setting up the port (from the port
// text, or by searching 24 line settings for the keyboard's echo),
// acknowledged single-byte sends, and closing.
#include <cstdint>

#include "platform/platform.h"

namespace kbp {

namespace serial_result {
constexpr std::uint8_t kOk = 0;
// com_configure
constexpr std::uint8_t kCannotConfigure = 1;    // state unreadable, or the port would not reopen
constexpr std::uint8_t kCannotSetState = 2;     // also: the search found nothing
constexpr std::uint8_t kCannotSetupBuffers = 3;
constexpr std::uint8_t kCannotGetTimeouts = 4;
constexpr std::uint8_t kCannotSetTimeouts = 5;
constexpr std::uint8_t kCannotClearTransmit = 6;
constexpr std::uint8_t kCannotClearReceive = 7;  // also: the port would not close before the search
// com_send_byte, and the search's echo probe
constexpr std::uint8_t kNotAcknowledged = 1;
constexpr std::uint8_t kCannotSend = 5;
// com_open, com_close
constexpr std::uint8_t kCannotClose = 252;
constexpr std::uint8_t kCannotOpen = 254;
}  // namespace serial_result

struct SerialState {
    // The one open COM port of the library, invalid_handle() when none.
    platform::Handle com_handle = platform::invalid_handle();
    // Line settings and time-outs as the driver reported them, with the
    // library's own fields put in; kept between calls.
    platform::CommState dcb{};
    platform::CommTimeouts timeouts{};
    // Filled by the download from the status buffer.
    char port_settings[24] = {};  // the whole port text, e.g. "COM1:9600,N,8,1"
    char device_name[5] = {};     // e.g. "COM1"
};
extern SerialState serial_state;

// Keep the port text and the device name for the next download; a longer
// text is cut to what the library has room for.
void set_port_settings_text(const char* port_text);
void set_com_device_name(const char* name);

// Opens the device name: 0, or 254 when it cannot be opened (no message).
std::uint8_t com_open();
// Sets the open port up from the settings after the five-character port
// prefix of `port_text`, or searches the line settings when there are none
// usable: 0 ready, else 1..7 with a message written.
std::uint8_t com_configure(const char* port_text);
// Sends the low 8 bits of `byte` and waits for the keyboard's acknowledge: 0,
// or 1, 5, 6, 7.
std::uint8_t com_send_byte(int byte);
// 0 closed, or 252 with "can't close com-Port ".
std::uint8_t com_close();

}  // namespace kbp
