// What would leave a keyboard with a wrong image is refused before anything is
// sent: a cut image, a file new would replace, options naming two paths, line
// settings the library would not take, numbers read as octal.
#include "kbptool_fixture.h"

namespace {

TEST_F(Kbptool, WhatWouldLeaveAWrongImageIsRefusedBeforeAnythingIsSent) {
    ASSERT_EQ(run("new --end 1023 full.kbp"), 0);
    ASSERT_EQ(run("new --end 4095 precious.kbp"), 0);
    write("cut.kbp", read("full.kbp").substr(0, 512));
    write("long.kbp", read("full.kbp") + std::string(100, '\x55'));
    struct Case {
        const char* arguments;
        int exit_code;
        const char* text;
        const char* untouched;  // a file the command must leave as it was (state.bin: nothing sent)
    } cases[] = {
        // An image shorter than its end field (bytes 6..7) says; one longer.
        {"download cut.kbp", 16, "the file has 512 bytes but its end field (bytes 6..7) says 1023, which needs 1024", "state.bin"},
        {"verify cut.kbp", 16, "--force sends it as it is", "state.bin"},
        {"info cut.kbp", 1, "a download refuses it without --force", nullptr},
        {"download cut.kbp --force", 0, "sent as it is (--force)", nullptr},
        {"verify long.kbp", 0, "the keyboard ignores the 100 bytes past address 1023", nullptr},
        {"info long.kbp", 0, "ignores the 100 bytes past address 1023", nullptr},
        // new replaces a file only when told to.
        {"new --end 1023 precious.kbp", 4, "precious.kbp exists and is left as it was", "precious.kbp"},
        {"new --end 1023 precious.kbp --force", 0, "precious.kbp: a 1024-byte image", nullptr},
        // Options that name two paths.
        {"download full.kbp --usb --port COM1", 2, "--usb and --port COM1 name two different paths", "state.bin"},
        {"download full.kbp --usb --port AT", 2, "USB and the path the interface choice makes", "state.bin"},
        {"download full.kbp --interface ports --usb", 2, "the controller ports and USB", "state.bin"},
        {"download full.kbp --interface class --port USB", 2, "the keyboard class driver and USB", "state.bin"},
        {"verify full.kbp --interface usb --port COM1:9600,N,8,1", 2, "which no interface kind names", "state.bin"},
        {"upload up.kbp --interface portdriver --usb", 2, "the keyboard port driver and USB", "state.bin"},
        {"download full.kbp --interface ports --port AT --no-verify", 0, "over the controller ports", nullptr},
        // Line settings the library would search instead of taking them, or take otherwise.
        {"download full.kbp --port COM1:abc", 2, "\"abc\" does not begin with the rate", "state.bin"},
        {"download full.kbp --port COM1:115200,N,8,1", 2, "the rate 115200 is not one the library sets (300..99900", "state.bin"},
        {"download full.kbp --port COM1:9600,X,8,1", 2, "the parity X is not N, O or E", "state.bin"},
        {"download full.kbp --port COM1:9600,N,8,2", 2, "the stop bits 2", "state.bin"},
        {"download full.kbp --port 'COM 1:9600,N,8,1'", 2, "only right after \"COM1:\"", "state.bin"},
        // Numbers: decimal unless 0x, ranges named.
        {"send 020 --json", 0, "\"sent\": [\"0x14\"]", nullptr},
        {"send 0x10 0x1G", 2, "\"0x1G\" is not a number", nullptr},
        {"send -1", 2, "\"-1\" is outside 0..255", nullptr},
        {"interface 0256", 2, "\"0256\" is outside 0..255", nullptr},
        {"new --end 01023 decimal.kbp", 0, "a 1024-byte image", nullptr},
        {"new --end -5 negative.kbp", 2, "\"-5\" is outside 301..65535", nullptr},
        {"download full.kbp --sim-state blank.bin --fault bad-cell=0100", 30, "first difference at address 0x0064", nullptr},
        {"download full.kbp --fault unplug-at=0", 2, "\"0\" is not 1 or more", "state.bin"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const bool existed = c.untouched != nullptr && exists(c.untouched);
        const std::string before = c.untouched != nullptr ? read(c.untouched) : "";
        EXPECT_EQ(run(c.arguments), c.exit_code) << output();
        EXPECT_NE(output().find(c.text), std::string::npos) << output();
        if (c.untouched == nullptr) continue;
        EXPECT_EQ(exists(c.untouched), existed);
        EXPECT_EQ(read(c.untouched), before);
    }
}

}  // namespace
