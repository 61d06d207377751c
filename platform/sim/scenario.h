#pragma once
// The simulated PC set up for a run, as tests, the benchmark and kbptool's
// simulated host start it: one keyboard on the chosen paths, the capture
// library and kbpusb installed, the Windows version the automatic choice needs.
//
//   sim::Scenario(keyboard).on(sim::KeyboardPath::usb).without_recording()
//       .kbpusb(routines).build();
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "include/kbpusb.h"
#include "kbdsim/keyboard.h"
#include "platform/sim/com_ports.h"

namespace sim {

enum class KeyboardPath { controller_ports, class_driver, port_driver, usb, com_ports };

// kbpusb as the program links it, installed as KBPUSB.DLL. The simulated PC
// does not link kbpusb itself: its routines come from the program.
struct KbpusbRoutines {
    decltype(&snddata_USB) send = nullptr;
    decltype(&Close_USB) close = nullptr;
    // Puts the library's state back to what a fresh load leaves; none for a
    // program whose kbpusb has not been used yet.
    void (*fresh_load)() = nullptr;
};

// Puts KBPUSB.DLL into the library table, freshly loaded.
void install_kbpusb(const KbpusbRoutines& routines);

// A message box's text and caption; true presses OK, false Cancel.
using BoxAnswer = std::function<bool(const std::string& text, const std::string& caption)>;

class Scenario {
public:
    explicit Scenario(kbdsim::Keyboard& keyboard) : keyboard_(keyboard) {}

    // The keyboard behind `path`; com_ports puts it on every COM port.
    Scenario& on(KeyboardPath path);
    Scenario& on_every_path();
    // COM1..COM9, one at a time.
    Scenario& on_com_port(int number);
    // The keyboard's COM ports echo only while set to `setting`; else at any.
    Scenario& echo_at(const platform::LineSettings& setting);
    // The USB device's output report length, report identifier included.
    Scenario& usb_report_length(std::uint16_t length);
    // The USB device is pulled out at its k-th write (counted from 1); 0 never.
    Scenario& usb_unplugs_at_write(unsigned write);
    // The Windows version whose automatic choice is `path`. USB and COM are
    // never chosen: the fresh PC's Windows XP stays, as for the port driver.
    Scenario& windows_choosing(KeyboardPath path);
    // Nothing of the PC's bookkeeping grows with a transfer: for long runs.
    Scenario& without_recording();
    // "KBPFUNC.DLL", the simulated capture library.
    Scenario& capture_library();
    Scenario& kbpusb(const KbpusbRoutines& routines);
    // Someone at the screen answers the library's message boxes.
    Scenario& answering_boxes(BoxAnswer answer);
    // Closing a device fails, as a COM port that cannot be closed.
    Scenario& closing_fails();

    // A fresh PC (sim::reset), set up as described. The keyboard keeps its memory.
    void build() const;

private:
    void put_on_com_ports() const;
    void attach_usb() const;

    kbdsim::Keyboard& keyboard_;
    bool controller_ports_ = false;
    bool class_driver_ = false;
    bool port_driver_ = false;
    bool usb_ = false;
    std::vector<int> com_ports_;
    std::optional<platform::LineSettings> echo_;
    std::uint16_t usb_report_length_ = 2;  // the report identifier and the byte
    unsigned usb_unplugs_at_write_ = 0;
    std::optional<KeyboardPath> windows_choosing_;
    bool recording_ = true;
    bool capture_library_ = false;
    std::optional<KbpusbRoutines> kbpusb_;
    BoxAnswer answer_;
    bool closing_fails_ = false;
};

// The line settings of a text such as "9600,N,8,1", read as kbpi32 reads a
// port text's; none when kbpi32 would refuse them.
std::optional<platform::LineSettings> line_setting_of(const std::string& text);

// What a host sees of the PC now.
struct PresentComPort {
    std::string name;  // COM1..COM9
    bool keyboard_attached;
};
struct PresentHidDevice {
    std::string path;
    std::uint16_t vendor_id;
    std::uint16_t product_id;
};
std::vector<PresentComPort> com_ports_present();
std::vector<PresentHidDevice> hid_devices_present();
// Every USB device pulled out, as a technician pulling the cable would.
void unplug_usb_devices();

}  // namespace sim
