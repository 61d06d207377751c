// Real hardware behind kbpi32.dll: the library's message boxes answered as the
// command line says, the devices found through the system.
#include "hosts/keyboard_host.h"
#include "hosts/windows/dll_loader.h"
#include "hosts/windows/windows_box_answers.h"
#include "hosts/windows/windows_command_line.h"
#include "hosts/windows/windows_com_port.h"
#include "hosts/windows/windows_devices.h"
#include "hosts/windows/windows_library_files.h"
#include "hosts/windows/windows_library_path.h"
#include "platform/capture_library.h"

namespace kbptool {

namespace {

// A 64-bit process cannot do port I/O.
constexpr bool kSixtyFourBit = sizeof(void*) == 8;

class WindowsKeyboardHost : public KeyboardHost {
public:
    ~WindowsKeyboardHost() override { stop_answering_boxes(); }
    std::vector<std::string> arguments(int argc, char** argv) override {
        show_utf8_on_console();
        return unicode_arguments(argc, argv);
    }
    bool output_takes_utf8() const override { return true; }
    std::string_view help_switch() const override { return "/?"; }
    bool load_library(KbpLibrary& library, std::string& error) override { return load_kbpi32_dll(library, error); }
    bool prepare(const HostSettings& settings, std::string& error) override {
        return start_answering_boxes(settings, error);
    }
    bool library_file_name(const std::string& file, LibraryUse use, std::string& name, std::string& error) override {
        return library_temporary_name(file, use, name, error);
    }
    bool finish_library_file(const std::string& name, const std::string& file, bool keep, std::string& error) override {
        return finish_library_temporary(name, file, keep, error);
    }
    bool keep(std::string&) override {
        stop_answering_boxes();
        return true;
    }
    std::optional<MissingPath> missing_path(Path path) const override {
        if (!kSixtyFourBit || path != Path::ports) return std::nullopt;
        return MissingPath{"a 64-bit program cannot reach the controller ports (a 64-bit process may not do port "
                           "I/O)",
                           "use USB (--usb, the default here), --interface class or portdriver", "or --port COMn"};
    }
    // The library's automatic choice would be the controller ports on a 64-bit Windows.
    std::optional<Path> default_path() const override {
        return kSixtyFourBit ? std::optional<Path>(Path::usb) : std::nullopt;
    }
    void explain_com_failure(const PortText& port, const std::string& status, FailureWords& words) const override {
        explain_com_port_failure(port, status, words);
    }
    // The port opened by the tool first: Windows' own reason, before the library searches a port that is not there.
    std::optional<FailureWords> com_port_refusal(const PortText& port) const override { return refuse_com_port(port); }
    std::vector<FoundDevice> devices() const override {
        std::vector<FoundDevice> found = present_com_ports();
        for (FoundDevice& device : vendor_hid_devices()) found.push_back(std::move(device));
        return found;
    }
    std::string description() const override { return "hardware, through " + kbpi32_path(); }
    std::string example_port() const override { return "COM1"; }
    std::string upload_answers_source() const override {
        return std::string("the capture library ") + platform::kCaptureLibraryName;
    }
    // kbpi32.dll loads it by name, from this program's folder first; only
    // one of this program's architecture loads.
    std::string capture_library_hint() const override {
        const std::string bits = std::to_string(sizeof(void*) * 8) + "-bit";
        return "put a " + bits + " " + platform::kCaptureLibraryName + " beside " + kbpi32_path() +
               ": this kbptool.exe and its kbpi32.dll are " + bits + " and load no other";
    }
};

}  // namespace

KeyboardHost& keyboard_host() {
    static WindowsKeyboardHost host;
    return host;
}

}  // namespace kbptool
