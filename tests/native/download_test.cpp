#include <cstring>
#include <fstream>

#include "kbpi32/channel/interface_state.h"
#include "kbpi32/channel/serial_port.h"
#include "kbpi32/common/last_transfer.h"
#include "kbpi32/common/pending_timer.h"
#include "kbpusb_on_sim.h"
#include "upload_test.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

class DownloadTest : public UploadTest {
protected:
    // An image file of `size` bytes: the magic, then a pattern.
    Bytes write_image(std::size_t size, const char* magic = "Kelm") {
        Bytes b(size);
        for (std::size_t i = 0; i < size; ++i) b[i] = static_cast<std::uint8_t>(i * 13 + 5);
        for (std::size_t i = 0; i < 4 && i < size; ++i) b[i] = static_cast<std::uint8_t>(magic[i]);
        std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
        return b;
    }
    int download(const char* port_text, const char* name = nullptr) {
        std::snprintf(status, sizeof status, "%s", port_text);
        progress.clear();
        return kbp_download(name != nullptr ? name : file.c_str(), status, record_progress);
    }
    std::vector<std::pair<int, int>> write_frames() const {
        std::vector<std::pair<int, int>> frames;
        for (const kbdsim::Frame& f : keyboard.frames)
            if (f.command == 0x0F && f.good) frames.push_back({f.address, int(f.data.size())});
        return frames;
    }
    bool memory_holds(const Bytes& image) const {
        return Bytes(keyboard.memory.begin() + 4, keyboard.memory.begin() + long(image.size())) ==
               Bytes(image.begin() + 4, image.end());
    }
    static bool com1_open() { return sim::devices().is_open(&sim::com_port(1)); }
};

// ---------------------------------------------------------------------------
// The image over each of the five paths

struct Path {
    const char* name;
    int kind;
    const char* port_text;
};

class DownloadOnEveryPath : public DownloadTest, public ::testing::WithParamInterface<Path> {
protected:
    DownloadOnEveryPath() {
        // Only a system that runs the controller-port path grants port access.
        sim::controller().io_permitted = GetParam().kind == 1;
        switch (GetParam().kind) {
        case 1: keyboard_on_controller(); break;
        case 2: sim::drivers().class_driver.install(&keyboard); break;
        case 3: sim::drivers().port_driver.install(&keyboard); break;
        }
        if (std::string(GetParam().port_text) == "USB") {
            kbp_test::install_kbpusb();
            sim::hid().attach(0x053A, 2, &keyboard);
        }
        if (std::string(GetParam().port_text).starts_with("COM")) sim::com_port(1).keyboard = &keyboard;
        kbp_set_interface(GetParam().kind);
    }
};

TEST_P(DownloadOnEveryPath, A302ByteImageArrivesIntactInFrames) {
    const Bytes image = write_image(302);
    EXPECT_EQ(download(GetParam().port_text), 302);
    EXPECT_STREQ(status, " 302 bytes sent");
    EXPECT_TRUE(memory_holds(image));
    if (std::string(GetParam().port_text) == "USB") {
        ASSERT_EQ(write_frames().size(), 19u);
        EXPECT_EQ(write_frames()[18], (std::pair{292, 10}));
        EXPECT_EQ(progress[progress.size() - 2], 96);
    } else {
        EXPECT_EQ(write_frames(), (std::vector<std::pair<int, int>>{{4, 64}, {68, 64}, {132, 64}, {196, 64}, {260, 42}}));
        EXPECT_EQ(progress, (std::vector<int>{1, 22, 43, 64, 86, 100}));
    }
    EXPECT_EQ(keyboard.bad_frames, 0u);
    EXPECT_EQ(keyboard.end_of_download, 1u);
    EXPECT_EQ(keyboard.enable_commands, 1u);
    EXPECT_EQ(kbp::timer_state.pending_timer, 0u);
    EXPECT_FALSE(com1_open());
    EXPECT_EQ(kbp::interface_state.use_serial, 0u);
}

