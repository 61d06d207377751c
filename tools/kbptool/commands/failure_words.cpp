#include "commands/session.h"

#include <vector>

#include "files/image.h"
#include "include/kbp_protocol.h"

namespace kbptool {
namespace {

constexpr const char* kDllBeside =
    "put " KBP_USB_LIBRARY_NAME " beside kbpi32.dll (on Linux it is linked in: report this as a fault)";
constexpr char kNothingWritten[] = "nothing was written to the keyboard";

// The paths to try instead of the one the route took (never that one again); empty: none is left.
std::string other_paths(const Route& route, bool with_port) {
    const std::string interfaces = other_interfaces();
    const bool on_usb = route.path == Path::usb || (!with_port && route.upload_path == Path::usb);
    std::vector<std::string> others;
    if (!interfaces.empty()) others.push_back(interfaces);
    if (!on_usb) others.push_back("--usb");
    if (route.path == Path::com) {
        std::string list;
        for (const std::string& o : others) list += (list.empty() ? "" : ", ") + o;
        return "another --port setting" + (list.empty() ? std::string() : ", or a path without COM (" + list + ")");
    }
    if (with_port) others.push_back("--port " + host::facts().example_port);
    std::string list;
    for (std::size_t i = 0; i < others.size(); ++i)
        list += (i == 0 ? "" : i + 1 == others.size() ? ", or " : ", ") + others[i];
    return list.empty() ? "" : "another path: " + list;
}

std::string bytes_of(long bytes, long of) { return std::to_string(bytes) + " of " + std::to_string(of) + " bytes"; }

// What the keyboard holds after a download that stopped.
std::string holds(long bytes, long of) {
    return bytes == 0    ? kNothingWritten
           : bytes == of ? "the image was sent completely (" + std::to_string(of) + " bytes)"
                         : "the keyboard holds part of the image (" + bytes_of(bytes, of) + "): download it again";
}

Failure com_port_failed(const Library& library, int cause, const Route& route) {
    const std::string& port = route.com_port;
    if (cause == KBP_CAUSE_COM_NUMBER) {
        kbp_port_text reading;
        library.read_port_text(route.port_text.c_str(), &reading);
        return {kNothingWritten, reading.reason, reading.hint};
    }
    if (cause == KBP_CAUSE_COM_NOT_OPENED)
        return {kNothingWritten, port + " cannot be opened: it does not exist here, or another program holds it",
                "name a serial port that `kbptool detect` lists, and close programs that use it"};
    if (cause == KBP_CAUSE_COM_NO_ECHO)
        return {kNothingWritten, "no keyboard echoed on " + port + " at any of the 24 line settings the search tries",
                "check the serial cable and the keyboard's power, or name the settings: --port " + port + ":9600,N,8,1"};
    return {kNothingWritten, port + " cannot be set up with these settings",
            "try other settings (--port " + port + ":9600,N,8,1), or " + port + " alone to search them"};
}

// The transfer stopped: before the first block, or part way through.
Failure transfer_stopped(int cause, const Route& route, long bytes, long of) {
    if (cause == KBP_CAUSE_USB_LIBRARY)
        return {kNothingWritten, "the USB library " KBP_USB_LIBRARY_NAME " or its send routine cannot be loaded",
                kDllBeside};
    if (cause == KBP_CAUSE_CAPTURE_LIBRARY)
        return {kNothingWritten,
                "the library cannot load " + host::facts().answers_source +
                    ", through which it reads the keyboard's answer to its check before the first block",
                host::facts().capture_hint};
    if (cause == KBP_CAUSE_OPENING_CHECK)
        return {kNothingWritten,
                "no keyboard answered on the " + route.name() + " before the first block (a read of address 0)",
                cable_hint(route, true)};
    if (bytes == 0)
        return {kNothingWritten, "the first block was not taken on " + path_phrase(route.name()), cable_hint(route, true)};
    return {holds(bytes, of),
            "a block was not taken after " + bytes_of(bytes, of) +
                ": the keyboard stopped answering, or its cable or port went away",
            "check the cable, then download the image again"};
}

// Closing the COM port failed; the transfer before it may have ended either way.
Failure close_failed(const Route& route, long bytes, long of) {
    const std::string closing = "closing " + route.com_port + " after the transfer failed";
    if (bytes == of)
        return {holds(bytes, of) + "; only closing " + route.com_port + " failed",
                closing + " (the port may have gone away, e.g. a USB serial adapter pulled out)",
                "to check it, read the keyboard back over its keyboard connection (an upload has no COM path): "
                "`kbptool upload check.kbp`, then compare check.kbp with the image byte for byte; or download the "
                "image again over the same --port"};
    return {holds(bytes, of), closing + " as well: the transfer stopped after " + bytes_of(bytes, of),
            "check the cable and the port, then download the image again"};
}

Failure download_words(const Library& library, const LibraryCall& call, const Route& route, long image_bytes) {
    const int cause = call.last.cause;
    const long bytes = call.last.bytes_sent;
    switch (call.result) {
    case KBP_DOWNLOAD_COM_PORT_FAILED: return com_port_failed(library, cause, route);
    case KBP_DOWNLOAD_NOT_A_COM_PORT:
        return {"\"" + route.port_text + "\" is no port text",
                "the port text names no COM port: it must be USB, AT, or COM1..COM9 with optional settings",
                "--port " + host::facts().example_port + ":9600,N,8,1, --port " + host::facts().example_port +
                    ", or --usb"};
    case KBP_DOWNLOAD_COM_PORT_NOT_CLOSED: return close_failed(route, bytes, image_bytes);
    case KBP_DOWNLOAD_STOPPED: return transfer_stopped(cause, route, bytes, image_bytes);
    case KBP_DOWNLOAD_NOT_AN_IMAGE:
        return {kNothingWritten, "the library refused the image", "check the file with `kbptool info IMAGE`"};
    case KBP_DOWNLOAD_FILE_NOT_OPENED:
        return {kNothingWritten, "the library could not open the image file", "check the file's name and rights"};
    default: return {"", "kbp_download returned " + std::to_string(call.result), ""};
    }
}

Failure upload_words(const LibraryCall& call, const Route& route, bool with_port) {
    const host::Facts& here = host::facts();
    switch (call.last.cause) {
    case KBP_CAUSE_USB_LIBRARY: return {"", "the USB library " KBP_USB_LIBRARY_NAME " cannot be loaded", kDllBeside};
    case KBP_CAUSE_FILE_NOT_CREATED:
    case KBP_CAUSE_FILE_NOT_WRITTEN:
        return {"", "the read image could not be written to disk", "check the folder's free space and rights"};
    case KBP_CAUSE_CAPTURE_LIBRARY:
        return {"", "the library cannot load " + here.answers_source +
                        ", through which an upload reads the keyboard's answers; nothing was read",
                here.capture_hint};
    case KBP_CAUSE_IMAGE_TOO_LONG: {
        const bool usb = route.usb_chunks();
        return {"", "the keyboard's image is longer than an upload can read: its end lies past address " +
                        std::to_string(max_upload_end(usb)) + ", the last an upload" + (usb ? " over USB" : "") +
                        " can read",
                "keep the image file it was downloaded from; an upload over USB reads up to " +
                    std::to_string(max_upload_end(true)) + ", over the other paths up to " +
                    std::to_string(max_upload_end(false))};
    }
    default:
        return {"", "the keyboard did not answer the read requests on the " + route.upload_name() +
                        " (or the UPLOAD ERROR box was answered Cancel); an upload reads its answers through " +
                        here.answers_source,
                cable_hint(route, with_port)};
    }
}
}  // namespace

std::string other_interfaces() {
    std::string names;
    for (const PathFacts& p : kPaths)
        if (p.path != Path::usb && p.kind >= 0 && !host::missing_path(p.path, false))
            names += (names.empty() ? "" : "|") + std::string(p.name);
    return names.empty() ? "" : "--interface " + names;
}

std::string cable_hint(const Route& route, bool with_port) {
    const std::string others = other_paths(route, with_port);
    return "check the keyboard's cable and power" + (others.empty() ? "" : ", then try " + others);
}

// The host's words win on USB and a serial port, where it knows better.
Failure explain_download(const Library& library, const LibraryCall& call, const Route& route, long image_bytes) {
    Failure why = download_words(library, call, route, image_bytes);
    if (call.result != KBP_DOWNLOAD_NOT_A_COM_PORT && (route.path == Path::com || route.usb_chunks()))
        host::explain(route.path, route.com_port, call.last, why);
    return why;
}

Failure explain_upload(const LibraryCall& call, const Route& route, bool with_port) {
    Failure why = upload_words(call, route, with_port);
    if (route.usb_chunks()) host::explain(Path::usb, route.com_port, call.last, why);
    return why;
}
}  // namespace kbptool
