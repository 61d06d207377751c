// The exports that take a port text, as Windows names its serial ports
// (COM1..COM9). The Linux library has its own, which take device paths too.
#include "include/kbpi32.h"
#include "kbpi32/common/port_text.h"
#include "kbpi32/download/download_engine.h"

extern "C" {

int KBPI32_CALL kbp_download(const char* file, char* status, kbp_progress_callback progress) {
    return kbp::kbp_download(file, status, progress);
}

int KBPI32_CALL kbp_read_port_text(const char* text, struct kbp_port_text* port) {
    if (text == nullptr || port == nullptr) return 1;
    kbp::read_port_text(text, *port);
    return 0;
}

}  // extern "C"
