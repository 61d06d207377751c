#include <functional>

#include "include/kbpi32.h"
#include "kbpi32/channel/interface_state.h"
#include "kbpi32/common/status.h"
#include "kbpi32/channel/byte_channel.h"
#include "kbpi32/channel/led_tunnel.h"
#include "kbpi32/channel/class_driver_send.h"
#include "kbpi32/channel/reply_timer.h"
#include "sim_test.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Driver = sim::ClassDriver;
using Codes = std::vector<std::uint32_t>;

class ClassDriverTest : public SimTest {
protected:
    ClassDriverTest() { driver().install(&keyboard); }

    static Driver& driver() { return sim::drivers().class_driver; }
    static std::uint32_t now() { return sim::clock().now_ms; }

    void expect_every_handle_closed() {
        EXPECT_EQ(sim::devices().open_count(), 0u);
        EXPECT_EQ(sim::devices().opens, sim::devices().closes);
        EXPECT_EQ(sim::devices().stale_handle_uses, 0u);
    }
    void expect_no_timer_running() {
        EXPECT_EQ(kbp::timer_state.pending_timer, 0u);
        EXPECT_TRUE(sim::messages().timers.empty());
    }
};

// ---------------------------------------------------------------------------
// The eight wrappers

struct Wrapper {
    const char* name;
    std::function<int()> call;
    std::uint32_t code;
    Bytes in;
    std::uint32_t out_size;
    int without_driver;
};

std::vector<Wrapper> wrappers() {
    return {
        {"translate_on", [] { return vdd_translate_on(); }, Driver::kTranslateOn, {}, 1, -1},
        {"translate_off", [] { return vdd_translate_off(); }, Driver::kTranslateOff, {}, 1, -1},
        {"capture", [] { return vdd_kbd_capture(); }, Driver::kCapture, {}, 1, -1},
        {"release", [] { return vdd_kbd_release(); }, Driver::kRelease, {}, 1, -1},
        {"clr", [] { return vdd_kbd_clr(); }, Driver::kClear, {}, 1, -1},
        {"EF_available", [] { return vdd_EF_available(); }, Driver::kByteAvailable, {}, 4, 0},
        {"EF_get", [] { return int{vdd_EF_get()}; }, Driver::kGetByte, {}, 1, 0xFF},
        {"sendbyte", [] { return vdd_sendbyte(0x41); }, Driver::kSendByte, {0x41}, 1, -1},
    };
}

TEST_F(ClassDriverTest, EachWrapperOpensTheDeviceForOneBufferedCallAndClosesIt) {
    for (const Wrapper& w : wrappers()) {
        SCOPED_TRACE(w.name);
        sim::reset();
        driver().install(&keyboard);
        const int result = w.call();
        ASSERT_EQ(driver().calls.size(), 1u);
        EXPECT_EQ(driver().calls[0], (sim::ControlCall{w.code, w.in, w.out_size}));
        EXPECT_EQ(driver().opens,
                  (std::vector<sim::DriverOpen>{{platform::kGenericRead | platform::kGenericWrite, 0}}));
        expect_every_handle_closed();
        if (w.code != Driver::kByteAvailable && w.code != Driver::kGetByte) {
            EXPECT_EQ(result, 1);
        }
    }
}

TEST_F(ClassDriverTest, WithoutTheDriverEachWrapperAnswersItsFailureValue) {
    for (const Wrapper& w : wrappers()) {
        SCOPED_TRACE(w.name);
        sim::reset();
        EXPECT_EQ(w.call(), w.without_driver);
        EXPECT_EQ(sim::devices().failed_opens, 1u);
    }
    EXPECT_TRUE(driver().sent.empty());
}

TEST_F(ClassDriverTest, SendbyteSendsTheLowByte) {
    EXPECT_EQ(vdd_sendbyte(0x1EE), 1);
    EXPECT_EQ(driver().sent, (Bytes{0xEE}));
    EXPECT_EQ(keyboard.received, (Bytes{0xEE}));
}

TEST_F(ClassDriverTest, HeldBytesComeOutInArrivalOrderAndClearDiscardsThem) {
    keyboard.scripted_replies = {{true, 0x11}, {true, 0x22}, {true, 0x33}};
    vdd_kbd_capture();
    for (int i = 0; i < 3; ++i) vdd_sendbyte(0x00);
    EXPECT_EQ(vdd_EF_available(), 3);
    EXPECT_EQ(vdd_EF_get(), 0x11);
    EXPECT_EQ(vdd_EF_get(), 0x22);
    vdd_kbd_clr();
    EXPECT_EQ(vdd_EF_available(), 0);
    // The driver writes no byte when it holds none.
    EXPECT_EQ(vdd_EF_get(), 0xFF);
}

