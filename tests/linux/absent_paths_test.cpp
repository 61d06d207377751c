// What Linux does not have fails as on a Windows PC without it: no port
// access, no keyboard drivers, a COM number no device stands for; and the
// library's message boxes go to the host's prompt.
#include <vector>

#include "include/kbpi32.h"
#include "kbpi32/api/library_state.h"
#include "linux_test.h"
#include "platform/platform.h"

namespace kbp_test {
namespace {

using AbsentPaths = LinuxBackend;

TEST_F(AbsentPaths, ThePathsLinuxHasNotFailSafely) {
    kbp::reset_library_state();
    EXPECT_FALSE(platform::port_io_permitted());
    for (int kind : {KBP_INTERFACE_PORTS, KBP_INTERFACE_CLASS_DRIVER, KBP_INTERFACE_PORT_DRIVER}) {
        SCOPED_TRACE(kind);
        ASSERT_EQ(kbp_set_interface(kind), 0);
        EXPECT_NE(kbp_snd_interface(0xF4), 0);
    }
    EXPECT_EQ(vdd_translate_on(), -1);
    EXPECT_EQ(vdd_EF_get(), 0xFF);
    EXPECT_EQ(platform::open_device("\\\\.\\KelmKbpDrv", platform::kGenericRead, 0), platform::invalid_handle());
    // COM3 stands for no device.
    write(root / "image.kbp", "Kelm" + std::string(298, '\0'));
    char status[256] = "COM3:9600,N,8,1";
    EXPECT_EQ(kbp_download((root / "image.kbp").c_str(), status, nullptr), -2);
}

TEST_F(AbsentPaths, AMessageBoxIsTheHostsPromptOrOkAndCancelByItself) {
    EXPECT_EQ(platform::message_box("note", "", 0), platform::kIdOk);
    EXPECT_EQ(platform::message_box("again?", "", platform::kMbOkCancel), platform::kIdCancel);
    std::vector<std::string> asked;
    platform::linux_backend::host_settings().prompt = [&](const char* text, const char* caption, bool offers_cancel) {
        asked.push_back(std::string(text) + "|" + caption + (offers_cancel ? "|cancel" : ""));
        return offers_cancel;
    };
    EXPECT_EQ(platform::message_box("again?", "UPLOAD ERROR", platform::kMbOkCancel), platform::kIdOk);
    EXPECT_EQ(platform::message_box("note", "", 0), platform::kIdCancel);
    EXPECT_EQ(asked, (std::vector<std::string>{"again?|UPLOAD ERROR|cancel", "note|"}));
}

}  // namespace
}  // namespace kbp_test
