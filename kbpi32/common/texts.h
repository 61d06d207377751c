#pragma once
// Every text the library shows: in the status buffer and in its message boxes.
// Byte for byte the library's own: leading and trailing blanks included, and
// "\xB4" is the acute accent of the Windows ANSI code page.
#include "include/kbp_protocol.h"

namespace kbp::text {

// download
constexpr char kBytesSent[] = " %d bytes sent";
constexpr char kNoFileSpecified[] = "no file specified";
constexpr char kUnableToOpen[] = "unable to open %s";
constexpr char kCantCloseComPort[] = "can\xB4t close com-Port ";
constexpr char kUsbLibraryNotFound[] = KBP_USB_LIBRARY_NAME " not found ";
constexpr char kDownloadCheckFailed[] = "download check failed";
constexpr char kDownloadNotPossible[] = "download not possible ";
constexpr char kNotAValidImage[] = "not a valid kbp fileformat";
constexpr char kImageNotFound[] = "kbp-file not found";

// opening check on the keyboard class driver
constexpr char kEeCheckFailed[] = "EE check failed / NT";

// serial line
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

// upload
constexpr char kUploadError[] = "Upload Error.\n";
constexpr char kFileCreationFailed[] = "File '%s' creation failed.\n";
constexpr char kCantWriteFile[] = "Can't write into file '%s'.\n";
constexpr char kUploadNoFileSpecified[] = " no file specified";
constexpr char kUploadErrorPrompt[] = "UPLOAD ERROR";
constexpr char kContinueCaption[] = " CONTINUE ? ";

// the keyboard function library's binding, in message boxes
constexpr char kUnableToLoadKbpfunc[] = "Unable to load KBPFUNC.DLL ";
constexpr char kUnableToGetFunction[] = "Unable to get function ";
constexpr char kUnableToGetFunctionCaption[] = "   Error     ";
constexpr char kLoadKbpi32Failed[] = "Function load_kbpi32 failed ";
constexpr char kErrorCaption[] = "Error";

}  // namespace kbp::text
