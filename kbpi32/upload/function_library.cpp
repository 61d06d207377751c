#include "function_library.h"

#include <cstdio>

#include "kbpi32/common/last_transfer.h"
#include "kbpi32/common/pending_timer.h"
#include "kbpi32/common/texts.h"
#include "kbpi32/upload/read_transaction.h"

namespace kbp {

FunctionLibraryState function_library_state;

namespace {

// The position of every name in the resolution order.
enum class Slot {
#define KBP_CAPTURE_LIBRARY_SLOT(name, called) name,
    KBP_CAPTURE_LIBRARY_NAMES(KBP_CAPTURE_LIBRARY_SLOT)
#undef KBP_CAPTURE_LIBRARY_SLOT
};

template <typename Routine>
Routine slot(Slot s) {
    return reinterpret_cast<Routine>(function_library_state.slots[static_cast<std::size_t>(s)]);
}

constexpr std::uintptr_t kHighestFailedLoad = 32;
constexpr int kLanguage = 1;

// Each missing name is shown; OK stops the resolution, Cancel skips the name.
bool resolve_names() {
    FunctionLibraryState& s = function_library_state;
    for (int i = 0; i < kbpfunc::kNameCount; ++i) {
        s.slots[i] = platform::find_symbol(s.library, platform::kCaptureLibraryNames[i]);
        if (s.slots[i] != nullptr) continue;
        char text[sizeof text::kUnableToGetFunction + 64];
        std::snprintf(text, sizeof text, "%s%s", text::kUnableToGetFunction, platform::kCaptureLibraryNames[i]);
        if (platform::message_box(text, text::kUnableToGetFunctionCaption, platform::kMbOkCancel) !=
            platform::kIdCancel)
            return false;
    }
    return true;
}

void set_up_library() {
    if (auto open = slot<kbpfunc::Open>(Slot::kbp_open)) open();
    if (auto language = slot<kbpfunc::SetLanguage>(Slot::kbp_set_language)) language(kLanguage);
    if (auto callback = slot<kbpfunc::CallbackDataCapture>(Slot::kbp_callback_data_capture)) callback(capture_complete);
}

}  // namespace

std::uint8_t bind_function_library() {
    FunctionLibraryState& s = function_library_state;
    if (s.resolved) return 0;
    if (s.library == nullptr) {
        const platform::Module loaded = platform::load_library(platform::kCaptureLibraryName);
        if (reinterpret_cast<std::uintptr_t>(loaded) <= kHighestFailedLoad) {
            note_cause(KBP_CAUSE_CAPTURE_LIBRARY);
            platform::message_box(text::kUnableToLoadKbpfunc, text::kErrorCaption, platform::kMbOkCancel);
            return 1;
        }
        s.library = loaded;
    }
    // A library that lacked a name is asked again at the next binding (it stays
    // loaded), so every transfer that cannot bind tells the user why.
    if (!resolve_names()) {
        note_cause(KBP_CAUSE_CAPTURE_LIBRARY);
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
        if (auto close = slot<kbpfunc::Close>(Slot::kbp_close)) close();
    kill_pending_timer();
}

kbpfunc::CaptureData capture_data_routine() { return slot<kbpfunc::CaptureData>(Slot::kbp_capture_data); }

kbpfunc::GetDataCapture get_data_capture_routine() { return slot<kbpfunc::GetDataCapture>(Slot::kbp_get_data_capture); }

}  // namespace kbp
