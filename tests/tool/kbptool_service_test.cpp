// What a service technician runs into: files, the read-back after a download,
// messages, detect, the command line, JSON and progress.
#include <sys/stat.h>

#include <regex>

#include "kbptool_fixture.h"

namespace {

struct Case {
    const char* arguments;
    int exit_code;
    std::vector<const char*> texts;  // each somewhere in stdout or stderr
};

class Service : public Kbptool {
protected:
    Service() {
        run("new --end 1023 sample.kbp");
        run("download sample.kbp");
    }
    void expect(const std::vector<Case>& cases) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.arguments);
            EXPECT_EQ(run(c.arguments), c.exit_code) << output();
            for (const char* text : c.texts) EXPECT_NE(output().find(text), std::string::npos) << output();
            EXPECT_EQ(output().find("terminate called"), std::string::npos);
        }
    }
};

TEST_F(Service, AFileThatCannotBeUsedIsNamedWithTheReason) {
    fs::create_directories(folder / "dir");
    expect({
        {"info dir", 4, {"file: dir", "dir is a directory"}},
        {"download dir", 17, {"file: dir", "dir is a directory"}},
        {"verify dir", 17, {"is a directory"}},
        {"download sample.kbp --sim-state dir", 3, {"dir", "is a directory"}},
        {"info missing.kbp", 4, {"missing.kbp", "No such file or directory"}},
        {"download missing.kbp", 17, {"missing.kbp", "No such file or directory"}},
        {"new --end 1023 dir", 4, {"dir is a directory"}},
    });
}

TEST_F(Service, AnUploadWritesOnlyARegularFileAndChecksWhereBeforeItStarts) {
    fs::create_directories(folder / "dir");
    ASSERT_EQ(mkfifo((folder / "pipe").c_str(), 0600), 0);
    write("kept.kbp", "old");
    fs::permissions(folder / "kept.kbp", fs::perms::owner_read);
    fs::create_symlink("target.kbp", folder / "link.kbp");
    expect({
        {"upload dir", 4, {"dir is a directory"}},
        {"upload /dev/null", 4, {"/dev/null is a device"}},
        {"upload pipe", 4, {"pipe is a pipe"}},
        {"upload kept.kbp", 4, {"kept.kbp is read-only"}},
        {"upload nodir/x.kbp --wire-speed", 4, {"nodir: no such folder"}},
    });
    EXPECT_EQ(read("err.txt").find("simulated keyboard"), std::string::npos) << "refused before the keyboard";
    expect({{"upload link.kbp", 0, {"written through the link link.kbp to target.kbp"}}});
    EXPECT_TRUE(fs::is_directory(folder / "dir"));
    EXPECT_TRUE(fs::is_fifo(folder / "pipe"));
    EXPECT_EQ(read("kept.kbp"), "old");
    EXPECT_TRUE(fs::is_symlink(folder / "link.kbp"));
    EXPECT_EQ(read("target.kbp"), read("sample.kbp"));

    // A read-only state file stays as it was, bytes and rights.
    fs::copy_file(folder / "state.bin", folder / "frozen.bin");
    fs::permissions(folder / "frozen.bin", fs::perms::owner_read);
    const std::string frozen = read("frozen.bin");
    run("new --end 2047 other.kbp");
    expect({{"download other.kbp --sim-state frozen.bin", 3, {"frozen.bin is read-only"}}});
    EXPECT_EQ(read("frozen.bin"), frozen);
    EXPECT_EQ(fs::status(folder / "frozen.bin").permissions(), fs::perms::owner_read);
}

