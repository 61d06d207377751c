#include "include/kbpi32.h"
#include "kbpi32/channel/byte_channel.h"
#include "kbpi32/channel/frames.h"
#include "sim_test.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Frames on the controller ports: every byte but the start byte is tunnelled,
// so the keyboard's decoded stream is the frame without its 0xEF.
class Frames : public SimTest {
protected:
    Frames() {
        keyboard_on_controller();
        kbp_set_interface(1);
    }

    // The frame bytes as they left the library, undone from the tunnel seen
    // at port 0x60 (the start byte is not sent on this path).
    Bytes frame_bytes() const {
        Bytes out;
        const Bytes& port = sim::controller().bytes_to_keyboard;
        for (std::size_t i = 0; i + 3 < port.size(); i += 4) {
            EXPECT_EQ(port[i], 0xED);
            EXPECT_EQ(port[i + 2], 0xED);
            out.push_back(static_cast<std::uint8_t>((port[i + 3] & 0x0F) << 4 | (port[i + 1] & 0x0F)));
        }
        return out;
    }
};

TEST_F(Frames, HexDigitsAreUpperCaseOfTheLowNibble) {
    EXPECT_EQ(kbp::hex_digit(0), '0');
    EXPECT_EQ(kbp::hex_digit(9), '9');
    EXPECT_EQ(kbp::hex_digit(10), 'A');
    EXPECT_EQ(kbp::hex_digit(0x7F), 'F');
    EXPECT_EQ(kbp::hex_digit(-1), 'F');
}

TEST_F(Frames, WriteBlockOfThreeBytes) {
    const std::uint8_t data[] = {0x12, 0xAB, 0x00};
    EXPECT_EQ(kbp::send_write_block(4, data, 3), 0);
    EXPECT_EQ(frame_bytes(), (Bytes{0x0F, 0x30, 0x30, 0x30, 0x34, 0x30, 0x33, 0x30, 0x37, 0x31, 0x32, 0x41, 0x42, 0x30,
                                    0x30, 0x31, 0x38}));
    ASSERT_EQ(keyboard.frames.size(), 1u);
    EXPECT_TRUE(keyboard.frames[0].good);
    EXPECT_EQ(keyboard.frames[0].data, (Bytes{0x12, 0xAB, 0x00}));
    EXPECT_EQ(keyboard.memory[5], 0xAB);
}

TEST_F(Frames, FullBlockChecksumWraps) {
    const Bytes data(64, 0xFF);
    EXPECT_EQ(kbp::send_write_block(0x1F44, data.data(), 64), 0);
    const Bytes f = frame_bytes();
    ASSERT_EQ(f.size(), 139u);  // 140 bytes less the start byte
    EXPECT_EQ(Bytes(f.begin() + 1, f.begin() + 9), (Bytes{'1', 'F', '4', '4', '4', '0', '1', 'C'}));
    EXPECT_EQ(Bytes(f.end() - 2, f.end()), (Bytes{'8', '0'}));
    EXPECT_EQ(keyboard.good_frames, 1u);
    EXPECT_EQ(keyboard.memory[0x1F44 + 63], 0xFF);
}

TEST_F(Frames, AddressBitsAboveFifteenAreNotSent) {
    const std::uint8_t data[] = {0x5A};
    EXPECT_EQ(kbp::send_write_block(0x12345, data, 1), 0);
    EXPECT_EQ(frame_bytes(), (Bytes{0x0F, '2', '3', '4', '5', '0', '1', '0', 'F', '5', 'A', '0', 'F'}));
}

TEST_F(Frames, CountZeroIsAnEmptyBlock) {
    EXPECT_EQ(kbp::send_write_block(0, nullptr, 0), 0);
    EXPECT_EQ(frame_bytes(), (Bytes{0x0F, '0', '0', '0', '0', '0', '0', '0', '0', '0', '0'}));
}

