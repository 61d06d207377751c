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
#include "kbpi32/common/last_transfer.h"
#include "kbpi32/common/pending_timer.h"
#include "kbpi32/common/port_text.h"
#include "kbpi32/common/status.h"
#include "kbpi32/common/texts.h"
#include "kbpi32/download/opening_checks.h"

namespace kbp {

DownloadState download_state;

namespace {

constexpr int kBlock = KBP_DOWNLOAD_BLOCK;
constexpr int kUsbBlock = KBP_DOWNLOAD_USB_BLOCK;
constexpr int kPauseIterations = 8191;

void report_progress(int percent) {
    if (download_state.progress != nullptr) download_state.progress(percent);
}

std::int32_t open_com_port(const char* status) {
    // Refused before anything is opened: COM12 must not open COM1.
    char port[sizeof SerialState::port_settings];
    if (names_long_com_number(serial_state.port_settings, port, sizeof port)) {
        write_status(text::kUnableToOpen, port);
        note_cause(KBP_CAUSE_COM_NUMBER);
        return KBP_DOWNLOAD_COM_PORT_FAILED;
    }
    com_device_name(status, serial_state.device_name);
    if (com_open() != 0) {
        write_status(text::kUnableToOpen, serial_state.device_name);
        note_cause(KBP_CAUSE_COM_NOT_OPENED);
        return KBP_DOWNLOAD_COM_PORT_FAILED;
    }
    if (com_configure(serial_state.port_settings) != 0) return KBP_DOWNLOAD_COM_PORT_FAILED;
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
            note_cause(KBP_CAUSE_USB_LIBRARY);
            return 0;
        }
    }
    kill_pending_timer();
    if (!opening_check_passed()) {
        write_status("%s", text::kDownloadCheckFailed);
        note_cause(KBP_CAUSE_OPENING_CHECK);
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
            note_cause(KBP_CAUSE_BLOCK_NOT_TAKEN);
            return 0;
        }
        last_transfer_state.bytes_sent = n - kFirstImageAddress;
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
        note_cause(KBP_CAUSE_FILE_NOT_OPENED);
        return KBP_DOWNLOAD_FILE_NOT_OPENED;
    }
    const std::int32_t size = image_file_size(in);
    // Frames carry 16-bit addresses: a longer file would overwrite the start of memory.
    if (size < kMinImageSize || size > kMaxImageSize || !has_magic(in)) {
        write_status("%s", text::kNotAValidImage);
        note_cause(KBP_CAUSE_NOT_AN_IMAGE);
        platform::file_close(in);
        return KBP_DOWNLOAD_NOT_AN_IMAGE;
    }
    const std::int32_t sent = send_image_blocks(in, size);
    platform::file_close(in);
    return sent < size ? KBP_DOWNLOAD_STOPPED : sent;
}

std::int32_t kbp_download(const char* file, char* status, DownloadProgress progress) {
    status_state.current_status = status;
    download_state.progress = progress;
    begin_transfer_report();
    ensure_interface_chosen();
    if (file == nullptr) {
        write_status("%s", text::kNoFileSpecified);
        note_cause(KBP_CAUSE_NO_FILE_NAME);
        return KBP_DOWNLOAD_NO_FILE_NAME;
    }
    const char* port_text = status != nullptr ? status : "";
    const kbp_port_path path = port_path_of(port_text);
    // The empty text is copied too: it empties the port settings text.
    if (path == KBP_PORT_USB)
        interface_state.use_usb = 1;
    else if (path != KBP_PORT_CHOSEN || *port_text == '\0')
        set_port_settings_text(port_text);

    if (serial_state.port_settings[0] != '\0') {
        if (path != KBP_PORT_SERIAL) {
            note_cause(KBP_CAUSE_NOT_A_COM_PORT);
            return KBP_DOWNLOAD_NOT_A_COM_PORT;
        }
        if (const std::int32_t failed = open_com_port(port_text); failed != 0) return failed;
    }
    std::int32_t result = download_image(file);
    if (interface_state.use_serial) {
        // The port is gone after this download; later ones take their own path.
        interface_state.use_serial = 0;
        // A failed close has already written its message.
        if (com_close() != 0) result = KBP_DOWNLOAD_COM_PORT_NOT_CLOSED;
    } else {
        pause_before_return();
    }
    post_held_quit();
    return result;
}

}  // namespace kbp
