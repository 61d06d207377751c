#include "platform/sim/scenario.h"

#include <utility>

#include "include/kbp_protocol.h"
#include "platform/line_settings.h"
#include "platform/platform.h"
#include "platform/sim/sim.h"

namespace sim {

void install_kbpusb(const KbpusbRoutines& routines) {
    if (routines.fresh_load != nullptr) routines.fresh_load();
    libraries().install(KBP_USB_LIBRARY_NAME, platform::windows_model::usb_library_symbols(
                                                  reinterpret_cast<void*>(routines.send),
                                                  reinterpret_cast<void*>(routines.close)));
}

Scenario& Scenario::on(KeyboardPath path) {
    switch (path) {
    case KeyboardPath::controller_ports: controller_ports_ = true; break;
    case KeyboardPath::class_driver: class_driver_ = true; break;
    case KeyboardPath::port_driver: port_driver_ = true; break;
    case KeyboardPath::usb: usb_ = true; break;
    case KeyboardPath::com_ports:
        com_ports_.clear();
        for (int n = 1; n <= int(ComPorts{}.ports.size()); ++n) com_ports_.push_back(n);
        break;
    }
    return *this;
}

Scenario& Scenario::on_every_path() {
    for (KeyboardPath path : {KeyboardPath::controller_ports, KeyboardPath::class_driver, KeyboardPath::port_driver,
                              KeyboardPath::usb, KeyboardPath::com_ports})
        on(path);
    return *this;
}

Scenario& Scenario::on_com_port(int number) {
    com_ports_.push_back(number);
    return *this;
}

Scenario& Scenario::echo_at(const platform::LineSettings& setting) {
    echo_ = setting;
    return *this;
}

Scenario& Scenario::usb_report_length(std::uint16_t length) {
    usb_report_length_ = length;
    return *this;
}

Scenario& Scenario::usb_unplugs_at_write(unsigned write) {
    usb_unplugs_at_write_ = write;
    return *this;
}

Scenario& Scenario::windows_choosing(KeyboardPath path) {
    windows_choosing_ = path;
    return *this;
}

Scenario& Scenario::without_recording() {
    recording_ = false;
    return *this;
}

Scenario& Scenario::capture_library() {
    capture_library_ = true;
    return *this;
}

Scenario& Scenario::kbpusb(const KbpusbRoutines& routines) {
    kbpusb_ = routines;
    return *this;
}

Scenario& Scenario::answering_boxes(BoxAnswer answer) {
    answer_ = std::move(answer);
    return *this;
}

void Scenario::put_on_com_ports() const {
    for (int number : com_ports_) {
        ComPort& port = com_port(number);
        port.keyboard = &keyboard_;
        if (echo_) {
            port.echo = EchoPolicy::at_settings;
            port.echo_settings = {*echo_};
        }
    }
}

void Scenario::attach_usb() const {
    HidDevice& device = hid().attach(KBP_USB_VENDOR_ID, usb_report_length_, &keyboard_);
    device.record = recording_;
    device.unplugs_at_write = usb_unplugs_at_write_;
}

Scenario& Scenario::closing_fails() {
    closing_fails_ = true;
    return *this;
}

void Scenario::build() const {
    reset();
    if (capture_library_) install_function_library();
    if (kbpusb_) install_kbpusb(*kbpusb_);
    if (windows_choosing_ == KeyboardPath::controller_ports) version().set(platform::kPlatformWin9x, 4, 10);  // 98
    if (windows_choosing_ == KeyboardPath::class_driver) version().set(platform::kPlatformNt, 4, 0);

    if (controller_ports_) controller().keyboard = &keyboard_;
    if (class_driver_) drivers().class_driver.install(&keyboard_);
    if (port_driver_) drivers().port_driver.install(&keyboard_);
    if (usb_) attach_usb();
    put_on_com_ports();

    if (!recording_) {
        keyboard_.record_frames = false;
        keyboard_.record_bytes = false;
        faults().record = false;
        controller().record = false;
        drivers().class_driver.record = false;
        drivers().port_driver.record = false;
        for (ComPort& port : com_ports().ports) port.record = false;
    }
    if (answer_) {
        message_boxes().ask = [answer = answer_](const MessageBoxShown& box) {
            return answer(box.text, box.caption) ? platform::kIdOk : platform::kIdCancel;
        };
    }
    if (closing_fails_) faults().fail(Call::close_handle);
}

std::optional<platform::LineSettings> line_setting_of(const std::string& text) {
    platform::LineSettings line;
    if (!platform::parse_line_settings(text.c_str(), line)) return std::nullopt;
    return line;
}

std::vector<PresentComPort> com_ports_present() {
    std::vector<PresentComPort> present;
    for (int n = 1; n <= int(com_ports().ports.size()); ++n)
        present.push_back({"COM" + std::to_string(n), com_port(n).keyboard != nullptr});
    return present;
}

std::vector<PresentHidDevice> hid_devices_present() {
    std::vector<PresentHidDevice> present;
    for (const HidDevice& device : hid().attached) present.push_back({device.path, device.vendor_id, device.product_id});
    return present;
}

void unplug_usb_devices() {
    for (HidDevice& device : hid().attached) device.plugged = false;
}

}  // namespace sim
