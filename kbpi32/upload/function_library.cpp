#include "function_library.h"

#include <cstdio>

#include "kbpi32/common/pending_timer.h"
#include "kbpi32/common/texts.h"
#include "kbpi32/upload/read_transaction.h"

namespace kbp {

FunctionLibraryState function_library_state;

namespace kbpfunc {
const char* const kNames[kNameCount] = {
    "load_kbpi32",           "unload_kbpi32",          "kbp_msr_autoinput_on",    "kbp_msr_autoinput_off",
    "kbp_msr_read_data",     "kbp_fc_autoinput_on",    "kbp_fc_autoinput_off",    "kbp_fc_read_data",
    "kbp_kl_autoinput_on",   "kbp_kl_autoinput_off",   "kbp_kl_read_data",        "kbp_bar_autoinput_on",
    "kbp_bar_autoinput_off", "kbp_bar_read_data",      "kbp_kvk_mode2",           "kbp_kvk_mode1",
    "kbp_kvk_read_data",     "kbp_display_data",       "kbp_beep",                "kbp_open",
    "kbp_close",             "kbp_msr_get_track1",     "kbp_msr_get_track2",      "kbp_msr_get_track3",
    "kbp_msr_callback_track1", "kbp_msr_callback_track2", "kbp_msr_callback_track3", "kbp_get_barcode",
    "kbp_get_keylock",       "kbp_get_functioncard",   "kbp_callback_barcode",    "kbp_callback_keylock",
    "kbp_callback_functioncard", "kbp_display_open",   "kbp_display",             "kbp_callback_displaycomplete",
    "kbp_display_close",     "kbp_msr_delete_data",    "kbp_barcode_data",        "kbp_barcode_config",
    "sendbyte",              "kbp_set_language",       "kbp_get_language",        "kbp_vba_display",
    "kbp_callback_data_capture", "kbp_get_data_capture", "kbp_capture_data",
};
}  // namespace kbpfunc

namespace {

enum Slot {
    kOpen = 19,
    kClose = 20,
    kSetLanguage = 41,
    kCallbackDataCapture = 44,
    kGetDataCapture = 45,
    kCaptureData = 46,
};

template <typename Routine>
Routine slot(Slot s) {
    return reinterpret_cast<Routine>(function_library_state.slots[s]);
}

constexpr std::uintptr_t kHighestFailedLoad = 32;
constexpr int kLanguage = 1;

// Each missing name is shown; OK stops the resolution, Cancel skips the name.
bool resolve_names() {
    FunctionLibraryState& s = function_library_state;
    for (int i = 0; i < kbpfunc::kNameCount; ++i) {
        s.slots[i] = platform::find_symbol(s.library, kbpfunc::kNames[i]);
        if (s.slots[i] != nullptr) continue;
        char text[sizeof text::kUnableToGetFunction + 64];
        std::snprintf(text, sizeof text, "%s%s", text::kUnableToGetFunction, kbpfunc::kNames[i]);
        if (platform::message_box(text, text::kUnableToGetFunctionCaption, platform::kMbOkCancel) !=
            platform::kIdCancel)
            return false;
    }
    return true;
}

void set_up_library() {
    if (auto open = slot<kbpfunc::Open>(kOpen)) open();
    if (auto language = slot<kbpfunc::SetLanguage>(kSetLanguage)) language(kLanguage);
    if (auto callback = slot<kbpfunc::CallbackDataCapture>(kCallbackDataCapture)) callback(capture_complete);
}

}  // namespace

std::uint8_t bind_function_library() {
    FunctionLibraryState& s = function_library_state;
    if (s.resolved) return 0;
    if (s.library == nullptr) {
        const platform::Module loaded = platform::load_library("KBPFUNC.DLL");
        if (reinterpret_cast<std::uintptr_t>(loaded) <= kHighestFailedLoad) {
            platform::message_box(text::kUnableToLoadKbpfunc, text::kErrorCaption, platform::kMbOkCancel);
            return 1;
        }
        s.library = loaded;
    }
    // A library that lacked a name is asked again at the next binding (it stays
    // loaded), so every transfer that cannot bind tells the user why.
    if (!resolve_names()) {
        platform::message_box(text::kLoadKbpi32Failed, text::kErrorCaption, platform::kMbOkCancel);
        return 1;
    }
    s.resolved = true;
    if (!s.set_up) {
        s.set_up = true;
        set_up_library();
    }
    return 0;
}

void release_function_library() {
    if (function_library_state.library != nullptr)
        if (auto close = slot<kbpfunc::Close>(kClose)) close();
    kill_pending_timer();
}

kbpfunc::CaptureData capture_data_routine() { return slot<kbpfunc::CaptureData>(kCaptureData); }

kbpfunc::GetDataCapture get_data_capture_routine() { return slot<kbpfunc::GetDataCapture>(kGetDataCapture); }

}  // namespace kbp
