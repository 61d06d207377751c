#include "platform/windows_model/capture_library.h"

#include "platform/capture_library.h"
#include "platform/windows_model/backend.h"

namespace platform::windows_model {

namespace {

constexpr int kNotArmed = 1;

void deliver(KeystrokeCapture& c) {
    c.delivered = c.captured;
    c.delivered.resize(c.captured.size() + kRoomPastCodes, 0);
}

void on_completion(const Message& message) {
    KeystrokeCapture& c = keystroke_capture();
    if (message.message != kCaptureComplete || message.wparam != c.generation || c.callback == nullptr) return;
    ++c.completions;
    c.callback(static_cast<int>(message.lparam));
}

void complete(KeystrokeCapture& c) {
    c.armed = false;
    capture_keys::stop();
    deliver(c);
    Completion completion{static_cast<int>(c.captured.size())};
    capture_keys::completing(c, completion);
    if (!completion.announced) return;
    // The library's window is the library itself.
    thread_queue().window_procedures[&c] = on_completion;
    thread_queue().post_after(thread_waits(), completion.delay_ms, &c, kCaptureComplete, c.generation,
                              completion.reported);
}

// --- the library's exports
int KBP_STDCALL kbp_open() { return ++keystroke_capture().opens, 0; }

int KBP_STDCALL kbp_close() {
    KeystrokeCapture& c = keystroke_capture();
    ++c.closes;
    c.armed = false;
    capture_keys::stop();
    return 0;
}

int KBP_STDCALL kbp_set_language(int language) { return keystroke_capture().languages.push_back(language), 0; }

int KBP_STDCALL kbp_callback_data_capture(KeystrokeCapture::Callback callback) {
    KeystrokeCapture& c = keystroke_capture();
    c.callbacks_registered.push_back(callback);
    c.callback = callback;
    return 0;
}

const std::uint8_t* KBP_STDCALL kbp_get_data_capture() {
    KeystrokeCapture& c = keystroke_capture();
    ++c.data_reads;
    if (c.delivered.empty()) deliver(c);
    return c.delivered.data();
}

// Arming starts a capture anew: codes and completions of an earlier one are
// not this one's.
int KBP_STDCALL kbp_capture_data(int keystrokes, int mode, int limit) {
    KeystrokeCapture& c = keystroke_capture();
    c.arms.push_back({keystrokes, mode, limit});
    const int arming = capture_keys::arming(keystrokes);
    c.armed = false;
    capture_keys::stop();
    if ((arming & 0xFF) != 0) return arming;
    ++c.generation;
    c.expected = keystrokes;
    c.captured.clear();
    c.delivered.clear();
    deliver(c);
    c.armed = keystrokes > 0;
    if (c.armed && !capture_keys::listen(keystrokes)) {
        c.armed = false;
        return kNotArmed;
    }
    return arming;
}

int KBP_STDCALL unused_entry() { return 0; }

}  // namespace

KeystrokeCapture& keystroke_capture() {
    static KeystrokeCapture capture;
    return capture;
}

bool take_captured_key(std::uint8_t make_code) {
    KeystrokeCapture& c = keystroke_capture();
    if (!c.armed) return false;  // nobody captures: the key goes to whoever has the focus
    c.captured.push_back(make_code);
    if (static_cast<int>(c.captured.size()) != c.expected) return false;
    complete(c);
    return true;
}

Symbols capture_library_symbols() {
    Symbols symbols;
    for (const char* name : kCaptureLibraryNames) symbols[name] = reinterpret_cast<void*>(&unused_entry);
    symbols["kbp_open"] = reinterpret_cast<void*>(&kbp_open);
    symbols["kbp_close"] = reinterpret_cast<void*>(&kbp_close);
    symbols["kbp_set_language"] = reinterpret_cast<void*>(&kbp_set_language);
    symbols["kbp_callback_data_capture"] = reinterpret_cast<void*>(&kbp_callback_data_capture);
    symbols["kbp_get_data_capture"] = reinterpret_cast<void*>(&kbp_get_data_capture);
    symbols["kbp_capture_data"] = reinterpret_cast<void*>(&kbp_capture_data);
    return symbols;
}

}  // namespace platform::windows_model
