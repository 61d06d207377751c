// kbpi32.dll on the USB path, in three folders: beside the real kbpusb.dll,
// beside a KBPUSB.DLL that feeds the keyboard model, and with no KBPUSB.DLL.
// Usage: <program> real|double|none
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "dll_loader.h"
#include "platform/platform.h"
#include "stdcall_probe.h"

namespace {

using SetInterface = unsigned char(__stdcall*)(int);
using GetInterface = unsigned char(__stdcall*)();
using SndInterface = unsigned char(__stdcall*)(int);
using SnddataUsb = unsigned char(__stdcall*)(int);
using CloseUsb = unsigned char(__stdcall*)();
using SetDeviceUsb = unsigned char(__stdcall*)(const char*);

class Kbpi32OnUsb : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(kbpi32.loaded());
        ASSERT_NE(set, nullptr);
        ASSERT_NE(snd, nullptr);
        ASSERT_EQ(set(4), 0);
        ASSERT_EQ(get(), 4);
    }

    Dll kbpi32{"kbpi32.dll"};
    SetInterface set = kbpi32.find<SetInterface>("kbp_set_interface");
    GetInterface get = kbpi32.find<GetInterface>("kbp_get_interface");
    SndInterface snd = kbpi32.find<SndInterface>("kbp_snd_interface");
};

std::string module_file(HMODULE module) {
    char name[MAX_PATH] = {};
    GetModuleFileNameA(module, name, sizeof name);
    return name;
}

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// --- beside the real kbpusb.dll (Wine has no HID device of the keyboard's vendor)

using Real = Kbpi32OnUsb;

TEST_F(Real, Kbpi32LoadsKbpusbAndEveryByteFailsWithoutTheKeyboard) {
    EXPECT_EQ(GetModuleHandleA("KBPUSB.DLL"), nullptr);
    for (int b : {0x41, 0xEF, 0x00, 0xF4}) EXPECT_EQ(snd(b), 1) << b;
    const HMODULE kbpusb = GetModuleHandleA("KBPUSB.DLL");
    ASSERT_NE(kbpusb, nullptr) << "kbpi32 did not load kbpusb";
    const std::string file = upper(module_file(kbpusb));
    EXPECT_NE(file.find("\\BIN\\KBPUSB.DLL"), std::string::npos) << file;
}

TEST(RealKbpusb, ExportsBothRoutinesByPlainNameAsStandardCall) {
    Dll kbpusb("kbpusb.dll");
    ASSERT_TRUE(kbpusb.loaded());
    const auto snddata = kbpusb.find<SnddataUsb>("snddata_USB");
    const auto close = kbpusb.find<CloseUsb>("Close_USB");
    ASSERT_NE(snddata, nullptr);
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(kbpusb.find<void*>("_snddata_USB@4"), nullptr);
    EXPECT_EQ(kbpusb.find<void*>("snddata_USB@4"), nullptr);
    EXPECT_EQ(stack_drift_after_call(reinterpret_cast<void*>(snddata), {0x141}), 0);
    EXPECT_EQ(stack_drift_after_call(reinterpret_cast<void*>(close)), 0);
    // Every call searches again and finds nothing; nothing is open to close.
    EXPECT_EQ(snddata(0x41), 1);
    EXPECT_EQ(snddata(0x42), 1);
    EXPECT_EQ(close(), 1);
    // A keyboard chosen by a path that leads nowhere opens nothing either; null chooses the first again.
    const auto choose = kbpusb.find<SetDeviceUsb>("SetDevice_USB");
    ASSERT_NE(choose, nullptr);
    static const char kNowhere[] = "\\\\?\\hid#vid_053a&pid_0001#nowhere";
    EXPECT_EQ(choose(kNowhere), 0);
    const auto nowhere = static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(kNowhere));
    EXPECT_EQ(stack_drift_after_call(reinterpret_cast<void*>(choose), {nowhere}), 0);
    EXPECT_EQ(snddata(0x43), 1);
    EXPECT_EQ(choose(nullptr), 0);
    EXPECT_EQ(snddata(0x44), 1);
}