TEST_F(Service, ADownloadIsReadBackAndComparedUnlessItCannotBe) {
    run("new --end 8995 long.kbp");  // past what 16-byte reads can hold, not 8-byte ones
    std::string odd = read("sample.kbp");
    odd[6] = 0x02, odd[7] = 0x00;  // end field 512 in a 1024-byte file
    write("odd.kbp", odd);
    expect({
        {"download sample.kbp", 0, {"read back and verified (addresses 4..1023)"}},
        {"download sample.kbp --fault unplug-at=100", 31, {"cannot be read back", "--no-verify"}},
        {"download sample.kbp --fault unplug-at=100 --no-verify", 0, {"1024 bytes sent"}},
        {"download long.kbp", 0, {"past 8991", "without the read-back"}},
        {"download long.kbp --usb", 0, {"read back and verified (addresses 4..8995)"}},
        {"verify long.kbp", 32, {"past 8991"}},
        {"verify long.kbp --usb", 0, {"match the image"}},
        {"download sample.kbp --port COM5 --keyboard com", 0, {"an upload has no COM path", "1024 bytes sent"}},
        // A USB keyboard answers: the COM download is read back there.
        {"download sample.kbp --port COM5", 0, {"over COM5 at 9600,E,8,1; read back and verified"}},
        {"download odd.kbp", 0, {"says 512", "the read-back compares addresses 4..512", "verified (addresses 4..512)"}},
        {"info odd.kbp", 0, {"DISAGREES with end + 1 = 513", "the keyboard ignores the 511 bytes past address 512"}},
        {"info long.kbp --json", 0, {"\"can_read_back\": false, \"can_read_back_usb\": true"}},
        // Frames of 12 + 2n bytes, 64 image bytes (16 on USB); four link bytes a byte on the ports; three closing bytes.
        {"info sample.kbp --json", 0,
         {"{\"path\": \"ports\", \"frames\": 16, \"frame_bytes\": 2232, \"seconds\": 17.880, ",
          "{\"path\": \"usb\", \"frames\": 64, \"frame_bytes\": 2808, \"seconds\": 2.811, "}},
        {"download long.kbp --json", 0, {"\"warnings\": [\"the image ends at address 8995", "\"verified\": false"}},
        {"download sample.kbp --json", 0, {"\"verified\": true"}},
        {"download sample.kbp --json --no-verify", 0, {"\"verified\": false"}},
        // A new keyboard (all zero) with a cell that keeps its value.
        {"download sample.kbp --sim-state blank.bin --fault bad-cell=0x100", 30,
         {"first difference at address 0x0100, image 0x03, keyboard 0x00"}},
        {"verify sample.kbp --sim-state blank.bin --fault bad-cell=0x100", 30, {"address 0x0100"}},
        {"download sample.kbp --sim-state blank2.bin --fault bad-cell=1023", 30, {"address 0x03FF, image 0xFC"}},
    });
}

TEST_F(Service, AFailureNamesThePathTheFileTheReasonAndWhatToTry) {
    expect({
        {"download sample.kbp --fault no-answer --interface ports", 15, {"over the controller ports"}},
        {"download sample.kbp --fault no-answer --interface class", 15, {"over the keyboard class driver"}},
        {"download sample.kbp --fault no-answer --interface portdriver", 15, {"over the keyboard port driver"}},
        // What to try names the other paths, never the one that failed.
        {"download sample.kbp --fault no-answer --usb", 15,
         {"over USB", "then try another path: --interface ports|class|portdriver, or --port COM1\n"}},
        {"download sample.kbp --fault no-answer --port COM5:9600,N,8,1", 15, {"over COM5 at 9600,N,8,1"}},
        {"upload back.kbp --fault no-answer", 20, {"UPLOAD ERROR", "over the keyboard port driver"}},
    });
    for (const char* line : {"  file: ", "  why: ", "  try: "}) EXPECT_NE(read("err.txt").find(line), std::string::npos);
    // The search's "set to" box is a notice, and the settings it found are shown.
    expect({
        {"download sample.kbp --port COM5 --keyboard com --line 2400,O,8,1",
         0,
         {"the library says: set to 2400,O,8,1", "line settings used: COM5 at 2400,O,8,1"}},
        {"download sample.kbp --port COM5:9600,N,8,1 --keyboard com", 0, {"line settings used: COM5 at 9600,N,8,1"}},
        // verify asks USB whether it can read back before anything is sent; the image still goes to COM5.
        {"verify sample.kbp --port COM5:9600,N,8,1", 0, {"line settings used: COM5 at 9600,N,8,1", "match the image"}},
        {"download sample.kbp --port COM5 --keyboard com --line 2400,O,8,1 --json", 0, {"\"settings\": \"2400,O,8,1\""}},
    });
    EXPECT_EQ(output().find("asks: set to"), std::string::npos);
}

