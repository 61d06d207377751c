#include "sysfs_tree.h"

#include <cstdio>
#include <fstream>
#include <string>

namespace kbdsim_hid {

namespace fs = std::filesystem;

namespace {

constexpr char kHostController[] = "devices/pci0000:00/0000:00:14.0/usb1";
constexpr int kHidrawMajor = 243;
constexpr int kInputMajor = 13;
constexpr int kFirstEventMinor = 64;

std::string format(const char* pattern, auto... values) {
    char text[256];
    std::snprintf(text, sizeof text, pattern, values...);
    return text;
}

void write(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

std::string port_of(const HidDevice& d) { return format("1-%u", d.number + 1); }
fs::path usb_device(const HidDevice& d) { return fs::path(kHostController) / port_of(d); }
fs::path hid_device(const HidDevice& d) {
    return usb_device(d) / (port_of(d) + ":1.0") / format("0003:%04X:%04X.%04X", d.vendor, d.product, d.number + 1);
}
std::string node(const char* kind, const HidDevice& d) { return kind + std::to_string(d.number); }

// A class link, relative as sysfs makes them: <sys>/class/<kind>/<name> -> ../../<target>.
void link_class(const fs::path& sys, const char* kind, const std::string& name, const fs::path& target) {
    fs::create_directories(sys / "class" / kind);
    fs::create_directory_symlink("../.." / target, sys / "class" / kind / name);
}

void write_device(const fs::path& sys, const HidDevice& d) {
    const fs::path usb = sys / usb_device(d), hid = sys / hid_device(d);
    write(usb / "idVendor", format("%04x\n", d.vendor));
    write(usb / "idProduct", format("%04x\n", d.product));
    write(usb / "product", d.name + "\n");
    write(hid / "uevent", format("DRIVER=hid-generic\nHID_ID=0003:%08X:%08X\nHID_NAME=%s\n"
                                 "HID_PHYS=usb-0000:00:14.0-%u/input0\nMODALIAS=hid:b0003g0001v%08Xp%08X\n",
                                 d.vendor, d.product, d.name.c_str(), d.number + 1, d.vendor, d.product));
    write(hid / "report_descriptor", report_descriptor(d.kind));

    const std::string hidraw = node("hidraw", d);
    const fs::path raw = hid / "hidraw" / hidraw;
    write(raw / "dev", format("%d:%u\n", kHidrawMajor, d.number));
    write(raw / "uevent", format("MAJOR=%d\nMINOR=%u\nDEVNAME=%s\n", kHidrawMajor, d.number, hidraw.c_str()));
    fs::create_directory_symlink("../..", raw / "device");
    link_class(sys, "hidraw", hidraw, hid_device(d) / "hidraw" / hidraw);

    const fs::path input = hid_device(d) / "input" / node("input", d);
    const fs::path event = input / node("event", d);
    const unsigned minor = kFirstEventMinor + d.number;
    write(sys / input / "name", d.name + "\n");
    write(sys / input / "uevent", format("PRODUCT=3/%x/%x/110\nNAME=\"%s\"\n", d.vendor, d.product, d.name.c_str()));
    write(sys / event / "dev", format("%d:%u\n", kInputMajor, minor));
    write(sys / event / "uevent",
          format("MAJOR=%d\nMINOR=%u\nDEVNAME=input/%s\n", kInputMajor, minor, node("event", d).c_str()));
    fs::create_directory_symlink("..", sys / event / "device");
    link_class(sys, "input", node("input", d), input);
    link_class(sys, "input", node("event", d), event);
}

}  // namespace

void write_sysfs_tree(const fs::path& sys, const std::vector<HidDevice>& devices) {
    fs::remove_all(sys);
    for (const char* kind : {"hidraw", "input"}) fs::create_directories(sys / "class" / kind);
    for (const HidDevice& d : devices) write_device(sys, d);
}

void remove_from_sysfs(const fs::path& sys, const HidDevice& d) {
    std::error_code ignored;
    fs::remove(sys / "class/hidraw" / node("hidraw", d), ignored);
    fs::remove(sys / "class/input" / node("event", d), ignored);
    fs::remove(sys / "class/input" / node("input", d), ignored);
    fs::remove_all(sys / usb_device(d), ignored);
}

}  // namespace kbdsim_hid