INSTANTIATE_TEST_SUITE_P(Paths, DownloadOnEveryPath,
                         ::testing::Values(Path{"ports", 1, ""}, Path{"class_driver", 2, ""},
                                           Path{"port_driver", 3, ""}, Path{"usb", 1, "USB"},
                                           Path{"serial", 1, "COM1:9600,N,8,1"}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// The port text and the COM port

class Download : public DownloadTest {
protected:
    Download() {
        keyboard_on_controller();
        kbp_set_interface(1);
        sim::com_port(1).keyboard = &keyboard;
        sim::com_port(3).keyboard = &keyboard;
    }
};

TEST_F(Download, FileErrorsComeAfterTheComPortOpensAndItClosesAgain) {
    struct Case {
        const char* what;
        std::size_t size;
        const char* magic;
        int result;
        const char* text;
    } cases[] = {{"301 bytes", 301, "Kelm", -6, "not a valid kbp fileformat"},
                 {"another magic", 302, "Kelm" + 1, -6, "not a valid kbp fileformat"},
                 {"65537 bytes", 65537, "Kelm", -6, "not a valid kbp fileformat"},
                 {"no file", 0, nullptr, -7, "kbp-file not found"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::remove(file.c_str());
        if (c.magic != nullptr) write_image(c.size, c.magic);
        const unsigned opens = sim::faults().uses(sim::Call::open_device);
        EXPECT_EQ(download("COM1:9600,N,8,1"), c.result);
        EXPECT_STREQ(status, c.text);
        EXPECT_EQ(sim::faults().uses(sim::Call::open_device), opens + 1);
        EXPECT_FALSE(com1_open());
        EXPECT_EQ(keyboard.frames.size(), 0u);
    }
}

TEST_F(Download, WithoutAFileNameNoPortIsOpenedAndThePortTextStays) {
    write_image(302);
    EXPECT_EQ(download("COM1"), 302);
    const unsigned opens = sim::faults().uses(sim::Call::open_device);
    std::strcpy(status, "COM3:9600,N,8,1");
    EXPECT_EQ(kbp_download(nullptr, status, record_progress), -1);
    EXPECT_STREQ(status, "no file specified");
    EXPECT_EQ(kbp::last_transfer_state.cause, KBP_CAUSE_NO_FILE_NAME);
    EXPECT_EQ(sim::faults().uses(sim::Call::open_device), opens);
    EXPECT_STREQ(kbp::serial_state.port_settings, "COM1");
}

TEST_F(Download, APortTextThatNamesNoComPortIsRefusedUntilAnEmptyOneClearsIt) {
    write_image(302);
    EXPECT_EQ(download("COM1:9600,N,8,1"), 302);
    EXPECT_EQ(download("USB"), -3);
    EXPECT_STREQ(status, "USB");
    EXPECT_EQ(kbp::last_transfer_state.cause, KBP_CAUSE_NOT_A_COM_PORT);
    EXPECT_EQ(download("AT"), -3);
    // "USB" set the USB flag before it was refused: the empty text proceeds over USB.
    kbp_test::install_kbpusb();
    sim::hid().attach(0x053A, 2, &keyboard);
    EXPECT_EQ(download(""), 302);
    EXPECT_EQ(download("LPT1"), -3);
    EXPECT_STREQ(status, "LPT1");
    EXPECT_STREQ(kbp::serial_state.port_settings, "LPT1");
    EXPECT_EQ(write_frames().size(), 5u + 19u);
}

TEST_F(Download, TheDeviceNameIsTheFirstFourCharactersWithABlankSkipped) {
    write_image(302);
    struct Case {
        const char* text;
        const char* device;
    } cases[] = {{"COM 3:9600,N,8,1", "COM3"}, {"COM3", "COM3"}, {"COM1x", "COM1"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(download(c.text), 302);
        EXPECT_STREQ(kbp::serial_state.device_name, c.device);
    }
    // A port held open elsewhere cannot be opened.
    const platform::Handle held = platform::open_device("COM3", platform::kGenericRead, 0);
    EXPECT_EQ(download("COM 3:9600,N,8,1"), -2);
    EXPECT_STREQ(status, "unable to open COM3");
    platform::close_handle(held);
}

// The device name holds one digit: a two-digit port is refused, not taken for COM1.
TEST_F(Download, AComPortOfTwoDigitsIsRefusedBeforeAnythingIsOpened) {
    write_image(302);
    const struct {
        const char* text;
        const char* status;
    } cases[] = {{"COM12", "unable to open COM12"},
                 {"COM51:9600,N,8,1", "unable to open COM51"},
                 {"COM 10", "unable to open COM 10"},
                 {"COM1234567890123456789012345", "unable to open COM12345678901234567890"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const unsigned opens = sim::devices().opens + sim::devices().failed_opens;
        EXPECT_EQ(download(c.text), -2);
        EXPECT_STREQ(status, c.status);
        EXPECT_EQ(kbp::last_transfer_state.cause, KBP_CAUSE_COM_NUMBER);
        EXPECT_EQ(sim::devices().opens + sim::devices().failed_opens, opens);
        EXPECT_EQ(sim::image_files().opened, 0u);
    }
}

TEST_F(Download, UsbLeftSetByAnEarlierCallCarriesTheFramesWhileTheComPortOpensAndCloses) {
    kbp_test::install_kbpusb();
    sim::hid().attach(0x053A, 2, &keyboard);
    const Bytes image = write_image(302);
    EXPECT_EQ(download("USB"), 302);
    keyboard.frames.clear();
    const std::size_t com_bytes = sim::com_port(1).written.size();
    EXPECT_EQ(download("COM1:9600,N,8,1"), 302);
    EXPECT_EQ(write_frames().size(), 19u);
    EXPECT_EQ(sim::com_port(1).written.size(), com_bytes);
    EXPECT_FALSE(com1_open());
    EXPECT_TRUE(memory_holds(image));
}

// ---------------------------------------------------------------------------
// Stopped transfers

TEST_F(Download, AFrameFailingInTheThirdBlockEndsWithTheEnableCommand) {
    const Bytes image = write_image(302);
    keyboard.scripted_replies.assign(2 * 140 + 10, {true, 0xFA});
    keyboard.answer_mode = kbdsim::AnswerMode::resend;
    EXPECT_EQ(download("COM1:9600,N,8,1"), -5);
    EXPECT_STREQ(status, "download not possible ");
    EXPECT_EQ(write_frames().size(), 2u);
    EXPECT_EQ(keyboard.enable_commands, 1u);
    EXPECT_EQ(keyboard.end_of_download, 0u);
    EXPECT_EQ(progress, (std::vector<int>{1, 22, 43}));
    EXPECT_FALSE(com1_open());
}

TEST_F(Download, AKeyboardThatDoesNotAnswerTheOpeningCheckGetsNoBlock) {
    write_image(302);
    keyboard.answers_reads = false;
    EXPECT_EQ(download(""), -5);
    EXPECT_STREQ(status, "download check failed");
    EXPECT_EQ(write_frames().size(), 0u);
    EXPECT_EQ(kbp::timer_state.pending_timer, 0u);
    EXPECT_EQ(sim::capture_library_calls().closes, 1u);
}

// The opening check's read wait takes the caller's quit and goes on; the
// download posts it back, once, as it returns, whether the check passed or not.
TEST_F(Download, AQuitTakenByTheOpeningCheckIsPostedBackAtTheEnd) {
    const Bytes image = write_image(302);
    for (const bool answers : {true, false}) {
        SCOPED_TRACE(answers);
        sim::messages().quits_posted = 0;
        sim::messages().quit.reset();
        keyboard.answers_reads = answers;
        sim::messages().post(platform::kWmQuit, 3);
        EXPECT_EQ(download(""), answers ? 302 : -5);
        EXPECT_EQ(sim::messages().quits_posted, 1u);
        EXPECT_EQ(sim::messages().quit, 3);
    }
    EXPECT_TRUE(memory_holds(image));
    // Without a quit nothing is posted.
    sim::messages().quits_posted = 0;
    sim::messages().quit.reset();
    keyboard.answers_reads = true;
    EXPECT_EQ(download(""), 302);
    EXPECT_EQ(sim::messages().quits_posted, 0u);
}

TEST_F(Download, AComPortThatCannotBeSetUpOrClosedGivesItsCode) {
    const Bytes image = write_image(302);
    sim::faults().fail_once(sim::Call::get_comm_state, 0);
    EXPECT_EQ(download("COM1:9600,N,8,1"), -2);
    EXPECT_STREQ(status, "unable to config COM1:9600,N,8,1");
    EXPECT_FALSE(com1_open());
    EXPECT_EQ(write_frames().size(), 0u);

    // A close that fails turns even a finished download into -4.
    sim::faults().fail_once(sim::Call::close_handle, 0);
    EXPECT_EQ(download("COM1:9600,N,8,1"), -4);
    EXPECT_STREQ(status, "can\xB4t close com-Port ");
    EXPECT_TRUE(memory_holds(image));
    EXPECT_EQ(kbp::interface_state.use_serial, 0u);
}

TEST_F(Download, AnImageThatCannotBeReadWholeIsNotSentAsIfItWere) {
    write_image(302);
    sim::faults().fail_once(sim::Call::file_read, 4 + 2);  // the magic, then the third block
    EXPECT_EQ(download(""), -5);
    EXPECT_STREQ(status, "download not possible ");
    EXPECT_EQ(write_frames().size(), 2u);
    EXPECT_EQ(keyboard.enable_commands, 1u);
    EXPECT_TRUE(sim::image_files().open.empty());
}

TEST_F(Download, UsbWithoutItsLibraryStopsBeforeTheCheck) {
    write_image(302);
    EXPECT_EQ(download("USB"), -5);
    EXPECT_STREQ(status, "KBPUSB.DLL not found ");
    EXPECT_TRUE(sim::capture_library_calls().arms.empty());
}

TEST_F(Download, TheControllerPortCheckTunnelsZeroFirstEvenWherePortsAreRefused) {
    write_image(302);
    sim::controller().record = true;
    EXPECT_EQ(download(""), 302);
    const Bytes& to_keyboard = sim::controller().bytes_to_keyboard;
    ASSERT_GE(to_keyboard.size(), 4u);
    EXPECT_EQ(Bytes(to_keyboard.begin(), to_keyboard.begin() + 4), (Bytes{0xED, 0x10, 0xED, 0x20}));

    // Port access refused (a newer Windows) and the keyboard on USB: the four
    // writes fail, but the read over USB decides.
    sim::controller().io_permitted = false;
    kbp_test::install_kbpusb();
    sim::hid().attach(0x053A, 2, &keyboard);
    EXPECT_EQ(download("USB"), 302);
}

TEST_F(Download, TheClassDriverPathClearsTheDriverAfterEveryBlock) {
    sim::drivers().class_driver.install(&keyboard);
    sim::controller().keyboard = nullptr;
    kbp_set_interface(2);
    write_image(302);
    EXPECT_EQ(download(""), 302);
    const auto& calls = sim::drivers().class_driver.calls;
    // Every acknowledged byte ends with clear and release; each block adds one clear.
    unsigned clears = sim::drivers().class_driver.count(sim::ClassDriver::kClear);
    unsigned releases = sim::drivers().class_driver.count(sim::ClassDriver::kRelease);
    EXPECT_EQ(clears - releases, 5u);
    EXPECT_FALSE(calls.empty());
}

}  // namespace
