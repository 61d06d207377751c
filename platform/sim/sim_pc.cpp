#include "platform/sim/sim.h"
#include "platform/sim/sim_internal.h"

namespace sim {

Clock& clock() {
    static Clock c;
    return c;
}
Version& version() {
    static Version v;
    return v;
}
Controller& controller() {
    static Controller c;
    return c;
}
Messages& messages() {
    static Messages m;
    return m;
}
Libraries& libraries() {
    static Libraries l;
    return l;
}
MessageBoxes& message_boxes() {
    static MessageBoxes b;
    return b;
}
ImageFiles& image_files() {
    static ImageFiles f;
    return f;
}
Hid& hid() {
    static Hid h;
    return h;
}

void reset() {
    clock() = Clock{};
    version() = Version{};
    controller() = Controller{};
    messages() = Messages{};
    function_library() = FunctionLibrary{};
    capture_library_calls() = {};
    libraries() = Libraries{};
    message_boxes() = MessageBoxes{};
    drivers() = Drivers{};
    hid() = Hid{};
    com_ports() = ComPorts{};
    // Files a test left open stay the host's; only the count starts anew.
    image_files() = ImageFiles{};
    faults() = Faults{};
    reset_devices();
    reset_device_families();
}

}  // namespace sim
