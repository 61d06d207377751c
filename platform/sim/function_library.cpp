#include "platform/sim/function_library.h"

#include <set>

#include "platform/capture_library.h"
#include "platform/sim/com_ports.h"
#include "platform/sim/controller.h"
#include "platform/sim/drivers.h"
#include "platform/sim/hid_devices.h"
#include "platform/sim/libraries.h"
#include "platform/sim/messages.h"
#include "platform/windows_model/backend.h"

namespace sim {

namespace {

// Every keyboard on the simulated PC types into the one keyboard input of the system.
std::set<kbdsim::Keyboard*> keyboards() {
    std::set<kbdsim::Keyboard*> all{controller().keyboard, drivers().class_driver.keyboard,
                                    drivers().port_driver.keyboard};
    for (ComPort& port : com_ports().ports) all.insert(port.keyboard);
    for (HidDevice& device : hid().attached) all.insert(device.keyboard);
    all.erase(nullptr);
    return all;
}

// Keys reach the library as the system takes input, before the thread's next message.
void take_keys() {
    for (kbdsim::Keyboard* keyboard : keyboards()) {
        while (!keyboard->typed.empty()) {
            const std::uint8_t code = keyboard->typed.front();
            keyboard->typed.pop_front();
            platform::windows_model::take_captured_key(code);
        }
    }
}

}  // namespace

FunctionLibrary& function_library() {
    static FunctionLibrary f;
    return f;
}

void install_function_library() {
    function_library() = FunctionLibrary{};
    platform::windows_model::keystroke_capture() = {};
    libraries().install(platform::kCaptureLibraryName, platform::windows_model::capture_library_symbols());
    messages().input_sources.push_back(take_keys);
}

}  // namespace sim

namespace platform::windows_model::capture_keys {

// Keys typed before the arming are not captured; the arming decides whether
// this capture misbehaves.
int arming(int) {
    sim::take_keys();
    sim::FunctionLibrary& f = sim::function_library();
    if (!f.script.empty()) {
        f.misbehaving = f.script.front();
        f.script.pop_front();
    } else {
        f.misbehaving = f.misbehaving_captures != 0;
        if (f.misbehaving_captures > 0) --f.misbehaving_captures;
    }
    return f.misbehaving ? f.arm_result : 0;
}

// The keyboards type into the system's input whatever the library does.
bool listen(int) { return true; }
void stop() {}

void completing(KeystrokeCapture& capture, Completion& completion) {
    const sim::FunctionLibrary& f = sim::function_library();
    if (!f.misbehaving) return;
    for (const auto& [index, code] : f.replaced)
        if (index >= 0 && static_cast<std::size_t>(index) < capture.captured.size()) capture.delivered[index] = code;
    completion.reported += f.count_error;
    completion.delay_ms = f.late_by_ms;
    completion.announced = !f.silent;
}

}  // namespace platform::windows_model::capture_keys
