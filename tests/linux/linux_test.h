#pragma once
// A Linux backend reset before each test, and a folder of the test's own in
// which it makes the sysfs tree and the device files the backend is pointed at.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/linux/host_settings.h"

namespace kbp_test {

namespace fs = std::filesystem;

class LinuxBackend : public ::testing::Test {
protected:
    LinuxBackend() {
        root = fs::path(::testing::TempDir()) /
               ("kbp_linux_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(root);
        fs::create_directories(root / "sys/class/hidraw");
        fs::create_directories(root / "sys/class/input");
        fs::create_directories(root / "dev/input");
        platform::linux_backend::reset_backend();
        platform::linux_backend::host_settings().sysfs_root = (root / "sys").string();
        platform::linux_backend::host_settings().dev_root = (root / "dev").string();
    }
    ~LinuxBackend() override {
        platform::linux_backend::reset_backend();
        fs::remove_all(root);
    }

    static void write(const fs::path& path, const std::string& bytes) {
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    }
    static std::string read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    // A USB HID device on USB device `usb` (1-1), interface `interface` (0),
    // with a hidraw node numbered `hidraw` and, when `event` is not negative,
    // an input device eventN: the links sysfs has, into a devices tree.
    fs::path add_usb_hid(const std::string& usb, int interface, int hidraw, std::uint16_t vendor,
                         const std::string& descriptor, int event = -1) {
        char id[64];
        std::snprintf(id, sizeof id, "0003:%04X:0001.%04d", vendor, hidraw);
        const fs::path hid = root / "sys/devices/usb1" / usb / (usb + ":1." + std::to_string(interface)) / id;
        char uevent[96];
        std::snprintf(uevent, sizeof uevent, "DRIVER=hid-generic\nHID_ID=0003:%08X:00000001\nHID_NAME=kbd\n", vendor);
        write(hid / "uevent", uevent);
        write(hid / "report_descriptor", descriptor);
        const std::string node = "hidraw" + std::to_string(hidraw);
        fs::create_directories(hid / "hidraw" / node);
        fs::create_directory_symlink(hid, hid / "hidraw" / node / "device");
        fs::create_directory_symlink(hid / "hidraw" / node, root / "sys/class/hidraw" / node);
        write(root / "dev" / node, "");
        if (event >= 0) {
            const std::string name = "event" + std::to_string(event);
            const fs::path input = hid / "input/input9" / name;
            fs::create_directories(input);
            fs::create_directory_symlink(input, root / "sys/class/input" / name);
        }
        return root / "dev" / node;
    }

    fs::path root;
};

// Usage page 0xFFA0, one collection with one output report of `bytes` bytes
// (without a report identifier).
inline std::string vendor_descriptor(unsigned char bytes) {
    return std::string("\x06\xA0\xFF\x09\x01\xA1\x01\x75\x08\x95", 10) + char(bytes) + std::string("\x91\x02\xC0", 3);
}

}  // namespace kbp_test
