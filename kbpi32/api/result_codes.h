#pragma once
// The results of the two transfer calls and the texts they leave in the status
// buffer. The texts are the library's own, byte for byte: leading and trailing
// blanks included, and "\xB4" is the acute accent of the Windows ANSI code page.
#include <cstdint>

namespace kbp {

namespace download_result {
// A positive result is the number of bytes sent (the file's size).
constexpr std::int32_t kNoFileSpecified = -1;
constexpr std::int32_t kComPortFailed = -2;
constexpr std::int32_t kNotAComPort = -3;
constexpr std::int32_t kCannotCloseComPort = -4;
constexpr std::int32_t kTransferStopped = -5;
constexpr std::int32_t kNotAnImage = -6;
constexpr std::int32_t kFileNotFound = -7;
}  // namespace download_result

namespace upload_result {
// A positive result is the end address of the image read.
constexpr std::int32_t kFailed = 0;
constexpr std::int32_t kNoFileSpecified = -1;
}  // namespace upload_result

namespace text {
// download
constexpr char kBytesSent[] = " %d bytes sent";
constexpr char kNoFileSpecified[] = "no file specified";
constexpr char kUnableToOpen[] = "unable to open %s";
constexpr char kCantCloseComPort[] = "can\xB4t close com-Port ";
constexpr char kUsbLibraryNotFound[] = "KBPUSB.DLL not found ";
constexpr char kDownloadCheckFailed[] = "download check failed";
constexpr char kDownloadNotPossible[] = "download not possible ";
constexpr char kNotAValidImage[] = "not a valid kbp fileformat";
constexpr char kImageNotFound[] = "kbp-file not found";
// opening check on the keyboard class driver
constexpr char kEeCheckFailed[] = "EE check failed / NT";
// upload
constexpr char kUploadError[] = "Upload Error.\n";
constexpr char kFileCreationFailed[] = "File '%s' creation failed.\n";
constexpr char kCantWriteFile[] = "Can't write into file '%s'.\n";
constexpr char kUploadNoFileSpecified[] = " no file specified";
}  // namespace text

}  // namespace kbp
