#include <vector>

#include "usb_test.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Reports = std::vector<Bytes>;

class KbpusbDevice : public UsbTest {};

TEST_F(KbpusbDevice, EachByteIsOneReportWithIdentifierZeroAndTheLowByte) {
    sim::HidDevice& device = keyboard_on_usb(4);
    EXPECT_EQ(snddata_USB(0x141), 0);
    EXPECT_EQ(snddata_USB(0), 0);
    EXPECT_EQ(snddata_USB(-1), 0);
    EXPECT_EQ(device.reports, (Reports{{0x00, 0x41, 0, 0}, {0x00, 0x00, 0, 0}, {0x00, 0xFF, 0, 0}}));
    EXPECT_EQ(keyboard.received, (Bytes{0x41, 0x00, 0xFF}));
    EXPECT_EQ(device.last_access, platform::kGenericRead | platform::kGenericWrite);
    EXPECT_EQ(device.last_share, platform::kShareRead | platform::kShareWrite);
}

TEST_F(KbpusbDevice, AReportLengthOfTwoGivesExactlyTheIdentifierAndTheByte) {
    sim::HidDevice& device = keyboard_on_usb(2);
    EXPECT_EQ(snddata_USB(0x5A), 0);
    EXPECT_EQ(snddata_USB(0xA5), 0);
    EXPECT_EQ(device.reports, (Reports{{0x00, 0x5A}, {0x00, 0xA5}}));
}

TEST_F(KbpusbDevice, OnlyTheVendorDecidesAndTheFirstMatchInEnumerationOrderWins) {
    kbdsim::Keyboard second;
    sim::hid().attach(kOtherVendor, 9, &second);
    sim::HidDevice& first_match = keyboard_on_usb();
    first_match.product_id = 0x7777;  // product and version are not looked at
    sim::HidDevice& second_match = sim::hid().attach(kVendor, 9, &second);
    EXPECT_EQ(snddata_USB(0x33), 0);
    EXPECT_EQ(first_match.reports.size(), 1u);
    EXPECT_TRUE(second_match.reports.empty());
    EXPECT_EQ(second.bytes_received, 0u);
    EXPECT_EQ(sim::devices().open_count(), 1u);
}

TEST_F(KbpusbDevice, InterfacesThatCannotBeOpenedOrQueriedDoNotMatch) {
    for (int i = 0; i < 3; ++i) sim::hid().attach(kVendor, 9);
    // Each interface asks for its path twice (size, then path), is opened, then queried.
    sim::faults().fail_once(sim::Call::open_device, 0);
    sim::faults().fail_once(sim::Call::hid_get_attributes, 0);
    sim::faults().fail_once(sim::Call::get_device_interface_detail, 5);
    sim::HidDevice& usable = keyboard_on_usb();
    EXPECT_EQ(snddata_USB(0x01), 0);
    EXPECT_EQ(usable.reports.size(), 1u);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(sim::hid().attached[i].writes, 0u) << i;
    EXPECT_EQ(sim::devices().open_count(), 1u);
}

TEST_F(KbpusbDevice, TheOpenDeviceIsKeptWithoutSearchingAgain) {
    keyboard_on_usb();
    for (int b = 0; b < 5; ++b) ASSERT_EQ(snddata_USB(b), 0);
    EXPECT_EQ(sim::hid().sets_made, 1u);
    EXPECT_EQ(sim::devices().opens, 1u);
    EXPECT_EQ(kbpusb::usb_state.device_state, 1);
}

TEST_F(KbpusbDevice, WithoutTheKeyboardEverySendFailsAndSearchesAgain) {
    sim::HidDevice& other = sim::hid().attach(kOtherVendor, 9, &keyboard);
    EXPECT_EQ(snddata_USB(0x10), 1);
    EXPECT_EQ(snddata_USB(0x11), 1);
    EXPECT_EQ(sim::hid().sets_made, 2u);
    EXPECT_EQ(other.writes, 0u);
    EXPECT_EQ(sim::devices().open_count(), 0u);
    EXPECT_EQ(Close_USB(), 1);
}

TEST_F(KbpusbDevice, AnUnplugFailsThatByteAndTheKeyboardIsFoundOnceItIsBack) {
    sim::HidDevice& device = keyboard_on_usb();
    device.unplugs_at_write = 3;
    EXPECT_EQ(snddata_USB(0x01), 0);
    EXPECT_EQ(snddata_USB(0x02), 0);
    EXPECT_EQ(snddata_USB(0x03), 1);
    EXPECT_EQ(sim::devices().open_count(), 0u);
    EXPECT_EQ(Close_USB(), 1);  // the failed write closed it already

    EXPECT_EQ(snddata_USB(0x04), 1);
    EXPECT_EQ(sim::hid().sets_made, 2u);  // searched again, in vain

    device.plug_back();
    EXPECT_EQ(snddata_USB(0x05), 0);
    EXPECT_EQ(keyboard.received, (Bytes{0x01, 0x02, 0x05}));
    EXPECT_EQ(sim::devices().opens, 2u);
}

