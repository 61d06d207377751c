// Real hardware behind kbpi32.dll: the library's message boxes answered as the
// command line says, its files handed over by names it can open, the devices
// found through the system.
#include "hosts/windows/windows.h"
#include "include/kbp_protocol.h"

namespace kbptool::host {

namespace {

// A 64-bit process cannot do port I/O.
constexpr bool kSixtyFourBit = sizeof(void*) == 8;

}  // namespace

const Facts& facts() {
    static const Facts here = [] {
        const std::string bits = std::to_string(sizeof(void*) * 8) + "-bit";
        // kbpi32.dll loads it by name, from this program's folder first; only
        // one of this program's architecture loads.
        return Facts{"/?", "COM1", std::string("the capture library ") + KBP_CAPTURE_LIBRARY_NAME,
                     "put a " + bits + " " KBP_CAPTURE_LIBRARY_NAME " beside " + windows::kbpi32_path() +
                         ": this kbptool.exe and its kbpi32.dll are " + bits + " and load no other",
                     // The library's automatic choice would be the controller ports on a 64-bit Windows.
                     kSixtyFourBit ? std::optional<Path>(Path::usb) : std::nullopt, true};
    }();
    return here;
}

std::vector<std::string> arguments(int argc, char** argv, std::optional<Failure>&) {
    windows::show_utf8_on_console();
    return windows::unicode_arguments(argc, argv);
}

void add_switches(CLI::App&) {}

void add_options(CLI::App&) {}

bool load(Library& library, Failure& failure) { return windows::load_kbpi32_dll(library, failure); }

std::optional<Failure> missing_path(Path path, bool takes_port) {
    if (!kSixtyFourBit || path != Path::ports) return std::nullopt;
    return Failure{"", "a 64-bit program cannot reach the controller ports (a 64-bit process may not do port I/O)",
                   std::string("use USB (--usb, the default here), --interface class or portdriver") +
                       (takes_port ? " or --port COMn" : "")};
}

bool prepare(Answer answer, bool quiet, std::string& error) { return windows::start_answering_boxes(answer, quiet, error); }

bool give_file(const std::string& file, bool reads, std::string& name, std::string& error) {
    return windows::library_temporary_name(file, reads, name, error);
}

bool take_file(const std::string& name, const std::string& file, bool keep, std::string& error) {
    return windows::finish_library_temporary(name, file, keep, error);
}

bool keep(std::string&) {
    windows::stop_answering_boxes();
    return true;
}

void step_done(double) {}

std::vector<FoundDevice> devices() {
    std::vector<FoundDevice> found = windows::present_com_ports();
    for (FoundDevice& device : windows::vendor_hid_devices()) found.push_back(std::move(device));
    return found;
}

// The port opened by the tool first: Windows' own reason, before the library
// searches a port that is not there.
std::optional<Failure> port_refusal(const std::string& port) { return windows::refuse_com_port(port); }

void explain(Path, const std::string&, const kbp_last_transfer&, Failure&) {}

}  // namespace kbptool::host
