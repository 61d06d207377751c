// The keyboard model itself: a wrong model would hide faults in the library.
#include <gtest/gtest.h>

#include "kbdsim/keyboard.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void feed(kbdsim::Keyboard& k, const Bytes& bytes) {
    for (std::uint8_t b : bytes) k.receive(b);
}

TEST(KeyboardModel, CountsAFrameWithAWrongChecksumAsBad) {
    kbdsim::Keyboard k;
    feed(k, {0xEF, 0x0F, '0', '0', '0', '4', '0', '1', '0', '5', 'A', 'B', '1', '6'});
    EXPECT_EQ(k.good_frames, 0u);
    EXPECT_EQ(k.bad_frames, 1u);
    EXPECT_EQ(k.memory[4], 0);
    feed(k, {0xEF, 0x0F, '0', '0', '0', '4', '0', '1', '0', '6', 'A', 'B', '1', '5'});
    EXPECT_EQ(k.bad_frames, 2u);
}

TEST(KeyboardModel, ANonDigitInsideAFrameEndsItAsBad) {
    kbdsim::Keyboard k;
    feed(k, {0xEF, 0x0F, '0', '0', 'a'});
    EXPECT_EQ(k.bad_frames, 1u);
}

TEST(KeyboardModel, AnswersAsATestAsks) {
    kbdsim::Keyboard k;
    EXPECT_EQ(k.receive(0xF4).byte, 0xFA);
    EXPECT_EQ(k.receive(0xEE).byte, 0xEE);
    k.answers_echo = false;
    EXPECT_FALSE(k.receive(0xEE).present);
    k.answer_mode = kbdsim::AnswerMode::resend;
    EXPECT_EQ(k.receive(0x30).byte, 0xFE);
    k.answer_mode = kbdsim::AnswerMode::silent;
    EXPECT_FALSE(k.receive(0x30).present);
    EXPECT_EQ(k.enable_commands, 1u);
    EXPECT_EQ(k.echo_commands, 2u);
}

TEST(KeyboardModel, UnpluggedItTakesAndAnswersNothingMore) {
    kbdsim::Keyboard k;
    k.unplugged_at_byte = 3;
    EXPECT_TRUE(k.receive(0xF4).present);
    EXPECT_TRUE(k.receive(0xF4).present);
    EXPECT_FALSE(k.receive(0xF4).present);
    feed(k, {0x0E, '0', '0', '0', '0', '0', '2', '0', '2'});
    EXPECT_EQ(k.enable_commands, 2u);
    EXPECT_EQ(k.bytes_received, 2u);
    EXPECT_TRUE(k.typed.empty());
}

TEST(KeyboardModel, TypesTheAnswerToAReadRequest) {
    kbdsim::Keyboard k;
    k.memory[0x10] = 0x4B;
    k.memory[0x11] = 0x65;
    EXPECT_EQ(k.read_answer(0x10, 2), (Bytes{'4', 'B', '6', '5', '1', 'A'}));
}

}  // namespace
