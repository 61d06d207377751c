// A KBPFUNC.DLL that captures the keys the keyboard model behind the KBPUSB.DLL
// double types in answer to a read request, and announces a finished capture
// as the real library does: through the registered callback, on the thread
// that armed it, from a message to a window of that thread, which the caller's
// message pump dispatches. Its 41 other names are resolved but never called.
#include <windows.h>

#include <vector>

namespace {

using Callback = int(__stdcall*)(int count);
using TakeTyped = unsigned(__stdcall*)(unsigned char* out, unsigned capacity);

constexpr UINT kCollect = WM_APP + 0x4B;
constexpr UINT_PTR kPollTimer = 1;
constexpr UINT kPollMs = 10;

struct Capture {
    Callback callback = nullptr;
    HWND window = nullptr;
    bool armed = false;
    int expected = 0;
    std::vector<unsigned char> captured;
    std::vector<unsigned char> delivered;  // what kbp_get_data_capture hands out
};
Capture capture;

// The keys typed since the last look reach the capture while it is armed;
// others go to whoever has the focus.
void take_keys() {
    const HMODULE usb = GetModuleHandleA("KBPUSB.DLL");
    const auto take = usb != nullptr ? reinterpret_cast<TakeTyped>(
                                           reinterpret_cast<void*>(GetProcAddress(usb, "double_take_typed")))
                                     : nullptr;
    if (take == nullptr) return;
    unsigned char keys[64];
    for (unsigned n = take(keys, sizeof keys); n > 0; n = take(keys, sizeof keys))
        for (unsigned i = 0; i < n; ++i)
            if (capture.armed && static_cast<int>(capture.captured.size()) < capture.expected)
                capture.captured.push_back(keys[i]);
}

void complete_when_all_arrived() {
    if (!capture.armed || static_cast<int>(capture.captured.size()) < capture.expected) return;
    capture.armed = false;
    KillTimer(capture.window, kPollTimer);
    capture.delivered = capture.captured;
    capture.delivered.resize(capture.delivered.size() + 64, 0);  // room past the codes, all zero
    if (capture.callback != nullptr) capture.callback(static_cast<int>(capture.captured.size()));
}

LRESULT CALLBACK library_window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == kCollect || (message == WM_TIMER && wparam == kPollTimer)) {
        take_keys();
        complete_when_all_arrived();
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

HWND library_window() {
    if (capture.window != nullptr) return capture.window;
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = library_window_procedure;
    window_class.hInstance = GetModuleHandleA("KBPFUNC.DLL");
    window_class.lpszClassName = "kbpfunc_double";
    RegisterClassA(&window_class);
    capture.window = CreateWindowExA(0, window_class.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                     window_class.hInstance, nullptr);
    return capture.window;
}

}  // namespace

extern "C" {

// Every name the binding resolves but never calls.
int kbpfunc_unused_entry(void) { return 0; }

int __stdcall kbp_open(void) { return 0; }

int __stdcall kbp_close(void) {
    capture.armed = false;
    if (capture.window != nullptr) KillTimer(capture.window, kPollTimer);
    return 0;
}

int __stdcall kbp_set_language(int) { return 0; }

int __stdcall kbp_callback_data_capture(Callback callback) {
    capture.callback = callback;
    return 0;
}

const unsigned char* __stdcall kbp_get_data_capture(void) { return capture.delivered.data(); }

// Arms a capture of `keystrokes` keys. The keys come after the request the
// caller sends next; its wait dispatches the collection.
int __stdcall kbp_capture_data(int keystrokes, int, int) {
    take_keys();  // typed before the arming: not captured
    const HWND window = library_window();
    if (window == nullptr) return 1;
    capture.armed = keystrokes > 0;
    capture.expected = keystrokes;
    capture.captured.clear();
    PostMessageA(window, kCollect, 0, 0);
    SetTimer(window, kPollTimer, kPollMs, nullptr);
    return 0;
}

}  // extern "C"
