// kbptool over USB on this Linux machine: the keyboard kbdsim-hid plays on
// hidraw and evdev nodes, found through a sysfs tree of the test's own.
#include "hid_keyboards.h"
#include "kbptool_fixture.h"

namespace {

class UsbOnLinux : public Kbptool {
protected:
    void SetUp() override {
        if (const std::string why = HidKeyboards::why_unusable(); !why.empty()) GTEST_SKIP() << why;
        write("sample.kbp", image);
    }

    // kbptool's exit code on the keyboards `setup` makes, which have ended
    // (and written their memories) by the return.
    int run_on_keyboards(const HidSetup& setup, const std::string& arguments) {
        const std::string why = keyboards.start(setup);
        if (!why.empty()) {
            ADD_FAILURE() << why;
            return -1;
        }
        keyboards.export_roots();
        const int exit_code = run_on_hardware(arguments);
        EXPECT_TRUE(keyboards.stop()) << keyboards.summary();
        return exit_code;
    }
    bool said(const std::string& words) const { return output().find(words) != std::string::npos; }

    static std::string read_file(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    const std::string image = read_file(EXAMPLE_IMAGE);
    HidKeyboards keyboards{folder / "usb"};
};

TEST_F(UsbOnLinux, AnUploadWritesWhatTheKeyboardHoldsUpToTheImageEnd) {
    HidSetup holding_the_sample;
    holding_the_sample.image = EXAMPLE_IMAGE;
    ASSERT_EQ(run_on_keyboards(holding_the_sample, "upload back.kbp --usb"), 0) << output();
    const std::string memory = keyboards.memory(0);
    ASSERT_EQ(memory.size(), 65536u);
    // The end field, big-endian at addresses 6 and 7, names the last address read.
    const std::size_t end = std::uint8_t(memory[6]) * 256u + std::uint8_t(memory[7]);
    ASSERT_EQ(end, 1023u);
    EXPECT_EQ(read("back.kbp"), "Kelm" + memory.substr(4, end - 3));
    EXPECT_TRUE(said("1024 bytes received over USB, image end 1023")) << output();
    // Each read holds the keyboard's input device while its answer is typed.
    EXPECT_EQ(keyboards.summary().find(" 0 grabs"), std::string::npos) << keyboards.summary();
}

TEST_F(UsbOnLinux, ADownloadIsReadBackAndStaysInTheKeyboardsMemory) {
    ASSERT_EQ(run_on_keyboards({}, "download sample.kbp --usb"), 0) << output();
    EXPECT_TRUE(said("read back and verified (addresses 4..1023)")) << output();
    const std::string memory = keyboards.memory(0);
    ASSERT_EQ(memory.size(), 65536u);
    EXPECT_EQ(memory.compare(4, image.size() - 4, image, 4), 0);
}

TEST_F(UsbOnLinux, AKeyboardPulledOutDuringADownloadFailsItWithThePartItTook) {
    // 1000 output reports carry some 350 bytes of the image.
    HidSetup pulled_out;
    pulled_out.unplug_after = {{0, 1000}};
    EXPECT_EQ(run_on_keyboards(pulled_out, "download sample.kbp --usb"), 15) << output();
    EXPECT_TRUE(said("download failed over USB")) << output();
    EXPECT_NE(keyboards.summary().find("1000 reports, 1 grabs, unplugged"), std::string::npos) << keyboards.summary();
    const std::string memory = keyboards.memory(0);
    ASSERT_EQ(memory.size(), 65536u);
    EXPECT_EQ(memory.compare(4, 300, image, 4, 300), 0);
    EXPECT_EQ(memory.substr(1000, 24), std::string(24, '\0'));
}

}  // namespace