TEST_F(ClassDriverTest, AFailingAvailabilityCallReadsAsNothingWaiting) {
    keyboard.scripted_replies = {{true, 0x11}};
    vdd_sendbyte(0x00);
    sim::faults().fail(sim::Call::device_control);
    EXPECT_EQ(vdd_EF_available(), 0);
}

// ---------------------------------------------------------------------------
// The acknowledged send

TEST_F(ClassDriverTest, AnAcknowledgedByteCapturesSendsTakesTheReplyThenClearsAndReleases) {
    const std::uint32_t start = now();
    EXPECT_EQ(kbp::classdrv_send_byte(0x30), 0);
    EXPECT_EQ(driver().codes(), (Codes{Driver::kCapture, Driver::kSendByte, Driver::kByteAvailable, Driver::kGetByte,
                                       Driver::kClear, Driver::kRelease}));
    EXPECT_EQ(keyboard.received, (Bytes{0x30}));
    EXPECT_FALSE(driver().captured);
    EXPECT_TRUE(driver().passed_on.empty());  // the 0xFA never reached the system
    EXPECT_LT(now() - start, 10u);
    expect_no_timer_running();
    EXPECT_EQ(sim::messages().timers_started, 1u);
    expect_every_handle_closed();
}

TEST_F(ClassDriverTest, ThreeResendAnswersSendTheByteThreeTimesAtOnceAndFail) {
    keyboard.answer_mode = kbdsim::AnswerMode::resend;
    const std::uint32_t start = now();
    EXPECT_EQ(kbp::classdrv_send_byte(0x30), 1);
    EXPECT_EQ(driver().sent, (Bytes{0x30, 0x30, 0x30}));
    EXPECT_LT(now() - start, 100u);  // no attempt waited for its timer
    EXPECT_EQ(driver().count(Driver::kCapture), 3u);
    EXPECT_EQ(driver().count(Driver::kRelease), 1u);
    EXPECT_EQ(driver().codes().back(), Driver::kRelease);
    EXPECT_FALSE(driver().captured);
    EXPECT_TRUE(driver().held.empty());
    expect_no_timer_running();
    // Each attempt replaced the timer of the one before.
    EXPECT_EQ(sim::messages().timers_started, 3u);
    EXPECT_EQ(sim::messages().timers_killed, 3u);
}

TEST_F(ClassDriverTest, AResendThenAnAcknowledgeSucceedsOnTheSecondSend) {
    keyboard.scripted_replies = {{true, kbdsim::kResend}};
    EXPECT_EQ(kbp::classdrv_send_byte(0x41), 0);
    EXPECT_EQ(driver().sent, (Bytes{0x41, 0x41}));
    expect_no_timer_running();
}

TEST_F(ClassDriverTest, AKeystrokeBeforeTheAcknowledgeIsDropped) {
    driver().keystrokes_before_reply = {0x1C};
    EXPECT_EQ(kbp::classdrv_send_byte(0x30), 0);
    EXPECT_EQ(driver().sent, (Bytes{0x30}));
    EXPECT_EQ(driver().count(Driver::kGetByte), 2u);
    EXPECT_TRUE(driver().passed_on.empty());
}

TEST_F(ClassDriverTest, ASilentKeyboardFailsAfterThreeTimeouts) {
    keyboard.answer_mode = kbdsim::AnswerMode::silent;
    const std::uint32_t start = now();
    EXPECT_EQ(kbp::classdrv_send_byte(0x30), 1);
    const std::uint32_t elapsed = now() - start;
    EXPECT_GE(elapsed, 3 * 1500u);
    EXPECT_LE(elapsed, 3 * 1500u + 30);
    EXPECT_EQ(driver().sent, (Bytes{0x30, 0x30, 0x30}));
    // Each attempt ended when its timer procedure ran from the wait.
    EXPECT_EQ(sim::messages().dispatched, 3u);
    EXPECT_FALSE(driver().captured);
    expect_no_timer_running();
    expect_every_handle_closed();
}

TEST_F(ClassDriverTest, WithoutTheDriverEveryAttemptTimesOut) {
    sim::reset();
    const std::uint32_t start = now();
    EXPECT_EQ(kbp::classdrv_send_byte(0x30), 1);
    EXPECT_GE(now() - start, 3 * 1500u);
    expect_no_timer_running();
}

TEST_F(ClassDriverTest, WithoutATimerTheWaitIsBoundedByTheTickCount) {
    sim::faults().fail(sim::Call::set_timer);
    EXPECT_EQ(kbp::classdrv_send_byte(0x30), 0);

    keyboard.answer_mode = kbdsim::AnswerMode::silent;
    const std::uint32_t start = now();
    EXPECT_EQ(kbp::classdrv_send_byte(0x30), 1);
    EXPECT_GE(now() - start, 3 * 1500u);
    EXPECT_LE(now() - start, 3 * 1500u + 30);
    EXPECT_FALSE(driver().captured);
}

