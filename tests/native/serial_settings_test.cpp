#include <gtest/gtest.h>

#include <cstring>
#include <string>

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

}  // namespace
