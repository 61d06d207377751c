// Real hardware behind kbpi32.dll: the library's message boxes answered as the
// command line says, the devices found through the system.
#include "keyboard_host.h"
#include "windows_box_answers.h"
#include "windows_devices.h"
#include "windows_library_path.h"

namespace kbptool {

namespace {

class RealKeyboardHost : public KeyboardHost {
public:
    ~RealKeyboardHost() override { stop_answering_boxes(); }
    bool prepare(const HostSettings& settings, std::string& error) override {
        return start_answering_boxes(settings, error);
    }
    bool keep(std::string&) override {
        stop_answering_boxes();
        return true;
    }
    Path default_path() const override { return Path::port_driver; }
    void step_done(double) override {}
    std::vector<FoundDevice> devices() const override {
        std::vector<FoundDevice> found = present_com_ports();
        for (FoundDevice& device : vendor_hid_devices()) found.push_back(std::move(device));
        return found;
    }
    std::string description() const override { return "hardware, through " + kbpi32_path(); }
};

}  // namespace

void add_keyboard_host_options(CLI::App&) {}

std::unique_ptr<KeyboardHost> make_keyboard_host() { return std::make_unique<RealKeyboardHost>(); }

std::string_view host_help_switch() { return "/?"; }

std::optional<PortText> library_port_text(const std::string& given, PortRefusal&) { return PortText{given, ""}; }

std::string default_port_text() { return {}; }

void add_host_switches(CLI::App&) {}

void hand_over_if_asked(const std::vector<std::string>&) {}

}  // namespace kbptool