TEST_F(ClassDriverTest, TheWaitLeavesTheCallersOwnMessagesQueued) {
    keyboard.answer_mode = kbdsim::AnswerMode::silent;
    sim::messages().post(platform::kWmQuit, 5);
    sim::messages().post(0x0400, 7);
    const std::uint32_t start = now();
    EXPECT_EQ(kbp::classdrv_send_byte(0x30), 1);
    // The quit outranks the timer message, so the tick count ends each wait.
    EXPECT_GE(now() - start, 3 * 1500u);
    EXPECT_EQ(sim::messages().quit, 5);
    ASSERT_EQ(sim::messages().posted.size(), 1u);
    EXPECT_EQ(sim::messages().posted[0].wparam, 7u);
}

TEST_F(ClassDriverTest, TheByteChannelCarriesEveryByteUnchanged) {
    kbp_set_interface(kbp::kClassDriver);
    EXPECT_EQ(kbp_snd_interface(0xEC), 0);  // no tunnel mode byte on this path
    EXPECT_EQ(kbp_snd_interface(0x1F4), 0);
    EXPECT_EQ(driver().sent, (Bytes{0xEC, 0xF4}));
    EXPECT_EQ(kbp::led_tunnel_state.ec_mode, 0u);
    keyboard.answer_mode = kbdsim::AnswerMode::resend;
    EXPECT_EQ(kbp_snd_interface(0x00), 1);
}

// ---------------------------------------------------------------------------
// The echo check

class EchoCheck : public ClassDriverTest {
protected:
    EchoCheck() { kbp::status_state.current_status = status; }
    char status[64] = "untouched";
};

TEST_F(EchoCheck, AnEchoEndsTheCheckAndLeavesTheTimerRunning) {
    EXPECT_EQ(kbp::classdrv_echo_check(), 0xEE);
    EXPECT_STREQ(status, "untouched");
    EXPECT_EQ(driver().sent, (Bytes{0xEE}));
    EXPECT_NE(kbp::timer_state.pending_timer, 0u);
    ASSERT_EQ(sim::messages().timers.size(), 1u);
    EXPECT_EQ(sim::messages().timers[0].interval_ms, 1500u);
    // No capture, release or clear.
    EXPECT_EQ(driver().count(Driver::kCapture) + driver().count(Driver::kRelease) + driver().count(Driver::kClear),
              0u);

    // The next send replaces the leftover timer rather than running beside it.
    EXPECT_EQ(kbp::classdrv_send_byte(0x30), 0);
    expect_no_timer_running();
}

TEST_F(EchoCheck, OtherBytesAreDroppedWhileWaitingForTheEcho) {
    keyboard.scripted_replies = {{true, kbdsim::kAck}};
    driver().held = {0x1C};
    EXPECT_EQ(kbp::classdrv_echo_check(), 0);  // the keyboard said 0xFA, not 0xEE
    driver().held = {0x1C, 0xEE};
    EXPECT_EQ(kbp::classdrv_echo_check(), 0xEE);
}

TEST_F(EchoCheck, NoEchoFailsAfterOneTimeoutWithTheMessage) {
    keyboard.answers_echo = false;
    const std::uint32_t start = now();
    EXPECT_EQ(kbp::classdrv_echo_check(), 0);
    EXPECT_GE(now() - start, 1500u);
    EXPECT_LE(now() - start, 1500u + 10);
    EXPECT_STREQ(status, "EE check failed / NT");
    expect_no_timer_running();
}

TEST_F(EchoCheck, ATimerThatCannotStartFailsTheCheckAtOnce) {
    sim::faults().fail(sim::Call::set_timer);
    const std::uint32_t start = now();
    EXPECT_EQ(kbp::classdrv_echo_check(), 0);
    EXPECT_LT(now() - start, 10u);
    EXPECT_STREQ(status, "EE check failed / NT");
}

TEST_F(EchoCheck, AnEarlierTimerIsKilledBeforeTheCheckStartsItsOwn) {
    kbp::timer_state.pending_timer = platform::set_timer(100, kbp::timeout_timer_proc);
    keyboard.answers_echo = false;
    const std::uint32_t start = now();
    EXPECT_EQ(kbp::classdrv_echo_check(), 0);
    // The earlier, shorter timer did not cut the check short.
    EXPECT_GE(now() - start, 1500u);
    expect_no_timer_running();
}

// ---------------------------------------------------------------------------
// The timer procedure

TEST_F(ClassDriverTest, TimeoutTimerProcEndsThePendingTimer) {
    kbp::timer_state.pending_timer = platform::set_timer(kbp::kKeyboardReplyTimeoutMs, kbp::timeout_timer_proc);
    TimeoutTimerProc(nullptr, platform::kWmTimer, 0, 0);
    expect_no_timer_running();
    TimeoutTimerProc(nullptr, 0, 0, 0);  // nothing running: nothing to do
    EXPECT_EQ(sim::messages().timers_killed, 1u);
}

}  // namespace
