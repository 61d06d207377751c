// USB through hidraw: the keyboard found among the nodes of a sysfs tree the
// test made, its output reports written to the node's device file.
#include <unistd.h>

#include "include/kbpusb.h"
#include "kbpusb/usb_device.h"
#include "linux_test.h"
#include "platform/linux/hidraw_nodes.h"
#include "platform/linux/open_devices.h"
#include "platform/linux/report_descriptor.h"
#include "platform/platform.h"

namespace kbp_test {
namespace {

using Hidraw = LinuxBackend;
using SendByte = unsigned char(KBP_STDCALL*)(int);

// snddata_USB of the built-in KBPUSB.DLL, as kbpi32 finds it.
SendByte built_in_send() {
    const platform::Module usb = platform::load_library("kbpusb.dll");
    return usb == nullptr ? nullptr : reinterpret_cast<SendByte>(platform::find_symbol(usb, "snddata_USB"));
}

TEST_F(Hidraw, TheKeyboardIsFoundByItsVendorAndEachByteIsOneOutputReport) {
    struct Case {
        const char* name;
        std::uint16_t first_vendor, second_vendor;  // 0: no such node
        bool full;                                  // the keyboard's device file takes no bytes
        unsigned char result;
        std::string first_written, second_written;
    } cases[] = {
        {"the keyboard after another vendor", 0x1234, 0x053A, false, 0, "", std::string("\0\x42", 2)},
        {"another vendor only", 0x1234, 0, false, 1, "", ""},
        {"no node", 0, 0, false, 1, "", ""},
        {"a write that fails", 0x053A, 0, true, 1, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        kbpusb::reset_usb_state();
        platform::linux_backend::reset_backend();
        fs::remove_all(root / "sys");
        fs::remove_all(root / "dev");
        fs::create_directories(root / "sys/class/hidraw");
        fs::create_directories(root / "dev");
        platform::linux_backend::host_settings().sysfs_root = (root / "sys").string();
        platform::linux_backend::host_settings().dev_root = (root / "dev").string();
        fs::path first, second;
        if (c.first_vendor != 0) first = add_usb_hid("1-1", 0, 0, c.first_vendor, vendor_descriptor(1));
        if (c.second_vendor != 0) second = add_usb_hid("1-2", 0, 1, c.second_vendor, vendor_descriptor(1));
        if (c.full) {
            fs::remove(first);
            fs::create_symlink("/dev/full", first);
        }
        const SendByte send = built_in_send();
        ASSERT_NE(send, nullptr);
        EXPECT_EQ(send(0x42), c.result);
        if (!first.empty() && !c.full) EXPECT_EQ(read(first), c.first_written);
        if (!second.empty()) EXPECT_EQ(read(second), c.second_written);
        // Only the keyboard that took the byte stays open; every node tried is closed again.
        EXPECT_EQ(platform::linux_backend::open_devices().open.size(), c.result == 0 ? 1u : 0u);
    }
}

TEST_F(Hidraw, TheCapsAreTheLongestReportOfEachKindWithItsIdentifierByte) {
    using platform::linux_backend::report_lengths;
    const auto lengths = report_lengths(vendor_descriptor(1));
    ASSERT_TRUE(lengths);
    EXPECT_EQ(lengths->usage_page, 0xFFA0);
    EXPECT_EQ(lengths->usage, 0x01);
    EXPECT_EQ(lengths->output, 2);
    EXPECT_EQ(lengths->input, 0);
    // Report 5 of 8 bytes out, report 6 of 3 bytes in.
    const auto with_ids = report_lengths(std::string("\x06\x00\xFF\x09\x01\xA1\x01\x75\x08\x85\x05\x95\x08\x91\x02"
                                                     "\x85\x06\x95\x03\x81\x02\xC0",
                                                     22));
    ASSERT_TRUE(with_ids);
    EXPECT_EQ(with_ids->output, 9);
    EXPECT_EQ(with_ids->input, 4);
    EXPECT_FALSE(report_lengths(std::string("\x06\xA0", 2)));  // cut short
    EXPECT_FALSE(report_lengths(std::string("\xB4", 1)));      // a pop with nothing pushed
}

TEST_F(Hidraw, ANodeCountsOnlyWithTheVendorAndProductItsUeventNames) {
    std::uint16_t vendor = 0, product = 0;
    using platform::linux_backend::read_hid_id;
    EXPECT_TRUE(read_hid_id("DRIVER=hid-generic\nHID_ID=0003:0000053A:00000102\n", vendor, product));
    EXPECT_EQ(vendor, 0x053A);
    EXPECT_EQ(product, 0x0102);
    EXPECT_FALSE(read_hid_id("DRIVER=hid-generic\nHID_NAME=kbd\n", vendor, product));
    EXPECT_FALSE(read_hid_id("HID_ID=0003:0001053A:00000001\n", vendor, product));  // no 16-bit vendor
    add_usb_hid("1-1", 0, 0, 0x053A, vendor_descriptor(1));
    write(root / "sys/class/hidraw/hidraw1/device/uevent", "HID_NAME=no id\n");
    ASSERT_EQ(platform::linux_backend::hid_nodes_seen().size(), 1u);
    EXPECT_EQ(platform::linux_backend::hid_nodes_seen()[0].device_path, (root / "dev/hidraw0").string());
}

}  // namespace
}  // namespace kbp_test
