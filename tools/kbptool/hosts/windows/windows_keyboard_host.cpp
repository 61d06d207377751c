// Real hardware behind kbpi32.dll: the library's message boxes answered as the
// command line says, the devices found through the system.
#include "hosts/keyboard_host.h"
#include "hosts/windows/dll_loader.h"
#include "hosts/windows/windows_box_answers.h"
#include "hosts/windows/windows_command_line.h"
#include "hosts/windows/windows_devices.h"
#include "hosts/windows/windows_library_files.h"
#include "hosts/windows/windows_library_path.h"

namespace kbptool {

namespace {

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
    Path default_path() const override { return Path::port_driver; }
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
