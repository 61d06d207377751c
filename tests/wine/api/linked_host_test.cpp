// A host program that links both DLLs through their import libraries and
// calls them through the C headers, as a configuration program is built.
#include <gtest/gtest.h>

extern "C" void linked_host_calls(int results[8]);

TEST(LinkedHost, CallsEveryDllThroughTheHeadersAndImportLibraries) {
    int results[8] = {};
    linked_host_calls(results);
    EXPECT_EQ(results[0], 0);     // nothing chosen at load
    EXPECT_EQ(results[1], 0);
    EXPECT_EQ(results[2], 4);
    EXPECT_EQ(results[3], 1);     // outside 0..4
    EXPECT_EQ(results[4], 0xFF);  // no class driver under Wine
    EXPECT_EQ(results[5], 0);
    EXPECT_EQ(results[6], 1);     // no keyboard among Wine's HID devices
    EXPECT_EQ(results[7], 1);
}
