#include <cstring>

#include "kbpi32/channel/interface_state.h"
#include "kbpi32/common/last_transfer.h"
#include "kbpi32/common/pending_timer.h"
#include "kbpi32/upload/function_library.h"
#include "kbpi32/upload/read_transaction.h"
#include "kbpi32/upload/upload_engine.h"
#include "kbpusb_on_sim.h"
#include "upload_test.h"

namespace {

class Upload : public UploadTest {
protected:
    Upload() {
        keyboard_on_controller();
        kbp_set_interface(1);
    }
};

// ---------------------------------------------------------------------------
// The whole upload, on every path the keyboard can answer a read request

struct Path {
    const char* name;
    int kind;
    const char* port_text;
    int chunk;
};

class UploadOnEveryPath : public UploadTest, public ::testing::WithParamInterface<Path> {};

TEST_P(UploadOnEveryPath, TheFileIsTheMagicAndKeyboardBytesFourToTheEnd) {
    const Path& path = GetParam();
    switch (path.kind) {
    case 1: keyboard_on_controller(); break;
    case 2: sim::drivers().class_driver.install(&keyboard); break;
    case 3: sim::drivers().port_driver.install(&keyboard); break;
    case 4:
        kbp_test::install_kbpusb();
        sim::hid().attach(0x053A, 2, &keyboard);
        break;
    }
    kbp_set_interface(path.kind);
    image_in_keyboard(0x03FF);

    EXPECT_EQ(upload(path.port_text), 1023);
    EXPECT_STREQ(status, path.port_text);  // success writes nothing
    EXPECT_EQ(file_bytes(), expected_file(1023));
    const int transactions = (1023 + path.chunk) / path.chunk;
    EXPECT_EQ(keyboard.read_requests, unsigned(transactions));
    ASSERT_EQ(sim::capture_library_calls().arms.size(), unsigned(transactions));
    EXPECT_EQ(sim::capture_library_calls().arms[0], (platform::windows_model::CaptureArm{2 * path.chunk + 2, 1, 300}));
    ASSERT_EQ(progress.size(), unsigned(transactions) + 2);
    EXPECT_EQ(progress.front(), 0);
    EXPECT_EQ(progress[1], path.chunk * 100 / 1023);
    EXPECT_EQ(progress.back(), 100);
    EXPECT_EQ(kbp::timer_state.pending_timer, 0u);
    EXPECT_TRUE(sim::messages().timers.empty());
}

INSTANTIATE_TEST_SUITE_P(Paths, UploadOnEveryPath,
                         ::testing::Values(Path{"ports", 1, "", 16}, Path{"class_driver", 2, "", 16},
                                           Path{"port_driver", 3, "", 16}, Path{"usb", 4, "USB", 8}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Upload, TheImageEndComesFromBytesSixAndSevenOrStaysAThousandBelowTen) {
    struct Case {
        unsigned field;
        int end;
        unsigned reads;
    } cases[] = {{0x03FF, 1023, 64}, {9, 1000, 63}, {0, 1000, 63}, {10, 10, 1}, {1000, 1000, 63}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        keyboard.read_requests = 0;
        image_in_keyboard(c.field);
        EXPECT_EQ(upload(), c.end);
        EXPECT_EQ(file_bytes().size(), std::size_t(c.end) + 1);
        EXPECT_EQ(keyboard.read_requests, c.reads);
    }
}

TEST_F(Upload, AnImageEndingPastTheBufferFailsWithoutReadingOnIt) {
    image_in_keyboard(8992);  // its last 16-byte chunk would end at 9007
    EXPECT_EQ(upload(), 0);
    EXPECT_STREQ(status, "Upload Error.\n");
    EXPECT_EQ(kbp::last_transfer_state.cause, KBP_CAUSE_IMAGE_TOO_LONG);
    EXPECT_FALSE(file_exists());
    EXPECT_EQ(keyboard.read_requests, 1u);

    image_in_keyboard(8991);
    EXPECT_EQ(upload(), 8991);
    EXPECT_EQ(file_bytes(), expected_file(8991));
}

TEST_F(Upload, OverUsbTheSmallerChunksReachFurtherIntoTheBuffer) {
    kbp_test::install_kbpusb();
    sim::hid().attach(0x053A, 2, &keyboard);
    image_in_keyboard(9000);  // its last 8-byte chunk would end at 9007
    EXPECT_EQ(upload("USB"), 0);
    EXPECT_FALSE(file_exists());

    image_in_keyboard(8999);
    EXPECT_EQ(upload("USB"), 8999);
    EXPECT_EQ(file_bytes(), expected_file(8999));
}

TEST_F(Upload, OnlyAStatusBeginningWithUsbSelectsUsb) {
    kbp_test::install_kbpusb();
    sim::hid().attach(0x053A, 2, &keyboard);
    image_in_keyboard(20);
    for (const char* text : {"usb", " USB", "US"}) {
        EXPECT_EQ(upload(text), 20) << text;
        EXPECT_EQ(kbp::interface_state.use_usb, 0u) << text;
    }
    EXPECT_EQ(upload("USB, whatever follows"), 20);
    EXPECT_EQ(kbp::interface_state.use_usb, 1u);
    EXPECT_EQ(sim::capture_library_calls().arms.back().keystrokes, 18);
}

TEST_F(Upload, UsbWithoutItsLibraryFailsBeforeAnythingElse) {
    EXPECT_EQ(upload("USB"), 0);
    EXPECT_STREQ(status, "KBPUSB.DLL not found ");
    EXPECT_TRUE(progress.empty());
    EXPECT_TRUE(sim::capture_library_calls().arms.empty());
    EXPECT_EQ(kbp::interface_state.interface_chosen, 1u);
}

// ---------------------------------------------------------------------------
// Results and texts of the failures

TEST_F(Upload, WithoutAFileNameNothingIsRead) {
    EXPECT_EQ(kbp_upload(nullptr, status, record_progress), -1);
    EXPECT_STREQ(status, " no file specified");
    EXPECT_EQ(progress, (std::vector<int>{0}));
    EXPECT_TRUE(sim::capture_library_calls().arms.empty());
}

TEST_F(Upload, AFileThatCannotBeCreatedIsNamedInTheStatus) {
    image_in_keyboard(20);
    file = ::testing::TempDir() + "no/such/folder/image.kbp";
    EXPECT_EQ(upload(), 0);
    EXPECT_EQ(std::string(status), "File '" + file + "' creation failed.\n");
    EXPECT_EQ(progress.back(), 0);
}

// The file is written under a temporary name beside the old one, which it
// replaces only once complete: every failure leaves the old file as it was.
TEST_F(Upload, AFailingWriteLeavesTheOldFileAsItWasAndNoTemporaryBeside) {
    image_in_keyboard(20);
    const std::string creation_failed = "File '" + file + "' creation failed.\n";
    const std::string cant_write = "Can't write into file '" + file + "'.\n";
    const struct {
        const char* what;
        sim::Call call;
        unsigned after;
        const std::string& status;
    } cases[] = {{"the temporary name", sim::Call::file_create_temporary, 0, creation_failed},
                 {"opening it", sim::Call::file_open, 0, creation_failed},
                 {"the first magic byte", sim::Call::file_write, 0, cant_write},
                 {"the last magic byte", sim::Call::file_write, 3, cant_write},
                 {"the image bytes", sim::Call::file_write, 4, cant_write},
                 {"the close", sim::Call::file_close, 0, cant_write},
                 {"reopening it to measure", sim::Call::file_open, 1, cant_write},
                 {"measuring it", sim::Call::file_seek, 0, cant_write},
                 {"the replacing rename", sim::Call::file_replace, 0, creation_failed}};
    const Bytes old_file = {'K', 'e', 'l', 'm', 1, 2, 3};
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(old_file.data()), 7);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        sim::faults().fail_once(c.call, c.after);
        EXPECT_EQ(upload(), 0);
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(progress.back(), 0);
        EXPECT_TRUE(sim::image_files().open.empty());
        EXPECT_EQ(file_bytes(), old_file);
        EXPECT_EQ(folder_holds(), std::vector<std::string>{"image.kbp"});
    }
    // Writes and a close that all report success over a disk that kept only part.
    sim::image_files().disk_space = 12;
    EXPECT_EQ(upload(), 0);
    EXPECT_EQ(status, cant_write);
    EXPECT_EQ(file_bytes(), old_file);
    EXPECT_EQ(folder_holds(), std::vector<std::string>{"image.kbp"});

