#include "commands/failure_words.h"

#include <string_view>

#include "files/image.h"
#include "hosts/keyboard_host.h"
#include "include/kbp_protocol.h"
#include "kbpi32/common/texts.h"
#include "include/kbpi32.h"
#include "output/report.h"

namespace kbptool {

namespace {

namespace text = kbp::text;

constexpr const char* kDllBeside =
    "put " KBP_USB_LIBRARY_NAME " beside kbpi32.dll (on Linux it is linked in: report this as a fault)";
constexpr char kNothingWritten[] = "nothing was written to the keyboard";

// Whether the library's text is `library_text`: its fixed part, up to a
// value it fills in, begins the text.
bool says(std::string_view status, std::string_view library_text) {
    return status.starts_with(library_text.substr(0, library_text.find('%')));
}

bool any_box_says(const std::vector<ShownBox>& boxes, std::string_view library_text) {
    for (const ShownBox& box : boxes)
        if (says(box.text, library_text)) return true;
    return false;
}

// "COM12" and "COM 12": a port the library refuses before it opens anything.
bool names_two_digit_com_port(const std::string& port_text) {
    if (path_of_port_text(port_text) != Path::com) return false;
    const std::size_t first = port_text.size() > 3 && port_text[3] == ' ' ? 4 : 3;
    const std::size_t end = port_text.find_first_not_of("0123456789", first);
    return (end == std::string::npos ? port_text.size() : end) - first > 1;
}

}  // namespace

std::string other_interfaces() {
    std::string names;
    for (Path path : kAllPaths)
        if (path != Path::usb && kind_of_path(path) && !keyboard_host().missing_path(path))
            names += (names.empty() ? "" : "|") + std::string(path_name(path));
    return names.empty() ? "" : "--interface " + names;
}

namespace {

std::string other_paths(const Route& route, bool with_port) {
    const std::string interfaces = other_interfaces();
    const std::string and_usb = interfaces.empty() ? "--usb" : interfaces + ", --usb";
    if (route.path == Path::com) return "another --port setting, or a path without COM (" + and_usb + ")";
    if (!with_port) return "another path: " + (interfaces.empty() ? "--usb" : interfaces + ", or --usb");
    return "another path: " + and_usb + ", or --port " + keyboard_host().example_port();
}

std::string bytes_of(const Written& w) {
    return std::to_string(w.bytes) + " of " + std::to_string(w.of) + " bytes";
}

// What the keyboard holds after a download that stopped.
std::string holds(const Written& w) {
    if (w.bytes == 0) return kNothingWritten;
    if (w.all()) return "the image was sent completely (" + std::to_string(w.of) + " bytes)";
    return "the keyboard holds part of the image (" + bytes_of(w) + "): download it again";
}

Explanation com_port_failed(const std::string& status, const Route& route) {
    if (names_two_digit_com_port(route.port_text))
        return {kNothingWritten, "the library names only COM1..COM9",
                "use a COM port of one digit; Windows can give the keyboard's port another number in the Device Manager"};
    if (says(status, text::kUnableToOpen))
        return {kNothingWritten, route.com_port + " cannot be opened: it does not exist here, or another program holds it",
                "name a serial port that `kbptool detect` lists, and close programs that use it"};
    if (says(status, text::kUnableToDownload))
        return {kNothingWritten,
                "no keyboard echoed on " + route.com_port + " at any of the 24 line settings the search tries",
                "check the serial cable and the keyboard's power, or name the settings: --port " + route.com_port +
                    ":9600,N,8,1"};
    return {kNothingWritten, route.com_port + " cannot be set up with these settings",
            "try other settings (--port " + route.com_port + ":9600,N,8,1), or " + route.com_port + " alone to search them"};
}

// The transfer stopped: before the first block, or part way through.
Explanation transfer_stopped(const std::string& status, const Route& route, const Written& written) {
    if (says(status, text::kUsbLibraryNotFound))
        return {kNothingWritten, "the USB library " KBP_USB_LIBRARY_NAME " or its send routine cannot be loaded",
                kDllBeside};
    if (says(status, text::kDownloadCheckFailed))
        return {kNothingWritten,
                "no keyboard answered on the " + route.name() + " before the first block (a read of address 0)",
                cable_hint(route, true)};
    if (written.bytes == 0)
        return {kNothingWritten, "the first block was not taken on " + path_phrase(route.name()), cable_hint(route, true)};
    return {holds(written),
            "a block was not taken after " + bytes_of(written) +
                ": the keyboard stopped answering, or its cable or port went away",
            "check the cable, then download the image again"};
}

// Closing the COM port failed; the transfer before it may have ended either way.
Explanation close_failed(const Route& route, const Written& written) {
    const std::string closing = "closing " + route.com_port + " after the transfer failed";
    if (written.all())
        return {holds(written) + "; only closing " + route.com_port + " failed",
                closing + " (the port may have gone away, e.g. a USB serial adapter pulled out)",
                "to check it, read the keyboard back over its keyboard connection (an upload has no COM path): "
                "`kbptool upload check.kbp`, then compare check.kbp with the image byte for byte; or download the "
                "image again over the same --port"};
    return {holds(written), closing + " as well: the transfer stopped after " + bytes_of(written),
            "check the cable and the port, then download the image again"};
}

}  // namespace

std::string cable_hint(const Route& route, bool with_port) {
    return "check the keyboard's cable and power, then try " + other_paths(route, with_port);
}

Explanation explain_download(int code, const std::string& status, const Route& route, const Written& written) {
    switch (code) {
    case KBP_DOWNLOAD_COM_PORT_FAILED: return com_port_failed(status, route);
    case KBP_DOWNLOAD_NOT_A_COM_PORT:
        return {"\"" + route.port_text + "\" is no port text",
                "the port text names no COM port: it must be USB, AT, or COM1..COM9 with optional settings",
                "--port " + keyboard_host().example_port() + ":9600,N,8,1, --port " + keyboard_host().example_port() +
                    ", or --usb"};
    case KBP_DOWNLOAD_COM_PORT_NOT_CLOSED: return close_failed(route, written);
    case KBP_DOWNLOAD_STOPPED: return transfer_stopped(status, route, written);
    case KBP_DOWNLOAD_NOT_AN_IMAGE:
        return {kNothingWritten, "the library refused the image", "check the file with `kbptool info IMAGE`"};
    case KBP_DOWNLOAD_FILE_NOT_OPENED:
        return {kNothingWritten, "the library could not open the image file", "check the file's name and rights"};
    default: return {"", "kbp_download returned " + std::to_string(code), ""};
    }
}

Explanation explain_upload(const std::string& status, const std::vector<ShownBox>& boxes, const Route& route,
                           bool with_port) {
    const KeyboardHost& host = keyboard_host();
    if (says(status, text::kUsbLibraryNotFound))
        return {"", "the USB library " KBP_USB_LIBRARY_NAME " cannot be loaded", kDllBeside};
    if (says(status, text::kFileCreationFailed) || says(status, text::kCantWriteFile))
        return {"", "the read image could not be written to disk", "check the folder's free space and rights"};
    if (any_box_says(boxes, text::kUnableToLoadKbpfunc) || any_box_says(boxes, text::kUnableToGetFunction) ||
        any_box_says(boxes, text::kLoadKbpi32Failed))
        return {"", "the library cannot load " + host.upload_answers_source() +
                        ", through which an upload reads the keyboard's answers; nothing was read",
                host.capture_library_hint()};
    // The library stops on its own, without its UPLOAD ERROR question, only
    // when the image's end field names an end its buffer cannot hold.
    if (says(status, text::kUploadError) && !any_box_says(boxes, text::kUploadErrorPrompt)) {
        const bool usb = route.usb_chunks();
        return {"", "the keyboard's image is longer than an upload can read: its end lies past address " +
                        std::to_string(max_upload_end(usb)) + ", the last an upload" + (usb ? " over USB" : "") +
                        " can read",
                "keep the image file it was downloaded from; an upload over USB reads up to " +
                    std::to_string(max_upload_end(true)) + ", over the other paths up to " +
                    std::to_string(max_upload_end(false))};
    }
    return {"", "the keyboard did not answer the read requests on the " + route.upload_name() +
                    " (or the UPLOAD ERROR box was answered Cancel); an upload reads its answers through " +
                    host.upload_answers_source(),
            cable_hint(route, with_port)};
}

}  // namespace kbptool
