#pragma once
// The keystroke-capture library "KBPFUNC.DLL", an outside library that kbpi32
// loads by name: the names it is bound by, one home for kbpi32, the simulated
// PC and the test doubles.
#include "include/kbp_protocol.h"

// The 47 names, in the order kbpi32 resolves them. X(name, called): `called`
// is 1 for the six kbpi32 calls, 0 for those it only resolves.
#define KBP_CAPTURE_LIBRARY_NAMES(X) \
    X(load_kbpi32, 0)                \
    X(unload_kbpi32, 0)              \
    X(kbp_msr_autoinput_on, 0)       \
    X(kbp_msr_autoinput_off, 0)      \
    X(kbp_msr_read_data, 0)          \
    X(kbp_fc_autoinput_on, 0)        \
    X(kbp_fc_autoinput_off, 0)       \
    X(kbp_fc_read_data, 0)           \
    X(kbp_kl_autoinput_on, 0)        \
    X(kbp_kl_autoinput_off, 0)       \
    X(kbp_kl_read_data, 0)           \
    X(kbp_bar_autoinput_on, 0)       \
    X(kbp_bar_autoinput_off, 0)      \
    X(kbp_bar_read_data, 0)          \
    X(kbp_kvk_mode2, 0)              \
    X(kbp_kvk_mode1, 0)              \
    X(kbp_kvk_read_data, 0)          \
    X(kbp_display_data, 0)           \
    X(kbp_beep, 0)                   \
    X(kbp_open, 1)                   \
    X(kbp_close, 1)                  \
    X(kbp_msr_get_track1, 0)         \
    X(kbp_msr_get_track2, 0)         \
    X(kbp_msr_get_track3, 0)         \
    X(kbp_msr_callback_track1, 0)    \
    X(kbp_msr_callback_track2, 0)    \
    X(kbp_msr_callback_track3, 0)    \
    X(kbp_get_barcode, 0)            \
    X(kbp_get_keylock, 0)            \
    X(kbp_get_functioncard, 0)       \
    X(kbp_callback_barcode, 0)       \
    X(kbp_callback_keylock, 0)       \
    X(kbp_callback_functioncard, 0)  \
    X(kbp_display_open, 0)           \
    X(kbp_display, 0)                \
    X(kbp_callback_displaycomplete, 0) \
    X(kbp_display_close, 0)          \
    X(kbp_msr_delete_data, 0)        \
    X(kbp_barcode_data, 0)           \
    X(kbp_barcode_config, 0)         \
    X(sendbyte, 0)                   \
    X(kbp_set_language, 1)           \
    X(kbp_get_language, 0)           \
    X(kbp_vba_display, 0)            \
    X(kbp_callback_data_capture, 1)  \
    X(kbp_get_data_capture, 1)       \
    X(kbp_capture_data, 1)

namespace platform {

// The file name the library is loaded by.
constexpr char kCaptureLibraryName[] = KBP_CAPTURE_LIBRARY_NAME;

#define KBP_CAPTURE_LIBRARY_NAME_TEXT(name, called) #name,
constexpr const char* kCaptureLibraryNames[] = {KBP_CAPTURE_LIBRARY_NAMES(KBP_CAPTURE_LIBRARY_NAME_TEXT)};
#undef KBP_CAPTURE_LIBRARY_NAME_TEXT
constexpr int kCaptureLibraryNameCount = sizeof kCaptureLibraryNames / sizeof kCaptureLibraryNames[0];
static_assert(kCaptureLibraryNameCount == 47);

}  // namespace platform
