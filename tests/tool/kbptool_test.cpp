// kbptool's main job and its exit codes.
#include <regex>

#include "kbptool_fixture.h"

namespace {

TEST_F(Kbptool, AnImageGoesInAndComesBackAcrossInvocations) {
    ASSERT_EQ(run("new --end 1023 sample.kbp"), 0);
    EXPECT_EQ(read("sample.kbp").size(), 1024u);
    EXPECT_EQ(run("info sample.kbp"), 0);
    EXPECT_NE(read("out.txt").find("1023 (0x03FF)"), std::string::npos);
    EXPECT_EQ(run("download sample.kbp"), 0);
    EXPECT_NE(read("err.txt").find("simulated keyboard"), std::string::npos);
    EXPECT_EQ(read("state.bin").size(), 65536u);
    EXPECT_EQ(run("upload back.kbp --usb"), 0);
    EXPECT_EQ(read("back.kbp"), read("sample.kbp"));
    // The estimate of the bytes to come is put right once the upload says where the image ends.
    EXPECT_NE(read("err.txt").find("upload 100%  1024/1024 bytes"), std::string::npos) << read("err.txt");
    EXPECT_EQ(run("verify sample.kbp --usb --json"), 0);
    EXPECT_TRUE(std::regex_match(read("out.txt"),
                                 std::regex(R"(\{"command": "verify", "result": 1023, "text": "[^"\\]*", )"
                                            R"("raw_text": "", "bytes": 1024, "seconds": [0-9]+\.[0-9]{3}, "exit_code": 0, .*\}\n)")))
        << read("out.txt");
}

TEST_F(Kbptool, FailuresExitWithTheirOwnCodes) {
    ASSERT_EQ(run("new --end 1023 sample.kbp"), 0);
    std::ofstream(folder / "short.kbp", std::ios::binary) << read("sample.kbp").substr(0, 301);
    std::ofstream(folder / "huge.kbp", std::ios::binary) << read("sample.kbp");
    fs::resize_file(folder / "huge.kbp", 3'000'000'000);  // sparse: refused from its size, never read
    struct Case {
        const char* arguments;
        int exit_code;
        const char* text;
    } cases[] = {
        {"download short.kbp", 16, "shorter than 302 bytes"},
        {"download missing.kbp", 17, "No such file or directory"},
        {"download sample.kbp --fault no-answer", 15, "download check failed"},
        {"download sample.kbp --port LPT1", 13, "LPT1"},
        {"info short.kbp", 1, "shorter than 302 bytes"},
        {"info huge.kbp", 1, "3000000000 bytes, not a valid image: longer than 65536 bytes"},
        {"download huge.kbp", 16, "longer than 65536 bytes (the file has 3000000000 bytes)"},
        {"new --end 300 x.kbp", 2, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        EXPECT_EQ(run(c.arguments), c.exit_code);
        EXPECT_NE((read("out.txt") + read("err.txt")).find(c.text), std::string::npos) << read("err.txt");
    }
}

TEST_F(Kbptool, AFailedUploadLeavesNoFileBehind) {
    // A keyboard that holds no image: what it gives is no image to write.
    EXPECT_EQ(run("upload blank.kbp"), 20);
    EXPECT_NE(read("err.txt").find("the keyboard holds no image: nothing was written to blank.kbp"), std::string::npos);
    EXPECT_NE(read("err.txt").find("its end field (bytes 6..7) says 0, below 10"), std::string::npos);
    EXPECT_FALSE(exists("blank.kbp"));
    for (const char* fault : {"no-answer", "unplug-at=40"}) {
        SCOPED_TRACE(fault);
        EXPECT_EQ(run(std::string("upload back.kbp --fault ") + fault), 20);
        EXPECT_NE(read("err.txt").find("UPLOAD ERROR"), std::string::npos);
        EXPECT_NE(read("err.txt").find("Upload Error."), std::string::npos);
        EXPECT_FALSE(exists("back.kbp"));
        EXPECT_FALSE(exists("back.kbp.part"));
    }
    std::ofstream(folder / "kept.kbp") << "old";
    EXPECT_EQ(run("upload kept.kbp --fault no-answer"), 20);
    EXPECT_EQ(read("kept.kbp"), "old");
}

}  // namespace