TEST_F(KbpusbDevice, CloseThenSendOpensAgain) {
    keyboard_on_usb();
    EXPECT_EQ(Close_USB(), 1);
    EXPECT_EQ(snddata_USB(0x20), 0);
    EXPECT_EQ(Close_USB(), 0);
    EXPECT_EQ(sim::devices().open_count(), 0u);
    EXPECT_EQ(Close_USB(), 1);
    EXPECT_EQ(snddata_USB(0x21), 0);
    EXPECT_EQ(sim::devices().opens, 2u);
    EXPECT_EQ(keyboard.received, (Bytes{0x20, 0x21}));
}

TEST_F(KbpusbDevice, ReportsTooShortForTheDataByteAreNeverWritten) {
    sim::HidDevice& none = keyboard_on_usb(0);
    sim::HidDevice& one = keyboard_on_usb(1);
    EXPECT_EQ(snddata_USB(0x42), 1);
    EXPECT_EQ(none.writes + one.writes, 0u);
    EXPECT_EQ(sim::devices().open_count(), 0u);

    // A later interface of the keyboard that can carry the byte is used.
    sim::HidDevice& usable = keyboard_on_usb(3);
    EXPECT_EQ(snddata_USB(0x43), 0);
    EXPECT_EQ(usable.reports, (Reports{{0x00, 0x43, 0x00}}));
}

TEST_F(KbpusbDevice, TheChosenDeviceAloneIsOpenedAndOnlyWhenItIsTheVendors) {
    kbdsim::Keyboard other_keyboard, mouse_side;
    sim::HidDevice& first = keyboard_on_usb();
    sim::HidDevice& second = sim::hid().attach(kVendor, 9, &other_keyboard);
    sim::HidDevice& mouse = sim::hid().attach(kOtherVendor, 9, &mouse_side);
    struct Case {
        const char* chosen;
        sim::HidDevice* written;  // null: the send fails
    } cases[] = {{second.path.c_str(), &second}, {mouse.path.c_str(), nullptr}, {"no-such-hid-device", nullptr},
                 {nullptr, &first},              {"", &first}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen == nullptr ? "null" : c.chosen);
        const std::size_t before[] = {first.writes, second.writes, mouse.writes};
        EXPECT_EQ(SetDevice_USB(c.chosen), 0);
        EXPECT_EQ(snddata_USB(0x55), c.written == nullptr ? 1 : 0);
        EXPECT_EQ(first.writes - before[0], std::size_t(c.written == &first));
        EXPECT_EQ(second.writes - before[1], std::size_t(c.written == &second));
        EXPECT_EQ(mouse.writes, before[2]);
    }
    EXPECT_EQ(sim::hid().sets_made, 1u);  // a chosen path is opened without a search
}

TEST_F(KbpusbDevice, ANewChoiceClosesTheOpenDeviceAndATooLongPathChangesNothing) {
    sim::HidDevice& first = keyboard_on_usb();
    EXPECT_EQ(snddata_USB(0x01), 0);
    EXPECT_EQ(SetDevice_USB(first.path.c_str()), 0);
    EXPECT_EQ(sim::devices().open_count(), 0u);
    EXPECT_EQ(SetDevice_USB(first.path.c_str()), 0);  // the same choice again keeps it
    EXPECT_EQ(snddata_USB(0x02), 0);
    EXPECT_EQ(SetDevice_USB(std::string(4096, 'x').c_str()), 1);  // 4095 characters and the zero are kept
    EXPECT_EQ(sim::devices().open_count(), 1u);
    EXPECT_EQ(snddata_USB(0x03), 0);
    EXPECT_EQ(sim::devices().opens, 2u);
    EXPECT_EQ(keyboard.received, (Bytes{0x01, 0x02, 0x03}));
    EXPECT_EQ(SetDevice_USB(std::string(4095, 'x').c_str()), 0);
    EXPECT_EQ(snddata_USB(0x04), 1);  // no such device
}

// Refuses the first `refusals` allocations, then uses the heap.
int refusals = 0;
void* refusing_allocate(std::size_t size) { return refusals-- > 0 ? nullptr : kbpusb::heap_allocate(size); }

TEST_F(KbpusbDevice, AnInterfaceWhosePathFindsNoMemoryIsSkipped) {
    kbdsim::Keyboard first;
    sim::HidDevice& skipped = sim::hid().attach(kVendor, 9, &first);
    sim::HidDevice& used = keyboard_on_usb();
    refusals = 1;
    kbpusb::usb_state.allocate = refusing_allocate;
    EXPECT_EQ(snddata_USB(0x61), 0);
    EXPECT_EQ(skipped.writes, 0u);
    EXPECT_EQ(used.reports.size(), 1u);
}

TEST_F(KbpusbDevice, AReportThatFindsNoMemoryIsAFailedWrite) {
    sim::HidDevice& device = keyboard_on_usb();
    EXPECT_EQ(snddata_USB(0x70), 0);
    refusals = 1;
    kbpusb::usb_state.allocate = refusing_allocate;
    EXPECT_EQ(snddata_USB(0x71), 1);
    EXPECT_EQ(kbpusb::usb_state.device_state, 0);
    EXPECT_EQ(sim::devices().open_count(), 0u);
    EXPECT_EQ(snddata_USB(0x72), 0);
    EXPECT_EQ(keyboard.received, (Bytes{0x70, 0x72}));
    EXPECT_EQ(device.writes, 2u);
}

}  // namespace
