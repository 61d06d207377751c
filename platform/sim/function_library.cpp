#include "platform/sim/function_library.h"

#include <set>
#include <string>

#include "platform/capture_library_table.h"
#include "platform/sim/clock.h"
#include "platform/sim/com_ports.h"
#include "platform/sim/controller.h"
#include "platform/sim/drivers.h"
#include "platform/sim/hid_devices.h"
#include "platform/sim/libraries.h"
#include "platform/sim/messages.h"

namespace sim {

namespace {

constexpr std::uint32_t kCaptureComplete = 0x8000 + 0x4B;  // a WM_APP message to the library's own window

// Every keyboard on the simulated PC types into the one keyboard input of the system.
std::set<kbdsim::Keyboard*> keyboards() {
    std::set<kbdsim::Keyboard*> all{controller().keyboard, drivers().class_driver.keyboard,
                                    drivers().port_driver.keyboard};
    for (ComPort& port : com_ports().ports) all.insert(port.keyboard);
    for (HidDevice& device : hid().attached) all.insert(device.keyboard);
    all.erase(nullptr);
    return all;
}

void finish_capture(FunctionLibrary& f) {
    f.armed = false;
    f.delivered = f.captured;
    if (f.misbehaving)
        for (const auto& [index, code] : f.replaced)
            if (index >= 0 && static_cast<std::size_t>(index) < f.delivered.size()) f.delivered[index] = code;
    if (f.misbehaving && f.silent) return;
    // The library's window is the library itself.
    messages().post_at(clock().now_ms + (f.misbehaving ? f.late_by_ms : 0), kCaptureComplete, f.generation, 0, &f);
}

// Keys reach the library as the system takes input, before the thread's next message.
void take_keys() {
    FunctionLibrary& f = function_library();
    for (kbdsim::Keyboard* keyboard : keyboards()) {
        while (!keyboard->typed.empty()) {
            const std::uint8_t code = keyboard->typed.front();
            keyboard->typed.pop_front();
            if (!f.armed) continue;  // nobody captures: the key goes to whoever has the focus
            f.captured.push_back(code);
            if (static_cast<int>(f.captured.size()) == f.expected) finish_capture(f);
        }
    }
}

void window_procedure(const platform::Message& message) {
    FunctionLibrary& f = function_library();
    if (message.message != kCaptureComplete || message.wparam != f.generation || f.callback == nullptr) return;
    const int reported = static_cast<int>(f.captured.size()) + (f.misbehaving ? f.count_error : 0);
    ++f.completions;
    f.callback(reported);
}

// --- the library's exports
int KBP_STDCALL kbp_open() { return ++function_library().opens, 0; }
int KBP_STDCALL kbp_close() { return ++function_library().closes, 0; }
int KBP_STDCALL kbp_set_language(int language) { return function_library().languages.push_back(language), 0; }
int KBP_STDCALL kbp_callback_data_capture(FunctionLibrary::Callback callback) {
    function_library().callbacks_registered.push_back(callback);
    function_library().callback = callback;
    return 0;
}
const std::uint8_t* KBP_STDCALL kbp_get_data_capture() {
    FunctionLibrary& f = function_library();
    ++f.data_reads;
    f.delivered.resize(f.delivered.size() + 64, 0);  // room past the codes, all zero
    return f.delivered.data();
}
int KBP_STDCALL kbp_capture_data(int keystrokes, int mode, int limit) {
    FunctionLibrary& f = function_library();
    take_keys();  // keys typed before the arming are not captured
    f.arms.push_back({keystrokes, mode, limit});
    if (!f.script.empty()) {
        f.misbehaving = f.script.front();
        f.script.pop_front();
    } else {
        f.misbehaving = f.misbehaving_captures != 0;
        if (f.misbehaving_captures > 0) --f.misbehaving_captures;
    }
    f.armed = false;
    if (f.misbehaving && (f.arm_result & 0xFF) != 0) return f.arm_result;
    ++f.generation;
    f.armed = keystrokes > 0;
    f.expected = keystrokes;
    f.captured.clear();
    return f.misbehaving ? f.arm_result : 0;
}
int KBP_STDCALL unused_entry() { return 0; }


}  // namespace

FunctionLibrary& function_library() {
    static FunctionLibrary f;
    return f;
}

void install_function_library() {
    function_library() = FunctionLibrary{};
    libraries().install(platform::kCaptureLibraryName,
                        platform::capture_library_table({reinterpret_cast<void*>(&kbp_open),
                                                         reinterpret_cast<void*>(&kbp_close),
                                                         reinterpret_cast<void*>(&kbp_set_language),
                                                         reinterpret_cast<void*>(&kbp_callback_data_capture),
                                                         reinterpret_cast<void*>(&kbp_get_data_capture),
                                                         reinterpret_cast<void*>(&kbp_capture_data),
                                                         reinterpret_cast<void*>(&unused_entry)}));
    messages().input_sources.push_back(take_keys);
    messages().window_procedures[&function_library()] = window_procedure;
}

}  // namespace sim
