#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "include/kbpi32.h"
#include "kbpi32/channel/serial_settings.h"

namespace {

using kbp::LineSettings;
using kbp::parse_line_settings;

struct Accepted {
    const char* text;
    std::uint32_t rate;
    std::uint8_t parity;
    std::uint8_t data_bits;
};

TEST(LineSettingsText, ReadsRateParityAndDataBits) {
    const Accepted cases[] = {
        {"9600,N,8,1", 9600, 0, 8},  {"9600,e,7", 9600, 2, 7},   {"300,o,8", 300, 1, 8},
        {"99900,E,8,1", 99900, 2, 8}, {"00300,N,8", 300, 0, 8},  {"1200;N;7", 1200, 0, 7},
        {"2400,O8", 2400, 1, 8},     {"2400,O, 7", 2400, 1, 7}, {"2400,OX8,2", 2400, 1, 8},
        {"4800,N,08", 4800, 0, 8},
    };
    for (const Accepted& c : cases) {
        LineSettings s;
        ASSERT_TRUE(parse_line_settings(c.text, s)) << c.text;
        EXPECT_EQ(s.rate, c.rate) << c.text;
        EXPECT_EQ(s.parity, c.parity) << c.text;
        EXPECT_EQ(s.data_bits, c.data_bits) << c.text;
    }
}

TEST(LineSettingsText, RefusesBadSettingsWithoutReadingPastTheText) {
    const char* bad[] = {
        "115200,N,8,1", "000300,N,8", "1000,N,8,1", "0,N,8",   "150,N,8",   " 9600,N,8", "9600,N,6,1",
        "9600,N,9",     "9600,N,78",  "9600,X,8",   "9600,,N,8", "9600",    "9600,",     "9600,N",
        "9600,N,",      "9600,N,x",   "",           "N,8",
    };
    for (const char* text : bad) {
        // An exact-size copy lets the sanitizer see any read past the end.
        std::string copy(text);
        LineSettings s{1, 1, 1};
        EXPECT_FALSE(parse_line_settings(copy.c_str(), s)) << text;
        EXPECT_EQ(s.rate, 1u) << text;
    }
    LineSettings s;
    EXPECT_FALSE(parse_line_settings(nullptr, s));
}

TEST(LineSettingsText, EveryProbeEntryIsGoodAndTheTableEndsEmpty) {
    int entries = 0;
    for (; kbp::kComProbeTable[entries][0] != '\0'; ++entries) {
        LineSettings s;
        EXPECT_TRUE(parse_line_settings(kbp::kComProbeTable[entries], s)) << entries;
        EXPECT_EQ(s.data_bits, 8);
    }
    EXPECT_EQ(entries, 24);
    EXPECT_STREQ(kbp::kComProbeTable[0], "9600,E,8,1");
    EXPECT_STREQ(kbp::kComProbeTable[7], "2400,O,8,1");
    EXPECT_STREQ(kbp::kComProbeTable[23], "300,N,8,1");
}

// What a host is told of a port text before it hands it to kbp_download.
TEST(PortText, IsReadAsTheDownloadReadsIt) {
    struct Case {
        const char* text;
        int path;
        int problem;
        const char* port;
        const char* settings;
        unsigned rate;
        const char* reason;  // a part of it
    } cases[] = {
        {"", KBP_PORT_CHOSEN, KBP_PORT_AS_WRITTEN, "", "", 0, ""},
        {"AT", KBP_PORT_CHOSEN, KBP_PORT_AS_WRITTEN, "", "", 0, ""},
        {"USB", KBP_PORT_USB, KBP_PORT_AS_WRITTEN, "", "", 0, ""},
        {"LPT1", KBP_PORT_NONE, KBP_PORT_AS_WRITTEN, "", "", 0, ""},
        {"COM5", KBP_PORT_SERIAL, KBP_PORT_AS_WRITTEN, "COM5", "", 0, ""},
        {"COM5:", KBP_PORT_SERIAL, KBP_PORT_AS_WRITTEN, "COM5", "", 0, ""},
        {"COM 3", KBP_PORT_SERIAL, KBP_PORT_AS_WRITTEN, "COM3", "", 0, ""},
        {"COM5:9600,e,7", KBP_PORT_SERIAL, KBP_PORT_AS_WRITTEN, "COM5", "9600,e,7", 9600, ""},
        {"COM1:2400,O,8,1", KBP_PORT_SERIAL, KBP_PORT_AS_WRITTEN, "COM1", "2400,O,8,1", 2400, ""},
        {"COM12:9600,N,8,1", KBP_PORT_SERIAL, KBP_PORT_COM_NUMBER, "COM12", "9600,N,8,1", 0, "only COM1..COM9"},
        {"COM 1:9600,N,8,1", KBP_PORT_SERIAL, KBP_PORT_SETTINGS, "COM1", "9600,N,8,1", 0,
         "only right after \"COM1:\" (no blank)"},
        {"COM1:abc", KBP_PORT_SERIAL, KBP_PORT_SETTINGS, "COM1", "abc", 0,
         "\"abc\" does not begin with the rate, so the library would search the line settings"},
        {"COM1:115200,N,8,1", KBP_PORT_SERIAL, KBP_PORT_SETTINGS, "COM1", "115200,N,8,1", 0,
         "the rate 115200 is not one the library sets (300..99900 in steps of 300)"},
        {"COM1:9600,X,8,1", KBP_PORT_SERIAL, KBP_PORT_SETTINGS, "COM1", "9600,X,8,1", 0, "the parity X is not N, O or E"},
        {"COM1:9600", KBP_PORT_SERIAL, KBP_PORT_SETTINGS, "COM1", "9600", 0, "no parity after the rate"},
        {"COM1:9600,N,", KBP_PORT_SERIAL, KBP_PORT_SETTINGS, "COM1", "9600,N,", 0, "no data bits after 9600,N"},
        {"COM1:9600,N,6,1", KBP_PORT_SERIAL, KBP_PORT_SETTINGS, "COM1", "9600,N,6,1", 0, "the data bits after 9600,N"},
        {"COM1:9600,N,8,2", KBP_PORT_SERIAL, KBP_PORT_SETTINGS, "COM1", "9600,N,8,2", 9600,
         "the stop bits 2: the library always sets 1 stop bit"},
        {"COM1:9600,N,8,", KBP_PORT_SERIAL, KBP_PORT_SETTINGS, "COM1", "9600,N,8,", 9600,
         "\",\" after the data bits is not the stop bits"},
        {"COM1:9600,N,8,1 x", KBP_PORT_SERIAL, KBP_PORT_SETTINGS, "COM1", "9600,N,8,1 x", 9600, "\" x\" after the stop bits"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::string text(c.text);  // exact size: the sanitizer sees any read past it
        kbp_port_text port;
        ASSERT_EQ(kbp_read_port_text(text.c_str(), &port), 0);
        EXPECT_EQ(port.path, c.path);
        EXPECT_EQ(port.problem, c.problem);
        EXPECT_STREQ(port.port, c.port);
        EXPECT_STREQ(port.settings, c.settings);
        EXPECT_EQ(port.line_rate, c.rate);
        EXPECT_NE(std::string(port.reason).find(c.reason), std::string::npos) << port.reason;
        EXPECT_EQ(port.problem == KBP_PORT_SETTINGS, std::string(port.hint).starts_with("write them as 9600,N,8,1"));
    }
    kbp_port_text port;
    EXPECT_EQ(kbp_read_port_text(nullptr, &port), 1);
    EXPECT_EQ(kbp_read_port_text("USB", nullptr), 1);
}

}  // namespace
