// A long seeded run of downloads, uploads, interface changes and single bytes
// over random paths with random faults. After each step the keyboard memory
// and the files are what they must be; at the end nothing is left open.
// Longer by hand: KBP_MIXED_STEPS=100000 KBP_MIXED_SEED=7 kbp_native_tests --gtest_filter=MixedRun.*
#include <cstdlib>
#include <random>

#include "kbpi32/channel/serial_port.h"
#include "transfer_rig.h"

namespace {

using kbp_test::TransferRig;
using sim::Call;

unsigned from_environment(const char* name, unsigned fallback) {
    const char* value = std::getenv(name);
    return value != nullptr ? static_cast<unsigned>(std::strtoul(value, nullptr, 10)) : fallback;
}

// The calls the simulated PC can refuse.
const Call kFailable[] = {Call::get_version,  Call::open_device,    Call::close_handle,  Call::device_control,
                          Call::write_file,   Call::read_file,      Call::file_open,     Call::file_read,
                          Call::file_write,   Call::file_seek,      Call::file_tell,     Call::file_close,
                          Call::get_comm_state, Call::set_comm_state, Call::setup_comm, Call::get_comm_timeouts,
                          Call::set_comm_timeouts, Call::purge_comm, Call::load_library, Call::find_symbol,
                          Call::set_timer,    Call::kill_timer,     Call::get_message,   Call::peek_message,
                          Call::peek_timer_message, Call::message_box, Call::get_class_devices,
                          Call::enum_device_interfaces, Call::get_device_interface_detail,
                          Call::destroy_device_info_list, Call::hid_get_attributes, Call::hid_get_preparsed_data,
                          Call::hid_get_caps, Call::hid_free_preparsed_data};

const char* const kPortTexts[] = {"", "", "USB", "AT", "COM1:9600,N,8,1", "COM1"};

class MixedRun : public ::testing::Test {
protected:
    MixedRun() : rig("mixed"), rng(from_environment("KBP_MIXED_SEED", 1)) { prepare_step(); }

    void prepare_step() {
        sim::faults() = sim::Faults{};
        sim::faults().record = false;
        sim::message_boxes().answers.assign(20, platform::kIdCancel);
        sim::message_boxes().shown.clear();
        rig.clear_what_faults_left();
        sim::hid().sets.clear();
        sim::hid().sets_made = sim::hid().sets_destroyed = 0;
        sim::hid().preparsed.clear();
        sim::hid().preparsed_taken = sim::hid().preparsed_freed = 0;
    }
    unsigned below(unsigned n) { return std::uniform_int_distribution<unsigned>(0, n - 1)(rng); }
    void maybe_fault() {
        if (below(2) == 0) sim::faults().fail_once(kFailable[below(std::size(kFailable))], below(120));
    }

    void download() {
        const auto image = rig.write_image(302 + below(1200), below(1000));
        const char* text = kPortTexts[below(std::size(kPortTexts))];
        std::snprintf(rig.status, sizeof rig.status, "%s", text);
        maybe_fault();
        const int result = kbp_download(rig.image_file.c_str(), rig.status, nullptr);
        if (result > 0) {
            EXPECT_EQ(result, int(image.size()));
            EXPECT_TRUE(rig.memory_holds(image));
            ++downloads;
        } else {
            EXPECT_GE(result, -7);
        }
    }

    void upload() {
        const TransferRig::Bytes before = rig.uploaded();
        const bool existed = rig.uploaded_exists();
        std::snprintf(rig.status, sizeof rig.status, "%s", below(4) == 0 ? "USB" : "");
        maybe_fault();
        const int result = kbp_upload(rig.upload_file.c_str(), rig.status, nullptr);
        if (result > 0) {
            EXPECT_EQ(rig.uploaded(), rig.expected_upload(result));
            ++uploads;
        } else {
            // Whatever failed, the file is as it was and nothing stands beside it.
            EXPECT_EQ(rig.uploaded_exists(), existed);
            EXPECT_EQ(rig.uploaded(), before);
            EXPECT_EQ(rig.files_in_folder(), existed ? 2u : 1u);
        }
    }

    void step() {
        switch (below(10)) {
        case 0: kbp_set_interface(static_cast<int>(below(6))); break;
        case 1: maybe_fault(), kbp_snd_interface(static_cast<int>(below(256))); break;
        case 2: case 3: case 4: case 5: download(); break;
        default: upload(); break;
        }
        EXPECT_EQ(kbp::timer_state.pending_timer, 0u);
        EXPECT_TRUE(sim::image_files().open.empty());
        EXPECT_EQ(kbp::interface_state.use_serial, 0u);
        EXPECT_FALSE(sim::devices().is_open(&sim::com_port(1)));
    }

    TransferRig rig;
    std::mt19937 rng;
    unsigned downloads = 0;
    unsigned uploads = 0;
};

TEST_F(MixedRun, TransfersWithRandomFaultsKeepMemoryAndFilesRightAndLeakNothing) {
    // Keystrokes of the keyboard are only ever answers to reads.
    rig.keyboard.memory[6] = 0;
    rig.keyboard.memory[7] = 200;
    const unsigned steps = from_environment("KBP_MIXED_STEPS", 2000);
    for (unsigned i = 0; i < steps && !HasFailure(); ++i) {
        SCOPED_TRACE(::testing::Message() << "step " << i);
        step();
        prepare_step();
    }
    // Most transfers went through despite the faults.
    EXPECT_GT(downloads, steps / 10);
    EXPECT_GT(uploads, steps / 10);
    EXPECT_LE(sim::devices().open_count(), 1u);  // kbpusb's keyboard, open for the process
    EXPECT_TRUE(sim::messages().timers.empty());
    EXPECT_EQ(sim::devices().stale_handle_uses, 0u);
}

}  // namespace