// The HID services kbpusb searches with, as Wine answers them.
TEST(RealHid, EveryPresentInterfaceIsListedWithItsPathVendorAndReportLengths) {
    platform::Guid guid{};
    platform::hid_get_guid(guid);
    EXPECT_EQ(guid.data1, 0x4D1E55B2u);
    const platform::DeviceInfoSet set =
        platform::get_class_devices(guid, platform::kDigcfPresent | platform::kDigcfDeviceInterface);
    ASSERT_NE(set, platform::invalid_handle());
    unsigned listed = 0, opened = 0;
    for (std::uint32_t index = 0;; ++index) {
        platform::DeviceInterfaceData data{};
        data.cbSize = sizeof data;
        if (!platform::enum_device_interfaces(set, guid, index, data)) break;
        ++listed;
        std::uint32_t required = 0;
        EXPECT_FALSE(platform::get_device_interface_detail(set, data, nullptr, 0, &required));
        ASSERT_GT(required, 5u);
        std::vector<char> buffer(required);
        auto* detail = reinterpret_cast<platform::DeviceInterfaceDetail*>(buffer.data());
        detail->cbSize = platform::kDeviceInterfaceDetailSize;
        ASSERT_TRUE(platform::get_device_interface_detail(set, data, detail, required, nullptr));
        const platform::Handle device =
            platform::open_device(detail->DevicePath, platform::kGenericRead | platform::kGenericWrite,
                                  platform::kShareRead | platform::kShareWrite);
        if (device == platform::invalid_handle()) continue;
        ++opened;
        platform::HidAttributes attributes{};
        attributes.Size = sizeof attributes;
        EXPECT_TRUE(platform::hid_get_attributes(device, attributes)) << detail->DevicePath;
        EXPECT_NE(attributes.VendorID, 0x053A) << detail->DevicePath;
        std::printf("%s: vendor %04X\n", detail->DevicePath, attributes.VendorID);
        platform::PreparsedData preparsed = nullptr;
        if (platform::hid_get_preparsed_data(device, preparsed)) {
            platform::HidCaps caps{};
            EXPECT_EQ(platform::hid_get_caps(preparsed, caps), 0x00110000) << detail->DevicePath;
            EXPECT_GT(caps.InputReportByteLength, 0) << detail->DevicePath;
            EXPECT_TRUE(platform::hid_free_preparsed_data(preparsed));
        }
        platform::close_handle(device);
    }
    EXPECT_TRUE(platform::destroy_device_info_list(set));
    std::printf("HID interfaces listed: %u, opened: %u\n", listed, opened);
    // Wine has HID devices of its own: a record size wrong for this
    // architecture would let SetupAPI list none.
    EXPECT_GT(listed, 0u);
}

// --- beside the test double

class Double : public Kbpi32OnUsb {
protected:
    void SetUp() override {
        Kbpi32OnUsb::SetUp();
        // The double stays loaded once kbpi32 loaded it; this is that same module.
        ASSERT_EQ(snd(0x00), 0);
        usb = GetModuleHandleA("KBPUSB.DLL");
        ASSERT_NE(usb, nullptr);
        reset = find<void(__stdcall*)()>("double_reset");
        refuse = find<void(__stdcall*)(int)>("double_refuse");
        received_bytes = find<unsigned(__stdcall*)(unsigned char*, unsigned)>("double_received");
        frame = find<int(__stdcall*)(unsigned, unsigned char*, unsigned*, unsigned*)>("double_frame");
        ASSERT_TRUE(reset && refuse && received_bytes && frame) << "not the test double: " << module_file(usb);
        reset();
    }

    template <typename F>
    F find(const char* name) {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(usb, name)));
    }

    std::vector<unsigned char> received() {
        std::vector<unsigned char> bytes(4096);
        bytes.resize(received_bytes(bytes.data(), static_cast<unsigned>(bytes.size())));
        return bytes;
    }

    HMODULE usb = nullptr;
    void(__stdcall* reset)() = nullptr;
    void(__stdcall* refuse)(int) = nullptr;
    unsigned(__stdcall* received_bytes)(unsigned char*, unsigned) = nullptr;
    int(__stdcall* frame)(unsigned, unsigned char*, unsigned*, unsigned*) = nullptr;
};

TEST_F(Double, BytesReachTheKeyboardUnchanged) {
    EXPECT_EQ(snd(0x141), 0);
    EXPECT_EQ(snd(0xEC), 0);  // not a tunnel mode byte off the controller ports
    EXPECT_EQ(snd(0xF4), 0);
    EXPECT_EQ(received(), (std::vector<unsigned char>{0x41, 0xEC, 0xF4}));
}

TEST_F(Double, AReadRequestFrameSentByteByByteIsDecoded) {
    // Read 0x10 bytes at 0x0120: digits of address and count, then their nibble sum 0x04.
    const unsigned char request[] = {0xEF, 0x0E, '0', '1', '2', '0', '1', '0', '0', '4'};
    for (unsigned char b : request) ASSERT_EQ(snd(b), 0) << int(b);
    unsigned char command = 0;
    unsigned address = 0, count = 0;
    ASSERT_EQ(frame(0, &command, &address, &count), 1);
    EXPECT_EQ(command, 0x0E);
    EXPECT_EQ(address, 0x0120u);
    EXPECT_EQ(count, 0x10u);
    EXPECT_EQ(frame(1, &command, &address, &count), -1);
}

TEST_F(Double, ARefusedByteComesBackAsOne) {
    refuse(1);
    EXPECT_EQ(snd(0x55), 1);
    refuse(0);
    EXPECT_EQ(snd(0x56), 0);
    EXPECT_EQ(received(), (std::vector<unsigned char>{0x56}));
}

// --- with no KBPUSB.DLL anywhere

using None = Kbpi32OnUsb;

TEST_F(None, EveryByteFails) {
    for (int b : {0x41, 0xEF, 0x00, 0xF4, 0x41}) EXPECT_EQ(snd(b), 1) << b;
    EXPECT_EQ(GetModuleHandleA("KBPUSB.DLL"), nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const char* folder = argc == 2 ? argv[1] : "";
    if (std::strcmp(folder, "real") == 0)
        ::testing::GTEST_FLAG(filter) = "Real*";
    else if (std::strcmp(folder, "double") == 0)
        ::testing::GTEST_FLAG(filter) = "Double.*";
    else if (std::strcmp(folder, "none") == 0)
        ::testing::GTEST_FLAG(filter) = "None.*";
    else {
        std::fprintf(stderr, "usage: %s real|double|none\n", argv[0]);
        return 2;
    }
    return RUN_ALL_TESTS();
}
