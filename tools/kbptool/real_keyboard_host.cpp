// Real hardware behind kbpi32.dll: nothing to prepare or keep, no options.
#include "keyboard_host.h"

namespace kbptool {

namespace {

class RealKeyboardHost : public KeyboardHost {
public:
    bool prepare(std::string&) override { return true; }
    bool keep(std::string&) override { return true; }
    Path default_path() const override { return Path::port_driver; }
    void step_done(double) override {}
};

}  // namespace

void add_keyboard_host_options(CLI::App&) {}

std::unique_ptr<KeyboardHost> make_keyboard_host() { return std::make_unique<RealKeyboardHost>(); }

}  // namespace kbptool
