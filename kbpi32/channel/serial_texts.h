#pragma once
// What the serial line transport reports, in the status buffer and its boxes.
// Byte for byte the library's own texts: blanks included, "\xB4" is the acute
// accent of the Windows ANSI code page. "unable to open %s" and
// "can\xB4t close com-Port " are shared with the download (result_codes.h).
#include <cstdint>

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

namespace text {
constexpr char kUnableToConfig[] = "unable to config %s";
constexpr char kCantSetComState[] = " can\xB4t set com state ";
constexpr char kCantSetupBufferSize[] = " can\xB4t setup buffer size ";
constexpr char kCantGetTimeout[] = " can\xB4t get timeout ";
constexpr char kCantSetupTimeout[] = " can\xB4t setup timeout ";
constexpr char kErrorClearTransmit[] = " error clear transmit buffer ";
constexpr char kErrorClearReceive[] = " error clear receive buffer ";
constexpr char kSetTo[] = "set to %s";
constexpr char kUnableToDownload[] = "unable to download";
constexpr char kSearchError[] = " error ";
constexpr char kUnableToSendData[] = " unable to send data ";
constexpr char kDownloadFailed[] = " download failed ";
}  // namespace text

}  // namespace kbp
