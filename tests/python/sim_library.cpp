// The simulated PC's kbpi32 as one shared library for the Python package's
// tests: the exports of kbpi32.h, plus a keyboard to plug in and the Linux
// library's box callback, so the package can be driven as it drives the real one.
#include "include/kbpi32_linux.h"
#include "include/kbpusb.h"
#include "kbdsim/keyboard.h"
#include "kbpi32/api/library_state.h"
#include "kbpusb/usb_device.h"
#include "platform/message_boxes.h"
#include "platform/sim/scenario.h"
#include "platform/sim/sim.h"

namespace {

kbdsim::Keyboard& keyboard() {
    static kbdsim::Keyboard k;
    return k;
}

kbp_linux_box_callback box_callback = nullptr;
void* box_context = nullptr;

// As the Linux library answers: the callback, else OK, or Cancel where offered.
void answer_boxes_as_linux() {
    sim::message_boxes().ask = [](const sim::MessageBoxShown& box) {
        const bool offers_cancel = (box.type & 0xF) == platform::kMbOkCancel;
        const bool ok = box_callback != nullptr
                            ? box_callback(box.text.c_str(), box.caption.c_str(), offers_cancel, box_context) != 0
                            : !offers_cancel;
        return ok ? platform::kIdOk : platform::kIdCancel;
    };
}

}  // namespace

extern "C" {

// A fresh PC and a freshly loaded library, with the capture library and
// kbpusb installed; the keyboard (which keeps its memory) on every path when
// `plugged`, else nowhere.
void kbp_sim_plug_keyboard(int plugged) {
    kbp::reset_library_state();
    sim::Scenario scenario(keyboard());
    if (plugged) scenario.on_every_path();
    scenario.without_recording().capture_library().kbpusb({&snddata_USB, &Close_USB, &kbpusb::reset_usb_state});
    scenario.build();
    answer_boxes_as_linux();
}

void kbp_linux_set_box_callback(kbp_linux_box_callback callback, void* context) {
    box_callback = callback;
    box_context = context;
    answer_boxes_as_linux();
}

}  // extern "C"