    sim::image_files().disk_space = 1000;
    EXPECT_EQ(upload(), 20);
    EXPECT_EQ(file_bytes(), expected_file(20));
    EXPECT_EQ(folder_holds(), std::vector<std::string>{"image.kbp"});
}

// The temporary file goes into the folder the path names: the current one for
// a bare name; a folder too long for a file name of the system is refused.
TEST_F(Upload, TheTemporaryFileGoesIntoTheFolderOfThePath) {
    image_in_keyboard(20);
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    file = "bare.kbp";
    EXPECT_EQ(upload(), 20);
    std::filesystem::current_path(before);
    file = folder + "/bare.kbp";
    EXPECT_EQ(file_bytes(), expected_file(20));
    EXPECT_EQ(folder_holds(), std::vector<std::string>{"bare.kbp"});

    file = folder + "/" + std::string(300, 'd') + "/image.kbp";
    EXPECT_EQ(upload(), 0);
    EXPECT_EQ(status, "File '" + file + "' creation failed.\n");
    EXPECT_EQ(sim::faults().uses(sim::Call::file_create_temporary), 1u);
}

TEST_F(Upload, ASilentKeyboardTimesOutEachReadAndCancelLeavesNoFile) {
    keyboard.answers_reads = false;
    sim::message_boxes().answers = {platform::kIdCancel};
    const std::uint32_t start = sim::clock().now_ms;
    EXPECT_EQ(upload(), 0);
    EXPECT_STREQ(status, "Upload Error.\n");
    EXPECT_FALSE(file_exists());
    const std::uint32_t elapsed = sim::clock().now_ms - start;
    EXPECT_GE(elapsed, 10 * 500u);
    EXPECT_LE(elapsed, 10 * 500u + 100);
    ASSERT_EQ(sim::message_boxes().shown.size(), 1u);
    EXPECT_EQ(sim::message_boxes().shown[0].text, "UPLOAD ERROR");
    EXPECT_EQ(sim::message_boxes().shown[0].caption, " CONTINUE ? ");
    EXPECT_EQ(sim::message_boxes().shown[0].type, 1u);
    // 0, one report per failed read, then 0.
    EXPECT_EQ(progress, (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(kbp::timer_state.pending_timer, 0u);
    EXPECT_TRUE(sim::messages().timers.empty());
}

TEST_F(Upload, FailuresCountAcrossChunksUntilThePromptAndAfterOkTenMore) {
    image_in_keyboard(100);
    // Three failed reads on each of the first three chunks, then one more: the
    // tenth failure prompts though no chunk failed ten times. After OK, nine
    // failures pass and the tenth prompts again; Cancel ends the upload.
    kbpfunc().silent = true;
    for (int chunk = 0; chunk < 3; ++chunk) kbpfunc().script.insert(kbpfunc().script.end(), {true, true, true, false});
    kbpfunc().script.push_back(true);
    kbpfunc().script.insert(kbpfunc().script.end(), 9, true);
    kbpfunc().script.push_back(false);
    kbpfunc().script.push_back(true);
    kbpfunc().misbehaving_captures = 0;
    sim::message_boxes().answers = {platform::kIdOk, platform::kIdCancel};
    EXPECT_EQ(upload(), 0);
    EXPECT_EQ(sim::message_boxes().shown.size(), 2u);
    EXPECT_EQ(sim::capture_library_calls().arms.size(), 24u);
    EXPECT_TRUE(kbpfunc().script.empty());
    EXPECT_FALSE(file_exists());
}

// The wait takes the quit and goes on; the caller gets it back, once, as the upload returns.
TEST_F(Upload, AQuitMessageDuringTheWaitIsKeptAndPostedBackAtTheEnd) {
    image_in_keyboard(20);
    sim::messages().post(platform::kWmQuit, 9);
    sim::messages().post(0x0400, 7);
    sim::messages().post(platform::kWmQuit, 4);
    EXPECT_EQ(upload(), 20);
    EXPECT_EQ(file_bytes(), expected_file(20));
    EXPECT_TRUE(sim::messages().posted.empty());
    EXPECT_EQ(sim::messages().quits_posted, 1u);
    EXPECT_EQ(sim::messages().quit, 4);
}

// ---------------------------------------------------------------------------
// The read transaction

class ReadBlock : public Upload {
protected:
    ReadBlock() {
        image_in_keyboard(1000);
        EXPECT_EQ(kbp::bind_function_library(), 0);
    }
    std::uint8_t read16(std::uint8_t* bytes = nullptr) { return kbp::read_block(0x20, 16, bytes); }
};

TEST_F(ReadBlock, DeliversTheBytesAndChecksTheirSumModulo256) {
    for (int a = 0x20; a < 0x30; ++a) keyboard.memory[a] = 0xFF;  // digit sum 480
    std::uint8_t bytes[16] = {};
    EXPECT_EQ(read16(bytes), 0);
    EXPECT_EQ(Bytes(bytes, bytes + 16), Bytes(16, 0xFF));
    EXPECT_EQ(keyboard.frames.back().command, 0x0E);
    EXPECT_EQ(keyboard.frames.back().address, 0x20);
}

TEST_F(ReadBlock, EveryFaultOfTheAnswerFailsTheRead) {
    struct Case {
        const char* what;
        int count_error;
        std::map<int, std::uint8_t> replaced;
        bool silent;
        std::uint32_t late_by_ms;
        std::uint8_t arm_result;
    } cases[] = {
        {"33 codes for 16 bytes", -1, {}, false, 0, 0},
        {"a zero code", 0, {{5, 0x00}}, false, 0, 0},
        {"a break code", 0, {{0, 0x82}}, false, 0, 0},
        {"a key that is no digit", 0, {{31, 0x1C}}, false, 0, 0},
        {"a wrong high checksum digit", 0, {{32, 0x0B}}, false, 0, 0},
        {"a wrong low checksum digit", 0, {{33, 0x0B}}, false, 0, 0},
        {"no completion", 0, {}, true, 0, 0},
        {"a completion after the timeout", 0, {}, false, 600, 0},
        {"a capture that cannot be armed", 0, {}, false, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        kbpfunc().misbehaving_captures = 1;
        kbpfunc().count_error = c.count_error;
        kbpfunc().replaced = c.replaced;
        kbpfunc().silent = c.silent;
        kbpfunc().late_by_ms = c.late_by_ms;
        kbpfunc().arm_result = c.arm_result;
        EXPECT_EQ(read16(), 1);
        EXPECT_EQ(kbp::timer_state.pending_timer, 0u);
        // The next read is not disturbed by what is left of this one.
        EXPECT_EQ(read16(), 0);
    }
}

TEST_F(ReadBlock, ACaptureThatCannotBeArmedSendsNoRequestAndStartsNoTimer) {
    kbpfunc().arm_result = 0x100;  // only the low byte counts
    EXPECT_EQ(read16(), 0);
    kbpfunc().arm_result = 0x01;
    const unsigned timers = sim::messages().timers_started;
    EXPECT_EQ(read16(), 1);
    EXPECT_EQ(keyboard.read_requests, 1u);
    EXPECT_EQ(sim::messages().timers_started, timers);
}

TEST_F(ReadBlock, TheWaitEndsAtFiveHundredMilliseconds) {
    keyboard.answers_reads = false;
    const std::uint32_t start = sim::clock().now_ms;
    EXPECT_EQ(read16(), 1);
    EXPECT_GE(sim::clock().now_ms - start, 500u);
    EXPECT_LE(sim::clock().now_ms - start, 520u);
    ASSERT_FALSE(sim::messages().timers_started == 0);
}

TEST_F(ReadBlock, AHandshakeReadLeavesTheUploadAlone) {
    EXPECT_EQ(upload(), 1000);
    const kbp::UploadState before = kbp::upload_state;
    EXPECT_EQ(kbp::bind_function_library(), 0);
    keyboard.memory[0] = 0xAB;
    std::uint8_t two[2];
    EXPECT_EQ(kbp::read_block(0, 2, two), 0);
    EXPECT_EQ(two[0], 0xAB);
    EXPECT_EQ(sim::capture_library_calls().arms.back().keystrokes, 6);
    EXPECT_EQ(kbp::upload_state.image_buffer, before.image_buffer);
    EXPECT_EQ(kbp::upload_state.read_offset, before.read_offset);
    EXPECT_EQ(kbp::upload_state.image_end, before.image_end);
    EXPECT_EQ(kbp::upload_state.upload_progress, before.upload_progress);
}

TEST(ScanCodes, DigitKeysMapToTheirCharactersAndEverythingElseToNone) {
    const std::pair<std::uint8_t, char> keys[] = {{0x02, '1'}, {0x0A, '9'}, {0x0B, '0'}, {0x1E, 'A'}, {0x30, 'B'},
                                                  {0x2E, 'C'}, {0x20, 'D'}, {0x12, 'E'}, {0x21, 'F'}, {0x01, 0},
                                                  {0x0C, 0},   {0x82, 0},   {0x00, 0}};
    for (auto [code, digit] : keys) EXPECT_EQ(kbp::scan_code_digit(code), digit) << int(code);
    for (char c : {'0', '9', 'A', 'F'}) EXPECT_LT(kbp::hex_digit_value(c), 16);
    for (char c : {'a', 'G', '/', ':', '\0'}) EXPECT_EQ(kbp::hex_digit_value(c), 32) << c;
}

}  // namespace
