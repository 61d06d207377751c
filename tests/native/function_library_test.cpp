#include "kbpi32/common/pending_timer.h"
#include "kbpi32/upload/function_library.h"
#include "kbpi32/upload/read_transaction.h"
#include "upload_test.h"

namespace {

using Shown = std::vector<std::pair<std::string, std::string>>;

class FunctionLibraryBinding : public UploadTest {
protected:
    FunctionLibraryBinding() {
        keyboard_on_controller();
        kbp_set_interface(1);
        image_in_keyboard(20);
    }
    static void without(const char* name) { sim::libraries().installed.back().symbols.erase(name); }
    static Shown boxes() {
        Shown shown;
        for (const auto& box : sim::message_boxes().shown) {
            EXPECT_EQ(box.type, 1u);  // OK and Cancel
            shown.push_back({box.text, box.caption});
        }
        return shown;
    }
    static unsigned load_attempts() { return sim::libraries().attempts("KBPFUNC.DLL"); }
};

TEST_F(FunctionLibraryBinding, TheFirstBindingSetsTheLibraryUpOnceAndEveryReleaseCloses) {
    EXPECT_EQ(upload(), 20);
    EXPECT_EQ(upload(), 20);
    EXPECT_EQ(load_attempts(), 1u);
    EXPECT_EQ(sim::faults().uses(sim::Call::find_symbol), 47u);  // the second binding looks nothing up
    EXPECT_EQ(sim::capture_library_calls().opens, 1u);
    EXPECT_EQ(sim::capture_library_calls().languages, (std::vector<int>{1}));
    ASSERT_EQ(sim::capture_library_calls().callbacks_registered.size(), 1u);
    EXPECT_EQ(reinterpret_cast<void*>(sim::capture_library_calls().callbacks_registered[0]),
              reinterpret_cast<void*>(&kbp::capture_complete));
    EXPECT_EQ(sim::capture_library_calls().closes, 2u);
    EXPECT_TRUE(boxes().empty());
}

TEST_F(FunctionLibraryBinding, AMissingLibraryIsShownAndTriedAgainAtTheNextUpload) {
    sim::libraries().remove("KBPFUNC.DLL");
    EXPECT_EQ(upload(), 0);
    EXPECT_STREQ(status, "Upload Error.\n");
    EXPECT_EQ(progress, (std::vector<int>{0, 0}));
    EXPECT_EQ(boxes(), (Shown{{"Unable to load KBPFUNC.DLL ", "Error"}}));
    EXPECT_FALSE(file_exists());

    EXPECT_EQ(upload(), 0);
    EXPECT_EQ(load_attempts(), 2u);
    sim::install_function_library();
    EXPECT_EQ(upload(), 20);
}

TEST_F(FunctionLibraryBinding, AMissingNameAnsweredOkFailsTheBindingAndIsAskedForAgain) {
    without("kbp_beep");
    sim::message_boxes().answers = {platform::kIdOk, platform::kIdCancel};
    EXPECT_EQ(upload(), 0);
    EXPECT_STREQ(status, "Upload Error.\n");
    EXPECT_EQ(boxes(), (Shown{{"Unable to get function kbp_beep", "   Error     "},
                              {"Function load_kbpi32 failed ", "Error"}}));
    EXPECT_EQ(sim::capture_library_calls().opens, 0u);
    EXPECT_TRUE(sim::capture_library_calls().arms.empty());

    // The library stays loaded; the next binding resolves its names again and
    // tells the user again.
    sim::message_boxes().shown.clear();
    EXPECT_EQ(upload(), 0);
    EXPECT_EQ(boxes().size(), 2u);
    EXPECT_EQ(load_attempts(), 1u);
}

TEST_F(FunctionLibraryBinding, CancelSkipsAMissingNameAndAnEmptySlotIsNeverCalled) {
    without("kbp_beep");
    without("kbp_capture_data");
    sim::message_boxes().answers = {platform::kIdCancel, platform::kIdCancel};
    EXPECT_EQ(kbp::bind_function_library(), 0);
    EXPECT_EQ(boxes(), (Shown{{"Unable to get function kbp_beep", "   Error     "},
                              {"Unable to get function kbp_capture_data", "   Error     "}}));
    EXPECT_EQ(sim::capture_library_calls().opens, 1u);
    // Without its arming routine no read can be armed: nothing is sent.
    EXPECT_EQ(kbp::read_block(0, 2), 1);
    EXPECT_EQ(keyboard.read_requests, 0u);
    kbp::release_function_library();
    EXPECT_EQ(sim::capture_library_calls().closes, 1u);
}

int callbacks = 0;
int KBP_STDCALL count_callback(int count) { return ++callbacks, count; }

// A capture armed again before its completion was dispatched: that completion calls nobody back.
TEST_F(FunctionLibraryBinding, OnlyTheCompletionOfTheLatestArmingCallsBack) {
    const platform::windows_model::Symbols library = platform::windows_model::capture_library_symbols();
    const auto arm = reinterpret_cast<int(KBP_STDCALL*)(int, int, int)>(library.at("kbp_capture_data"));
    reinterpret_cast<int(KBP_STDCALL*)(int(KBP_STDCALL*)(int))>(library.at("kbp_callback_data_capture"))(count_callback);
    for (const bool armed_again : {true, false}) {
        SCOPED_TRACE(armed_again);
        callbacks = 0;
        ASSERT_EQ(arm(2, 1, 300), 0);
        keyboard.typed = {0x02, 0x03};
        platform::Message completion{};
        ASSERT_TRUE(platform::peek_message(completion));
        if (armed_again) ASSERT_EQ(arm(2, 1, 300), 0);
        platform::dispatch_message(completion);
        EXPECT_EQ(callbacks, armed_again ? 0 : 1);
    }
}

TEST_F(FunctionLibraryBinding, AReleaseEndsThePendingTimer) {
    EXPECT_EQ(kbp::bind_function_library(), 0);
    kbp::timer_state.pending_timer = platform::set_timer(500, kbp::upload_timer_proc);
    kbp::release_function_library();
    EXPECT_EQ(kbp::timer_state.pending_timer, 0u);
    EXPECT_TRUE(sim::messages().timers.empty());
}

TEST_F(FunctionLibraryBinding, UploadTimerProcEndsThePendingTimer) {
    kbp::timer_state.pending_timer = platform::set_timer(500, kbp::upload_timer_proc);
    UploadTimerProc(nullptr, platform::kWmTimer, 0, 0);
    EXPECT_EQ(kbp::timer_state.pending_timer, 0u);
    EXPECT_TRUE(sim::messages().timers.empty());
}

}  // namespace
