// kbptool as a technician runs it: separate invocations that share the
// simulated keyboard through its state file.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>

namespace {

namespace fs = std::filesystem;

class Kbptool : public ::testing::Test {
protected:
    Kbptool() {
        folder = fs::path(::testing::TempDir()) /
                 ("kbptool_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    ~Kbptool() override { fs::remove_all(folder); }

    // Runs kbptool in the folder with the folder's state file; the exit code.
    int run(const std::string& arguments) {
        const std::string keyboard_options =
            arguments.starts_with("new") || arguments.starts_with("info") ? "" : " --sim-state state.bin";
        const std::string command = "cd '" + folder.string() + "' && " KBPTOOL " " + arguments + keyboard_options +
                                    " >out.txt 2>err.txt </dev/null";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string read(const std::string& name) const {
        std::ifstream in(folder / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    bool exists(const std::string& name) const { return fs::exists(folder / name); }

    fs::path folder;
};

TEST_F(Kbptool, AnImageGoesInAndComesBackAcrossInvocations) {
    ASSERT_EQ(run("new --end 1023 sample.kbp"), 0);
    EXPECT_EQ(read("sample.kbp").size(), 1024u);
    EXPECT_EQ(run("info sample.kbp"), 0);
    EXPECT_NE(read("out.txt").find("1023 (0x03FF)"), std::string::npos);
    EXPECT_EQ(run("download sample.kbp"), 0);
    EXPECT_NE(read("err.txt").find("simulated keyboard"), std::string::npos);
    EXPECT_EQ(read("state.bin").size(), 65536u);
    EXPECT_EQ(run("upload back.kbp"), 0);
    EXPECT_EQ(read("back.kbp"), read("sample.kbp"));
    EXPECT_EQ(run("verify sample.kbp --usb --json"), 0);
    EXPECT_TRUE(std::regex_match(read("out.txt"),
                                 std::regex(R"(\{"command": "verify", "result": 1023, "text": "[^"\\]*", )"
                                            R"("bytes": 1024, "seconds": [0-9]+\.[0-9]{3}, "exit_code": 0\}\n)")))
        << read("out.txt");
}

TEST_F(Kbptool, FailuresExitWithTheirOwnCodes) {
    ASSERT_EQ(run("new --end 1023 sample.kbp"), 0);
    std::ofstream(folder / "short.kbp", std::ios::binary) << read("sample.kbp").substr(0, 301);
    struct Case {
        const char* arguments;
        int exit_code;
        const char* text;
    } cases[] = {
        {"download short.kbp", 16, "not a valid kbp fileformat"},
        {"download missing.kbp", 17, "kbp-file not found"},
        {"download sample.kbp --fault no-answer", 15, "download check failed"},
        {"download sample.kbp --port LPT1", 13, "LPT1"},
        {"info short.kbp", 1, "shorter than 302 bytes"},
        {"new --end 300 x.kbp", 2, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        EXPECT_EQ(run(c.arguments), c.exit_code);
        EXPECT_NE((read("out.txt") + read("err.txt")).find(c.text), std::string::npos) << read("err.txt");
    }
}

TEST_F(Kbptool, AFailedUploadLeavesNoFileBehind) {
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