TEST_F(Frames, ReadRequests) {
    EXPECT_EQ(kbp::send_read_request(0, 2), 0);
    EXPECT_EQ(frame_bytes(), (Bytes{0x0E, '0', '0', '0', '0', '0', '2', '0', '2'}));
    sim::controller().bytes_to_keyboard.clear();
    EXPECT_EQ(kbp::send_read_request(0x0110, 16), 0);
    EXPECT_EQ(frame_bytes(), (Bytes{0x0E, '0', '1', '1', '0', '1', '0', '0', '3'}));
    ASSERT_EQ(keyboard.frames.size(), 2u);
    EXPECT_EQ(keyboard.frames[1].command, 0x0E);
    EXPECT_EQ(keyboard.frames[1].address, 0x0110);
    EXPECT_EQ(keyboard.frames[1].count, 16);
    EXPECT_TRUE(keyboard.frames[1].good);
}

TEST_F(Frames, EndOfDownload) {
    EXPECT_EQ(kbp::send_end_of_download(), 0);
    EXPECT_EQ(frame_bytes(), (Bytes{0x12}));
    EXPECT_EQ(keyboard.end_of_download, 1u);
}

TEST_F(Frames, EveryByteAfterTheCommandIsAnUpperCaseDigit) {
    Bytes data(64);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 37 + 11);
    kbp::send_write_block(0xBEEF, data.data(), 64);
    const Bytes f = frame_bytes();
    for (std::size_t i = 1; i < f.size(); ++i)
        EXPECT_TRUE((f[i] >= '0' && f[i] <= '9') || (f[i] >= 'A' && f[i] <= 'F')) << i;
    EXPECT_EQ(keyboard.good_frames, 1u);
}

// Frames to a keyboard that stops answering part way.
class FramesToARefusingKeyboard : public SimTest {
protected:
    FramesToARefusingKeyboard() {
        // On the controller ports; each test scripts how far the keyboard answers.
        keyboard_on_controller();
        kbp_set_interface(1);
    }
};

TEST_F(FramesToARefusingKeyboard, AFailedSendEndsTheFrame) {
    // Start byte (consumed), command and three digits go through; the fourth
    // digit's first tunnel byte is refused.
    for (int i = 0; i < 4 * 4; ++i) keyboard.scripted_replies.push_back({true, 0xFA});
    keyboard.answer_mode = kbdsim::AnswerMode::silent;
    const std::uint8_t data[] = {1, 2, 3};
    EXPECT_EQ(kbp::send_write_block(0x1234, data, 3), 1);
    EXPECT_EQ(sim::controller().bytes_to_keyboard.size(), 17u);
}

}  // namespace

// Frames on the port driver, which hands every byte to the keyboard as it is:
// the whole frame, start byte included.
class FramesOnThePortDriver : public SimTest {
protected:
    FramesOnThePortDriver() {
        sim::drivers().port_driver.install(&keyboard);
        kbp_set_interface(3);
    }
    static Bytes& sent() { return sim::drivers().port_driver.sent; }
};

TEST_F(FramesOnThePortDriver, EveryFrameGoesOutWholeFromItsStartByte) {
    const std::uint8_t data[] = {0x12, 0xAB, 0x00};
    EXPECT_EQ(kbp::send_write_block(4, data, 3), 0);
    EXPECT_EQ(sent(), (Bytes{0xEF, 0x0F, 0x30, 0x30, 0x30, 0x34, 0x30, 0x33, 0x30, 0x37, 0x31, 0x32, 0x41, 0x42,
                             0x30, 0x30, 0x31, 0x38}));
    sent().clear();
    EXPECT_EQ(kbp::send_read_request(0, 2), 0);
    EXPECT_EQ(sent(), (Bytes{0xEF, 0x0E, '0', '0', '0', '0', '0', '2', '0', '2'}));
    sent().clear();
    EXPECT_EQ(kbp::send_end_of_download(), 0);
    EXPECT_EQ(sent(), (Bytes{0xEF, 0x12}));
    EXPECT_EQ(keyboard.good_frames, 2u);
}