TEST_F(Service, DetectAsksEachPathWithoutWritingTheKeyboardsMemory) {
    const std::string memory = read("state.bin");
    const struct {
        const char* keyboard;
        std::vector<const char*> answers;
    } cases[] = {
        {"all", {"controller ports\", \"answer\": \"yes\", \"detail\": \"the keyboard acknowledged the enable command 0xF4\"",
                 "class driver\", \"answer\": \"yes",
                 "port driver\", \"answer\": \"cannot tell", "USB\", \"answer\": \"cannot tell",
                 "COM2 at 9600,E,8,1\", \"answer\": \"yes"}},
        {"ports", {"controller ports\", \"answer\": \"yes", "class driver\", \"answer\": \"no",
                   "port driver\", \"answer\": \"no", "USB\", \"answer\": \"no", "COM2\", \"answer\": \"no",
                   "no keyboard echoed on COM2"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keyboard);
        EXPECT_EQ(run(std::string("detect --json --port COM2 --keyboard ") + c.keyboard), 0) << output();
        for (const char* answer : c.answers) EXPECT_NE(read("out.txt").find(answer), std::string::npos) << read("out.txt");
        EXPECT_NE(read("out.txt").find("\"devices\": [{\"kind\": \"com\", \"name\": \"COM1\""), std::string::npos);
    }
    EXPECT_EQ(read("state.bin"), memory);
}

TEST_F(Service, TheCommandLineSaysWhatIsWrongAndWhatWasMeant) {
    expect({
        {"downlaod sample.kbp", 2, {"unknown command downlaod", "did you mean download?"}},
        {"dwonlaod sample.kbp", 2, {"did you mean download?"}},  // two swaps: two edits, not four
        {"download sample.kbp --porr COM1", 2, {"unknown option --porr", "did you mean --port?"}},
        {"download sample.kbp --fault bogus", 2, {"unknown fault bogus"}},
        {"download sample.kbp --line garbage", 2, {"--line"}},
        {"download sample.kbp --fault unplug-at=-1", 2, {"1 or more"}},
        {"upload ''", 2, {"an empty file name"}},
        {"upload -", 2, {"\"-\" names no file here (no image goes through standard input or output)"}},
        {"download sample.kbp --port usb", 0, {"sent over USB"}},
        {"new --help", 0, {"Image end L, the last keyboard address (301..65535)"}},
        {"download sample.kbp --fault bad-cell=0x10000", 2, {"0..0xFFFF"}},
        {"send 0xF4 --json", 0, {"\"sent\": [\"0xF4\"]"}},
        {"send 0xF4 --interface class --keyboard usb", 1, {"0xF4 not sent: status 0x01"}},
        {"--version", 0, {"kbptool 1.", "kbpi32 1."}},
        {"--help", 0, {"130", "detect"}},
    });
    EXPECT_EQ(run("download sample.kbp --quiet"), 0);
    EXPECT_EQ(output(), "");

    const std::string interrupted = "cd '" + folder.string() + "' && { " KBPTOOL
                                    " --sim download sample.kbp --wire-speed --sim-state state.bin 2>err.txt & "
                                    "sleep 1; kill -INT $!; wait $!; echo $? >rc.txt; }";
    ASSERT_EQ(std::system(interrupted.c_str()), 0);
    EXPECT_EQ(read("rc.txt"), "130\n");
    // Where it came (the download or its read-back), the story of what the keyboard holds.
    EXPECT_NE(read("err.txt").find(": interrupted (Ctrl-C): "), std::string::npos) << read("err.txt");
}

TEST_F(Service, JsonIsOneObjectWithTheSameKeysForEveryCommand) {
    const char* const commands[] = {
        "new --end 1023 fresh.kbp",   "info sample.kbp", "info missing.kbp", "download sample.kbp",
        "upload back.kbp",            "verify sample.kbp", "send 0xF4",      "interface ports",
        "detect",                     "downlaod sample.kbp",
        "download sample.kbp --fault no-answer --interface class",
    };
    const std::regex one_object(R"(\{"command": "[a-z]*", "result": (-?[0-9]+|null), "text": "[^\n]*", )"
                                R"("raw_text": "[^\n]*", "bytes": [0-9]+, "seconds": [0-9.]+, "exit_code": [0-9]+, )"
                                R"("path": "[^\n]*", "file": "[^\n]*", "reason": "[^\n]*", "hint": "[^\n]*", )"
                                R"("warnings": \[[^\n]*\], "boxes": \[[^\n]*\](, "[a-z_]+": [^\n]*)?\}\n)");
    for (const char* command : commands) {
        SCOPED_TRACE(command);
        run(std::string(command) + " --json");
        EXPECT_TRUE(std::regex_match(read("out.txt"), one_object)) << read("out.txt");
    }
    // What the keyboard holds in the tool's words, and the library's text as it came.
    EXPECT_NE(read("out.txt").find("\"text\": \"nothing was written to the keyboard\", \"raw_text\": \"download not possible \""),
              std::string::npos);
}

TEST_F(Service, ProgressOffATerminalIsALinePerTenthWithBytesAndRate) {
    for (const char* command : {"download sample.kbp --no-verify", "upload back.kbp"}) {
        SCOPED_TRACE(command);
        EXPECT_EQ(run(command), 0);
        const std::string err = read("err.txt");
        const std::regex line(R"((download|upload) +[0-9]+%  ~?[0-9]+(/[0-9]+)? bytes.*)");
        int lines = 0;
        for (std::sregex_iterator it(err.begin(), err.end(), line), end; it != end; ++it) ++lines;
        EXPECT_GE(lines, 9) << err;
        EXPECT_LE(lines, 12) << err;  // an upload's estimate, put right at its end, is one line more
        EXPECT_NE(err.find("B/s"), std::string::npos) << err;
    }
}

}  // namespace
