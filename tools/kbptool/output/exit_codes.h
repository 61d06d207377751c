#pragma once
// The exit codes of kbptool, one per outcome a script may want to tell apart.
namespace kbptool::exit_code {

constexpr int kSuccess = 0;
constexpr int kFailed = 1;          // info: not a valid image; send: a byte not sent; interface refused
constexpr int kUsage = 2;           // the command line is wrong
constexpr int kNoLibrary = 3;       // kbpi32 or the simulated keyboard's state cannot be used
constexpr int kFileError = 4;       // a file of the tool's own cannot be read, written or is refused
// kbp_download's result -1..-7 gives 11..17.
constexpr int kDownloadBase = 10;
constexpr int for_download(int result) { return result > 0 ? kSuccess : kDownloadBase - result; }
constexpr int kNotAnImage = for_download(-6);       // checked by the tool before the library
constexpr int kImageUnreadable = for_download(-7);
constexpr int kUploadFailed = 20;   // kbp_upload returned 0
constexpr int kUploadNoFile = 21;   // kbp_upload returned -1
constexpr int kVerifyDiffers = 30;  // the keyboard holds other bytes than the image
constexpr int kReadBackFailed = 31; // download: sent, but the keyboard's memory could not be read back
constexpr int kCannotReadBack = 32; // verify: the image ends past what an upload can read
constexpr int kInterrupted = 130;   // Ctrl-C

constexpr int for_upload(int result) { return result > 0 ? kSuccess : result == 0 ? kUploadFailed : kUploadNoFile; }

}  // namespace kbptool::exit_code
