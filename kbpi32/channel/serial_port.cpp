#include "serial_port.h"

#include <cstdio>
#include <cstring>

#include "include/kbp_protocol.h"
#include "kbpi32/channel/serial_settings.h"
#include "kbpi32/channel/tick_wait.h"
#include "kbpi32/common/last_transfer.h"
#include "kbpi32/common/port_text.h"
#include "kbpi32/common/status.h"
#include "kbpi32/common/texts.h"

namespace kbp {

SerialState serial_state;

namespace {

namespace r = serial_result;

constexpr std::uint32_t kQueueSize = 512;
constexpr std::uint32_t kTimeoutMs = 200;
constexpr int kPauseMs = 10;
constexpr int kEchoWindowMs = 60;

bool port_open() { return serial_state.com_handle != platform::invalid_handle(); }

void copy_text(char* to, std::size_t size, const char* from) {
    std::size_t n = 0;
    if (from != nullptr)
        for (; n + 1 < size && from[n] != '\0'; ++n) to[n] = from[n];
    to[n] = '\0';
}

platform::Handle open_port() {
    return platform::open_device(serial_state.device_name, platform::kGenericRead | platform::kGenericWrite,
                                 platform::kShareNone);
}

// A handle whose close failed stays ours: the system may still hold it open.
bool close_port() {
    if (!port_open()) return false;
    if (!platform::close_handle(serial_state.com_handle)) return false;
    serial_state.com_handle = platform::invalid_handle();
    return true;
}

std::uint8_t close_and_fail(const char* message, std::uint8_t result) {
    close_port();
    write_status("%s", message);
    return result;
}

// A step of setting the port up failed: the download cannot begin.
std::uint8_t setup_failed(const char* message, std::uint8_t result, kbp_cause cause = KBP_CAUSE_COM_NOT_SET_UP) {
    note_cause(cause);
    return close_and_fail(message, result);
}

// The status text in a modal box; which button is pressed changes nothing.
void show_status_box(const char* text) {
    const char* shown = status_state.current_status != nullptr ? status_state.current_status : text;
    platform::message_box(shown, "", platform::kMbOkCancel);
}

void pause() {
    tick_wait(0);
    while (tick_wait(kPauseMs) == 1) {
    }
}

bool read_state() { return port_open() && platform::get_comm_state(serial_state.com_handle, serial_state.dcb); }

bool apply_line_settings(const LineSettings& settings) {
    platform::CommState& dcb = serial_state.dcb;
    dcb.BaudRate = settings.rate;
    dcb.ByteSize = settings.data_bits;
    dcb.Parity = settings.parity;
    dcb.StopBits = platform::kOneStopBit;
    dcb.fBinary = 1;
    dcb.fParity = 1;
    dcb.fOutxCtsFlow = 0;
    dcb.fOutxDsrFlow = 0;
    dcb.fOutX = 0;
    dcb.fInX = 0;
    dcb.fNull = 1;
    return platform::set_comm_state(serial_state.com_handle, dcb);
}

// Queues, time-outs and empty buffers after the line settings are in.
std::uint8_t finish_setup() {
    const platform::Handle port = serial_state.com_handle;
    if (!platform::setup_comm(port, kQueueSize, kQueueSize))
        return setup_failed(text::kCantSetupBufferSize, r::kCannotSetupBuffers);
    if (!platform::get_comm_timeouts(port, serial_state.timeouts))
        return setup_failed(text::kCantGetTimeout, r::kCannotGetTimeouts);
    platform::CommTimeouts& t = serial_state.timeouts;
    t.ReadIntervalTimeout = 0;
    t.ReadTotalTimeoutMultiplier = 0;
    t.ReadTotalTimeoutConstant = kTimeoutMs;
    t.WriteTotalTimeoutMultiplier = 0;
    t.WriteTotalTimeoutConstant = kTimeoutMs;
    if (!platform::set_comm_timeouts(port, t)) return setup_failed(text::kCantSetupTimeout, r::kCannotSetTimeouts);
    if (!platform::purge_comm(port, platform::kPurgeTxClear))
        return setup_failed(text::kErrorClearTransmit, r::kCannotClearTransmit);
    if (!platform::purge_comm(port, platform::kPurgeRxClear))
        return setup_failed(text::kErrorClearReceive, r::kCannotClearReceive);
    return r::kOk;
}

bool write_byte(std::uint8_t byte) {
    std::uint32_t written = 0;
    return platform::write_file(serial_state.com_handle, &byte, 1, &written) && written == 1;
}

bool read_byte(std::uint8_t& byte) {
    std::uint32_t read = 0;
    return platform::read_file(serial_state.com_handle, &byte, 1, &read);
}

// One echo command, then whatever comes back within the echo window and two
// more reads. A read that succeeds may bring nothing (its 200 ms time-out) or
// a stale byte; the two extra reads give a slow keyboard another 2 x 200 ms
// to echo before this line setting is given up.
bool keyboard_echoes() {
    std::uint8_t answer = 0;
    tick_wait(0);
    while (tick_wait(kEchoWindowMs) == 1)
        if (read_byte(answer)) break;
    if (answer != KBP_ECHO) read_byte(answer);
    if (answer != KBP_ECHO) read_byte(answer);
    return answer == KBP_ECHO;
}

std::uint8_t search_line_settings(const char* port_text) {
    if (!close_port()) {
        write_status("%s", text::kCantCloseComPort);
        note_cause(KBP_CAUSE_COM_NOT_CLOSED);
        return r::kCannotClearReceive;
    }
    pause();
    for (const char* entry : kComProbeTable) {
        serial_state.com_handle = open_port();
        if (!port_open()) {
            write_status(text::kUnableToOpen, serial_state.device_name);
            note_cause(KBP_CAUSE_COM_NOT_OPENED);
            return r::kCannotConfigure;
        }
        if (!read_state()) {
            close_port();
            write_status(text::kUnableToConfig, port_text);
            note_cause(KBP_CAUSE_COM_NOT_SET_UP);
            return r::kCannotConfigure;
        }
        // The end marker: no keyboard echoed at any setting.
        if (std::strlen(entry) < 4)
            return setup_failed(text::kUnableToDownload, r::kCannotSetState, KBP_CAUSE_COM_NO_ECHO);

        char set_to[32];
        std::snprintf(set_to, sizeof set_to, text::kSetTo, entry);
        write_status("%s", set_to);
        LineSettings settings;
        if (!parse_line_settings(entry, settings)) return setup_failed(text::kUnableToDownload, r::kCannotSetState);
        if (!apply_line_settings(settings)) {
            close_port();
            write_status("%s", text::kSearchError);
            note_cause(KBP_CAUSE_COM_NOT_SET_UP);
            show_status_box(text::kSearchError);
            return r::kCannotSetState;
        }
        pause();
        if (const std::uint8_t result = finish_setup(); result != r::kOk) return result;

        if (!write_byte(KBP_ECHO)) {
            write_status("%s", text::kUnableToSendData);
            note_cause(KBP_CAUSE_COM_NOT_SET_UP);
            show_status_box(text::kUnableToSendData);
            close_port();
            return r::kCannotSend;
        }
        if (keyboard_echoes()) {
            note_line_settings(settings);
            write_status("%s", set_to);
            show_status_box(set_to);
            return r::kOk;
        }
        close_port();
    }
    return r::kCannotSetState;  // not reached: the end marker ends the search
}

}  // namespace

void set_port_settings_text(const char* port_text) {
    copy_text(serial_state.port_settings, sizeof serial_state.port_settings, port_text);
}

void set_com_device_name(const char* name) {
    copy_text(serial_state.device_name, sizeof serial_state.device_name, name);
}

std::uint8_t com_open() {
    // A port whose close failed at the end of an earlier download is closed
    // now rather than forgotten.
    close_port();
    serial_state.com_handle = open_port();
    return port_open() ? r::kOk : r::kCannotOpen;
}

std::uint8_t com_configure(const char* port_text) {
    if (port_text == nullptr) port_text = "";
    if (!read_state()) {
        close_port();
        write_status(text::kUnableToConfig, port_text);
        note_cause(KBP_CAUSE_COM_NOT_SET_UP);
        return r::kCannotConfigure;
    }
    LineSettings settings;
    const char* given = line_settings_of(port_text);
    if (given == nullptr || !parse_line_settings(given, settings)) return search_line_settings(port_text);
    if (!apply_line_settings(settings)) return setup_failed(text::kCantSetComState, r::kCannotSetState);
    const std::uint8_t result = finish_setup();
    if (result == r::kOk) note_line_settings(settings);
    return result;
}

std::uint8_t com_send_byte(int byte) {
    // A port that a failure closed stays closed: nothing is sent on a stale handle.
    if (!port_open()) {
        write_status("%s", text::kErrorClearReceive);
        return r::kCannotClearReceive;
    }
    const platform::Handle port = serial_state.com_handle;
    if (!platform::purge_comm(port, platform::kPurgeRxClear))
        return close_and_fail(text::kErrorClearReceive, r::kCannotClearReceive);
    // Cleared before the write: a driver that still holds the byte must not lose it.
    if (!platform::purge_comm(port, platform::kPurgeTxClear))
        return close_and_fail(text::kErrorClearTransmit, r::kCannotClearTransmit);
    if (!write_byte(static_cast<std::uint8_t>(byte))) {
        write_status("%s", text::kUnableToSendData);
        show_status_box(text::kUnableToSendData);
        return r::kCannotSend;
    }
    if (!platform::set_comm_timeouts(port, serial_state.timeouts))
        return close_and_fail(text::kCantSetupTimeout, r::kCannotSend);
    std::uint8_t answer = 0;
    std::uint32_t read = 0;
    if (platform::read_file(port, &answer, 1, &read) && read == 1 && answer == KBP_ACKNOWLEDGE) return r::kOk;
    write_status("%s", text::kDownloadFailed);
    return r::kNotAcknowledged;
}

std::uint8_t com_close() {
    if (!close_port()) {
        write_status("%s", text::kCantCloseComPort);
        note_cause(KBP_CAUSE_COM_NOT_CLOSED);
        return r::kCannotClose;
    }
    return r::kOk;
}

}  // namespace kbp
