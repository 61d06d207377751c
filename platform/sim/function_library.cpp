#include "platform/sim/function_library.h"

#include <set>
#include <string>

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

const char* const kNames[] = {
    "load_kbpi32", "unload_kbpi32", "kbp_msr_autoinput_on", "kbp_msr_autoinput_off", "kbp_msr_read_data",
    "kbp_fc_autoinput_on", "kbp_fc_autoinput_off", "kbp_fc_read_data", "kbp_kl_autoinput_on",
    "kbp_kl_autoinput_off", "kbp_kl_read_data", "kbp_bar_autoinput_on", "kbp_bar_autoinput_off",
    "kbp_bar_read_data", "kbp_kvk_mode2", "kbp_kvk_mode1", "kbp_kvk_read_data", "kbp_display_data", "kbp_beep",
    "kbp_open", "kbp_close", "kbp_msr_get_track1", "kbp_msr_get_track2", "kbp_msr_get_track3",
    "kbp_msr_callback_track1", "kbp_msr_callback_track2", "kbp_msr_callback_track3", "kbp_get_barcode",
    "kbp_get_keylock", "kbp_get_functioncard", "kbp_callback_barcode", "kbp_callback_keylock",
    "kbp_callback_functioncard", "kbp_display_open", "kbp_display", "kbp_callback_displaycomplete",
    "kbp_display_close", "kbp_msr_delete_data", "kbp_barcode_data", "kbp_barcode_config", "sendbyte",
    "kbp_set_language", "kbp_get_language", "kbp_vba_display", "kbp_callback_data_capture",
    "kbp_get_data_capture", "kbp_capture_data",
};

}  // namespace

FunctionLibrary& function_library() {
    static FunctionLibrary f;
    return f;
}

void install_function_library() {
    function_library() = FunctionLibrary{};
    std::map<std::string, void*> symbols;
    for (const char* name : kNames) symbols[name] = reinterpret_cast<void*>(&unused_entry);
    symbols["kbp_open"] = reinterpret_cast<void*>(&kbp_open);
    symbols["kbp_close"] = reinterpret_cast<void*>(&kbp_close);
    symbols["kbp_set_language"] = reinterpret_cast<void*>(&kbp_set_language);
    symbols["kbp_callback_data_capture"] = reinterpret_cast<void*>(&kbp_callback_data_capture);
    symbols["kbp_get_data_capture"] = reinterpret_cast<void*>(&kbp_get_data_capture);
    symbols["kbp_capture_data"] = reinterpret_cast<void*>(&kbp_capture_data);
    libraries().install("KBPFUNC.DLL", std::move(symbols));
    messages().input_sources.push_back(take_keys);
    messages().window_procedures[&function_library()] = window_procedure;
}

}  // namespace sim
