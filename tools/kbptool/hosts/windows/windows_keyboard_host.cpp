// Real hardware behind kbpi32.dll: the library's message boxes answered as the
// command line says, the devices found through the system.
#include "hosts/keyboard_host.h"
#include "hosts/windows/dll_loader.h"
#include "hosts/windows/windows_box_answers.h"
#include "hosts/windows/windows_com_port.h"
#include "hosts/windows/windows_devices.h"
#include "hosts/windows/windows_library_path.h"

namespace kbptool {

namespace {

// A 64-bit process cannot do port I/O.
constexpr bool kSixtyFourBit = sizeof(void*) == 8;

class WindowsKeyboardHost : public KeyboardHost {
public:
    ~WindowsKeyboardHost() override { stop_answering_boxes(); }
    std::string_view help_switch() const override { return "/?"; }
    bool load_library(KbpLibrary& library, std::string& error) override { return load_kbpi32_dll(library, error); }
    bool prepare(const HostSettings& settings, std::string& error) override {
        return start_answering_boxes(settings, error);
    }
    bool keep(std::string&) override {
        stop_answering_boxes();
        return true;
    }
    std::optional<MissingPath> missing_path(Path path) const override {
        if (!kSixtyFourBit || path != Path::ports) return std::nullopt;
        return MissingPath{"a 64-bit program cannot reach the controller ports (a 64-bit process may not do port "
                           "I/O)",
                           "use USB (--usb, the default here), --interface class or portdriver, or --port COMn"};
    }
    // The library's automatic choice would be the controller ports on a 64-bit Windows.
    std::optional<Path> default_path() const override {
        return kSixtyFourBit ? std::optional<Path>(Path::usb) : std::nullopt;
    }
    void explain_com_failure(const PortText& port, const std::string& status, FailureWords& words) const override {
        explain_com_port_failure(port, status, words);
    }
    std::vector<FoundDevice> devices() const override {
        std::vector<FoundDevice> found = present_com_ports();
        for (FoundDevice& device : vendor_hid_devices()) found.push_back(std::move(device));
        return found;
    }
    std::string description() const override { return "hardware, through " + kbpi32_path(); }
};

}  // namespace

KeyboardHost& keyboard_host() {
    static WindowsKeyboardHost host;
    return host;
}

}  // namespace kbptool
