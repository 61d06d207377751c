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

// Each result with the texts it may leave, and the causes each text may come with.
using Causes = std::set<int>;
using Outcomes = std::map<int, std::map<std::string, Causes>>;

const Outcomes& download_outcomes() {
    const Causes set_up = {KBP_CAUSE_COM_NOT_SET_UP};
    static const Outcomes o = {
        {302, {{" 302 bytes sent", {KBP_CAUSE_NONE}}}},
        {-2,
         {{"unable to open COM1", {KBP_CAUSE_COM_NOT_OPENED}}, {"unable to config COM1:9600,N,8,1", set_up},
          {" can\xB4t set com state ", set_up}, {" can\xB4t setup buffer size ", set_up},
          {" can\xB4t get timeout ", set_up}, {" can\xB4t setup timeout ", set_up},
          {" error clear transmit buffer ", set_up}, {" error clear receive buffer ", set_up}}},
        // A block not taken, or a closing that failed on its own.
        {-4, {{"can\xB4t close com-Port ", {KBP_CAUSE_BLOCK_NOT_TAKEN, KBP_CAUSE_COM_NOT_CLOSED}}}},
        {-5,
         {{"download check failed", {KBP_CAUSE_OPENING_CHECK, KBP_CAUSE_CAPTURE_LIBRARY}},
          {"download not possible ", {KBP_CAUSE_BLOCK_NOT_TAKEN}},
          {"KBPUSB.DLL not found ", {KBP_CAUSE_USB_LIBRARY}}}},
        {-6, {{"not a valid kbp fileformat", {KBP_CAUSE_NOT_AN_IMAGE}}}},
        {-7, {{"kbp-file not found", {KBP_CAUSE_FILE_NOT_OPENED}}}},
    };
    return o;
}

Outcomes upload_outcomes(const TransferRig& rig, Path path) {
    return {{kUploadEnd, {{TransferRig::port_text_of(path), {KBP_CAUSE_NONE}}}},
            {0,
             {{"Upload Error.\n", {KBP_CAUSE_NO_ANSWER, KBP_CAUSE_CAPTURE_LIBRARY}},
              {"KBPUSB.DLL not found ", {KBP_CAUSE_USB_LIBRARY}},
              {"File '" + rig.upload_file + "' creation failed.\n", {KBP_CAUSE_FILE_NOT_CREATED}},
              {"Can't write into file '" + rig.upload_file + "'.\n", {KBP_CAUSE_FILE_NOT_WRITTEN}}}}};
}

kbp_last_transfer last_transfer() {
    kbp_last_transfer last;
    kbp_get_last_transfer(&last);
    return last;
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
    EXPECT_STREQ(last_transfer().line_settings, s.path == Path::serial ? "9600,N,8,1" : "");
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
            ASSERT_TRUE(outcomes.at(result).contains(rig.status)) << result << " '" << rig.status << "'";
            const kbp_last_transfer last = last_transfer();
            EXPECT_TRUE(outcomes.at(result).at(rig.status).contains(last.cause)) << rig.status << " " << last.cause;
            // What a download tells of the blocks taken agrees with its result.
            if (!s.upload) {
                EXPECT_EQ(last.bytes_sent == 298, succeeded(result) || last.cause == KBP_CAUSE_COM_NOT_CLOSED);
            }

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
