#include "download_engine.h"

#include <cstring>

#include "include/kbp_protocol.h"
#include "kbpi32/channel/byte_channel.h"
#include "kbpi32/channel/class_driver.h"
#include "kbpi32/channel/class_driver_send.h"
#include "kbpi32/channel/frames.h"
#include "kbpi32/channel/interface_state.h"
#include "kbpi32/channel/send_status.h"
#include "kbpi32/channel/serial_port.h"
#include "kbpi32/channel/usb_binding.h"
#include "kbpi32/common/held_quit.h"
#include "kbpi32/common/image_format.h"
#include "kbpi32/common/pending_timer.h"
#include "kbpi32/common/status.h"
#include "kbpi32/common/texts.h"
#include "kbpi32/download/download_results.h"
#include "kbpi32/download/opening_checks.h"

namespace kbp {

DownloadState download_state;

namespace {

namespace r = download_result;

constexpr int kBlock = KBP_DOWNLOAD_BLOCK;
constexpr int kUsbBlock = KBP_DOWNLOAD_USB_BLOCK;
constexpr int kPauseIterations = 8191;

bool begins_with(const char* text, const char* prefix) {
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

void report_progress(int percent) {
    if (download_state.progress != nullptr) download_state.progress(percent);
}

// "COMn" from the status buffer; "COM 3" names COM3.
void take_device_name(const char* status) {
    char name[5] = {};
    std::strncpy(name, status, 4);
    if (name[3] == ' ' && status[3] != '\0') name[3] = status[4];
    set_com_device_name(name);
}

// The port a text beginning with "COM" names, as written ("COM12", "COM 3"),
// into `port`; true when it has more than the one digit the device name holds.
bool names_two_digit_port(const char* text, char (&port)[sizeof SerialState::port_settings]) {
    const std::size_t first_digit = text[3] == ' ' ? 4 : 3;
    std::size_t end = first_digit;
    while (end + 1 < sizeof port && text[end] >= '0' && text[end] <= '9') ++end;
    std::memcpy(port, text, end);
    port[end] = '\0';
    return end - first_digit > 1;
}

std::int32_t open_com_port(const char* status) {
    // Refused before anything is opened: COM12 must not open COM1.
    char port[sizeof SerialState::port_settings];
    if (names_two_digit_port(serial_state.port_settings, port)) {
        write_status(text::kUnableToOpen, port);
        return r::kComPortFailed;
    }
    take_device_name(status);
    if (com_open() != 0) {
        write_status(text::kUnableToOpen, serial_state.device_name);
        return r::kComPortFailed;
    }
    if (com_configure(serial_state.port_settings) != 0) return r::kComPortFailed;
    interface_state.use_serial = 1;
    return 0;
}

bool has_magic(platform::File file) {
    for (std::uint8_t expected : kImageMagic) {
        std::uint8_t byte = 0;
        if (platform::file_read(file, &byte, 1) != 1 || byte != expected) return false;
    }
    return true;
}

// Whether the keyboard answers before the first block; the serial line's
// set-up has already found it.
bool opening_check_passed() {
    const InterfaceState& s = interface_state;
    if (s.use_serial) return true;
    if (s.use_port_driver && download_check() != 0) return false;
    if (s.use_class_driver) {
        classdrv_echo_check();  // its outcome does not stop the download
        return true;
    }
    return download_check_ports() == 0;
}

// The keyboard's own enable command closes a download once blocks went out,
// whether all of them did or one failed. It goes to the transport as it is,
// never through the LED tunnel, so the keyboard takes it as a command on
// every path; its result is not looked at.
void send_enable_command() { kbd_transport_send(KBP_ENABLE); }

// A download without a COM port ends with a short pause before the caller gets
// control back, so the keyboard has a moment after the closing commands
// before the caller's next call can reach it: on the port driver and USB
// nothing waited for the keyboard to take them. A COM download closes its
// port instead. The pause is counted in passes, not time; each pass stores to
// a volatile, so an optimising build keeps every one.
void pause_before_return() {
    [[maybe_unused]] volatile int passes = 0;
    for (int i = 0; i < kPauseIterations; ++i) passes = i;
}

}  // namespace

std::int32_t image_file_size(platform::File file) {
    const std::int32_t position = platform::file_tell(file);
    platform::file_seek(file, 0, platform::kSeekEnd);
    const std::int32_t size = platform::file_tell(file);
    platform::file_seek(file, position, platform::kSeekSet);
    return size;
}

std::int32_t send_image_blocks(platform::File file, std::int32_t size) {
    const InterfaceState& s = interface_state;
    int block_length = kBlock;
    if (s.use_usb) {
        block_length = kUsbBlock;
        if (usb_bind() != 0) {
            write_status("%s", text::kUsbLibraryNotFound);
            return 0;
        }
    }
    kill_pending_timer();
    if (!opening_check_passed()) {
        write_status("%s", text::kDownloadCheckFailed);
        return 0;
    }
    kill_pending_timer();

    std::int32_t n = kFirstImageAddress;
    std::uint8_t block[kBlock];
    do {
        if (n + block_length >= size) block_length = size - n;
        report_progress(n * 100 / size);
        const auto length = static_cast<std::uint32_t>(block_length);
        // A block that cannot be read whole is not sent as if it were.
        std::uint8_t status = platform::file_read(file, block, length) == length
                                  ? send_write_block(n, block, static_cast<std::int8_t>(block_length))
                                  : send_status::kRefused;
        if (s.use_class_driver && !s.use_serial) vdd_kbd_clr();
        n += block_length;
        if (status != 0) {
            if (s.use_usb) usb_release();
            send_enable_command();
            write_status("%s", text::kDownloadNotPossible);
            return 0;
        }
    } while (n < size);

    if (s.use_usb) usb_release();
    send_end_of_download();
    report_progress(100);
    send_enable_command();
    write_status(text::kBytesSent, n);
    return n;
}

std::int32_t download_image(const char* file) {
    platform::File in = platform::file_open(file, "rb");
    if (in == nullptr) {
        write_status("%s", text::kImageNotFound);
        return r::kFileNotFound;
    }
    const std::int32_t size = image_file_size(in);
    // Frames carry 16-bit addresses: a longer file would overwrite the start of memory.
    if (size < kMinImageSize || size > kMaxImageSize || !has_magic(in)) {
        write_status("%s", text::kNotAValidImage);
        platform::file_close(in);
        return r::kNotAnImage;
    }
    const std::int32_t sent = send_image_blocks(in, size);
    platform::file_close(in);
    return sent < size ? r::kTransferStopped : sent;
}

std::int32_t kbp_download(const char* file, char* status, DownloadProgress progress) {
    status_state.current_status = status;
    download_state.progress = progress;
    ensure_interface_chosen();
    if (file == nullptr) {
        write_status("%s", text::kNoFileSpecified);
        return r::kNoFileSpecified;
    }
    const char* port_text = status != nullptr ? status : "";
    if (begins_with(port_text, KBP_PORT_TEXT_USB))
        interface_state.use_usb = 1;
    else if (!begins_with(port_text, KBP_PORT_TEXT_CHOSEN))
        set_port_settings_text(port_text);

    if (serial_state.port_settings[0] != '\0') {
        if (!begins_with(port_text, KBP_PORT_TEXT_COM)) return r::kNotAComPort;
        if (const std::int32_t failed = open_com_port(port_text); failed != 0) return failed;
    }
    std::int32_t result = download_image(file);
    if (interface_state.use_serial) {
        // The port is gone after this download; later ones take their own path.
        interface_state.use_serial = 0;
        // A failed close has already written its message.
        if (com_close() != 0) result = r::kCannotCloseComPort;
    } else {
        pause_before_return();
    }
    post_held_quit();
    return result;
}

}  // namespace kbp
