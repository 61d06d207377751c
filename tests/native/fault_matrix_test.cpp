// Every OS call a whole download or upload makes, failed in turn at its uses:
// the transfer ends with one of its documented results and texts, leaves
// nothing behind, and the next transfer succeeds once the fault is gone.
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>

#include "transfer_rig.h"

namespace {

using kbp_test::Path;
using kbp_test::TransferRig;
using sim::Call;

constexpr int kUploadEnd = 40;
const kbp_test::TransferRig::Bytes kOlderImage = {'a', 'n', ' ', 'o', 'l', 'd', 'e', 'r', ' ', 'i', 'm', 'a', 'g', 'e'};

struct Scenario {
    const char* name;
    bool upload;
    Path path;
};

void PrintTo(const Scenario& s, std::ostream* os) { *os << s.name; }

// The calls Windows never fails; the simulated PC only records them.
const std::set<Call> kNeverFail = {Call::tick_count,        Call::port_io_permitted, Call::port_read,
                                   Call::port_write,        Call::translate_message, Call::dispatch_message,
                                   Call::hid_get_guid};

using Outcomes = std::map<int, std::set<std::string>>;

const Outcomes& download_outcomes() {
    static const Outcomes o = {
        {302, {" 302 bytes sent"}},
        {-2,
         {"unable to open COM1", "unable to config COM1:9600,N,8,1", " can\xB4t set com state ",
          " can\xB4t setup buffer size ", " can\xB4t get timeout ", " can\xB4t setup timeout ",
          " error clear transmit buffer ", " error clear receive buffer "}},
        {-4, {"can\xB4t close com-Port "}},
        {-5, {"download check failed", "download not possible ", "KBPUSB.DLL not found "}},
        {-6, {"not a valid kbp fileformat"}},
        {-7, {"kbp-file not found"}},
    };
    return o;
}

Outcomes upload_outcomes(const TransferRig& rig, Path path) {
    return {{kUploadEnd, {TransferRig::port_text_of(path)}},
            {0,
             {"Upload Error.\n", "KBPUSB.DLL not found ", "File '" + rig.upload_file + "' creation failed.\n",
              "Can't write into file '" + rig.upload_file + "'.\n"}}};
}

// Every use while there are few; else the first twenty, an even spread and the
// last (every use with KBP_FAULT_MATRIX_ALL=1, by hand: minutes).
std::vector<unsigned> uses_to_fail(unsigned uses) {
    static const bool all = std::getenv("KBP_FAULT_MATRIX_ALL") != nullptr;
    std::vector<unsigned> at;
    for (unsigned n = 0; n < uses; ++n)
        if (all || uses <= 40 || n < 20 || n + 1 == uses || n % (uses / 20) == 0) at.push_back(n);
    return at;
}

class FaultMatrix : public ::testing::TestWithParam<Scenario> {
protected:
    FaultMatrix() : rig(GetParam().name) {}

    int run() {
        const Scenario& s = GetParam();
        if (s.upload) return rig.upload(s.path);
        rig.keyboard.memory.fill(0);
        return rig.download(s.path);
    }
    void prepare(Call failing = Call::count_) {
        rig.fresh();
        // A user who gives up when the upload keeps failing, and who stops at
        // a name the capture library lacks rather than going on without it.
        const int answer = failing == Call::find_symbol ? platform::kIdOk : platform::kIdCancel;
        sim::message_boxes().answers.assign(100, answer);
        std::ofstream(rig.upload_file, std::ios::binary) << "an older image";
        if (GetParam().upload) {
            rig.keyboard.memory[6] = 0;
            rig.keyboard.memory[7] = kUploadEnd;
        }
    }
    bool succeeded(int result) const { return result == (GetParam().upload ? kUploadEnd : 302); }

    TransferRig rig;
    TransferRig::Bytes image;
};

TEST_P(FaultMatrix, EveryCallFailingAtEachUseEndsCleanly) {
    const Scenario& s = GetParam();
    image = rig.write_image(302, 7);
    prepare();
    sim::faults().record = true;
    ASSERT_TRUE(succeeded(run())) << rig.status;
    std::map<Call, unsigned> uses;
    for (int c = 0; c < static_cast<int>(Call::count_); ++c)
        if (const unsigned n = sim::faults().uses(Call(c)); n > 0 && !kNeverFail.contains(Call(c))) uses[Call(c)] = n;
    ASSERT_FALSE(uses.empty());

    const Outcomes outcomes = s.upload ? upload_outcomes(rig, s.path) : download_outcomes();
    unsigned cases = 0;
    for (const auto& [call, count] : uses) {
        for (unsigned n : uses_to_fail(count)) {
            SCOPED_TRACE(::testing::Message() << "call " << int(call) << " failing at use " << n << " of " << count);
            prepare(call);
            sim::faults().fail_once(call, n);
            const int result = run();
            ++cases;
            ASSERT_TRUE(outcomes.contains(result)) << result << " " << rig.status;
            EXPECT_TRUE(outcomes.at(result).contains(rig.status)) << result << " '" << rig.status << "'";

            const bool leaks_by_itself = call == Call::close_handle || call == Call::destroy_device_info_list ||
                                         call == Call::hid_free_preparsed_data || call == Call::kill_timer;
            if (!leaks_by_itself) rig.expect_nothing_left();
            EXPECT_EQ(kbp::timer_state.pending_timer, 0u);
            EXPECT_TRUE(sim::image_files().open.empty());
            // A failed upload leaves the older file as it was, and nothing beside it.
            if (s.upload && !succeeded(result)) EXPECT_EQ(rig.uploaded(), kOlderImage);
            EXPECT_EQ(rig.files_in_folder(), 2u);
            if (s.upload && succeeded(result)) EXPECT_EQ(rig.uploaded(), rig.expected_upload(kUploadEnd));
            if (!s.upload && succeeded(result)) EXPECT_TRUE(rig.memory_holds(image));

            // Once the fault is gone, the next transfer goes through.
            rig.clear_what_faults_left();
            const int next = run();
            ASSERT_TRUE(succeeded(next)) << next << " '" << rig.status << "'";
            if (s.upload) EXPECT_EQ(rig.uploaded(), rig.expected_upload(kUploadEnd));
            else EXPECT_TRUE(rig.memory_holds(image));
            if (HasFatalFailure()) return;
        }
    }
    RecordProperty("cases", static_cast<int>(cases));
}

INSTANTIATE_TEST_SUITE_P(
    Transfers, FaultMatrix,
    ::testing::Values(Scenario{"download_ports", false, Path::ports},
                      Scenario{"download_class_driver", false, Path::class_driver},
                      Scenario{"download_port_driver", false, Path::port_driver},
                      Scenario{"download_usb", false, Path::usb}, Scenario{"download_serial", false, Path::serial},
                      Scenario{"upload_ports", true, Path::ports},
                      Scenario{"upload_class_driver", true, Path::class_driver},
                      Scenario{"upload_port_driver", true, Path::port_driver}, Scenario{"upload_usb", true, Path::usb}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
