#include "output/exit_codes.h"

#include "include/kbpi32.h"

namespace kbptool {

namespace {
// kbp_download's result -1..-7 gives 11..17.
constexpr int kDownloadBase = 10;
constexpr int for_download(long result) { return result > 0 ? exit_code::kSuccess : kDownloadBase - int(result); }
}  // namespace

int exit_code_of(Ending ending, std::optional<long> result) {
    switch (ending) {
    case Ending::success: return exit_code::kSuccess;
    case Ending::failed: return 1;
    case Ending::usage: return exit_code::kUsage;
    case Ending::no_library: return exit_code::kNoLibrary;
    case Ending::file_error: return 4;
    case Ending::download: return for_download(result.value_or(0));
    case Ending::upload: return result.value_or(0) > 0 ? exit_code::kSuccess : result.value_or(0) == 0 ? 20 : 21;
    case Ending::not_an_image: return for_download(KBP_DOWNLOAD_NOT_AN_IMAGE);
    case Ending::image_unreadable: return for_download(KBP_DOWNLOAD_FILE_NOT_OPENED);
    case Ending::port_unusable: return for_download(KBP_DOWNLOAD_COM_PORT_FAILED);
    case Ending::differs: return 30;
    case Ending::read_back_failed: return 31;
    case Ending::cannot_read_back: return 32;
    case Ending::interrupted: return exit_code::kInterrupted;
    }
    return 1;
}

}  // namespace kbptool
