// Several USB keyboards on one Linux machine, played by kbdsim-hid: kbptool
// names the one it means, refuses to guess, and programs them all at once.
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>

#include <algorithm>
#include <sstream>

#include "hid_keyboards.h"

namespace {
namespace fs = std::filesystem;

class UsbKeyboards : public ::testing::Test {
protected:
    UsbKeyboards()
        : folder_(fs::path(::testing::TempDir()) /
                  ("kbptool_usb_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                   "_" + std::to_string(getpid()))),
          keyboards_(folder_ / "hid") {
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        fs::copy_file(EXAMPLE_IMAGE, folder_ / "sample.kbp");
    }
    ~UsbKeyboards() override {
        keyboards_.stop();
        fs::remove_all(folder_);
    }
    void SetUp() override {
        if (const std::string why = HidKeyboards::why_unusable(); !why.empty()) GTEST_SKIP() << why;
    }
    // Every keyboard holds the sample image.
    std::string start(unsigned keyboards, unsigned mice, HidSetup setup = {}) {
        setup.keyboards = keyboards;
        setup.mice = mice;
        setup.image = EXAMPLE_IMAGE;
        return keyboards_.start(setup);
    }
    int run(const std::string& arguments) {
        const std::string command = "cd '" + folder_.string() + "' && " + keyboards_.environment() + KBPTOOL " " +
                                    arguments + " >out.txt 2>err.txt </dev/null";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string read(const std::string& name) const {
        std::ifstream in(folder_ / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::string output() const { return read("out.txt") + read("err.txt"); }
    // Whether the keyboard's memory, written at stop(), holds `image` at addresses 4 and on.
    bool holds(unsigned keyboard, const std::string& image) const {
        const std::string memory = keyboards_.memory(keyboard);
        return memory.size() > image.size() && memory.compare(4, image.size() - 4, image, 4) == 0;
    }
    std::string node(unsigned keyboard) const { return keyboards_.hidraw(keyboard).string(); }

    fs::path folder_;
    HidKeyboards keyboards_;
};

TEST_F(UsbKeyboards, TwoKeyboardsWithNoneNamedAreRefusedAndDetectNamesEach) {
    ASSERT_EQ(start(2, 1), "");
    EXPECT_EQ(run("detect"), 0);
    for (const std::string& said : {node(0) + " (vendor 053A product 0001, the keyboard's vendor; --device 1 names it)",
                                    node(1) + " (vendor 053A product 0001, the keyboard's vendor; --device 2 names it)",
                                    std::string("2 keyboards are on USB: a transfer over USB names one with --device")})
        EXPECT_NE(output().find(said), std::string::npos) << output();
    const std::string mouse = keyboards_.mouse_hidraw(0).string();
    const std::string found = "found: 1: " + node(0) + " (vendor 053A product 0001, the keyboard's vendor), 2: " + node(1);
    struct Case {
        std::string arguments;
        std::string said;
    } cases[] = {
        {"download sample.kbp", "2 keyboards are on USB, and the command line names none of them"},
        {"download sample.kbp --usb", found},
        {"upload back.kbp", "--device 1"},
        {"send 0xF4", "2 keyboards are on USB"},
        {"download sample.kbp --device " + mouse, mouse + " is no HID device of the keyboard's vendor; " + found},
        {"verify sample.kbp --device " + (folder_ / "no-such-node").string(), "is no HID device of the keyboard's vendor"},
        {"download sample.kbp --device 3", "there is no keyboard 3"},
        {"detect --device 0", "--device 0 names no USB keyboard"},
        {"download sample.kbp --device 1 --device " + node(0), "are the same device"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        EXPECT_EQ(run(c.arguments), 2);
        EXPECT_NE(output().find(c.said), std::string::npos) << output();
    }
    ASSERT_TRUE(keyboards_.stop());
    // Nothing reached a keyboard but detect's enable command, to the first.
    EXPECT_NE(keyboards_.summary().find("hidraw1 keyboard 053A:0001: 0 reports"), std::string::npos)
        << keyboards_.summary();
}

TEST_F(UsbKeyboards, TheNamedKeyboardAloneTakesTheImageAndIsReadBack) {
    ASSERT_EQ(start(2, 0), "");
    ASSERT_EQ(run("new --end 1500 other.kbp"), 0);
    EXPECT_EQ(run("download other.kbp --device 2"), 0) << output();
    EXPECT_NE(output().find("read back and verified"), std::string::npos) << output();
    EXPECT_EQ(run("upload back.kbp --device " + node(1) + " --log record.log"), 0) << output();
    EXPECT_EQ(read("back.kbp"), read("other.kbp"));
    EXPECT_NE(read("record.log").find("\"command\": \"upload\", \"device\": \"" + node(1) + "\", \"path\": \"USB\""),
              std::string::npos)
        << read("record.log");
    ASSERT_TRUE(keyboards_.stop());
    EXPECT_TRUE(holds(0, read("sample.kbp")));
    EXPECT_TRUE(holds(1, read("other.kbp")));
}

TEST_F(UsbKeyboards, AKeyboardAnotherProgramHoldsIsRefusedAsInUse) {
    ASSERT_EQ(start(1, 0), "");
    const int held = ::open(node(0).c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_EX | LOCK_NB), 0);  // as another kbptool holds it
    EXPECT_EQ(run("download sample.kbp --usb"), 15);
    EXPECT_NE(output().find("the keyboard's hidraw node is in use by another program"), std::string::npos) << output();
    ::close(held);
    EXPECT_EQ(run("download sample.kbp --usb --no-verify"), 0) << output();
}

TEST_F(UsbKeyboards, AllKeyboardsAtOnceWhileOneUnpluggedFailsAlone) {
    HidSetup setup;
    setup.unplug_after = {{1, 200}};
    ASSERT_EQ(start(3, 1, setup), "");
    ASSERT_EQ(run("new --end 1500 other.kbp"), 0);
    EXPECT_EQ(run("download other.kbp --all --json --log record.log"), 15) << output();
    const std::string json = read("out.txt");
    EXPECT_NE(json.find("\"text\": \"1 of 3 keyboards failed: " + node(1) + " (exit code 15)\""), std::string::npos)
        << json;
    EXPECT_EQ(std::count(json.begin(), json.end(), '\n'), 1) << json;
    std::istringstream record(read("record.log"));
    int lines = 0, verified = 0;
    for (std::string line; std::getline(record, line); ++lines) verified += line.find("\"verified\": true") != std::string::npos;
    EXPECT_EQ(lines, 3);
    EXPECT_EQ(verified, 2);
    ASSERT_TRUE(keyboards_.stop());
    EXPECT_TRUE(holds(0, read("other.kbp")));
    EXPECT_FALSE(holds(1, read("other.kbp")));
    EXPECT_TRUE(holds(2, read("other.kbp")));
}
}  // namespace
