// kbptool's pure parts at their own layer: the command line's numbers, the
// exit codes of the library's results, the upload's byte count from its
// percentages, the status buffer, the boxes' answers, the image comparison and JSON.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/numbers.h"
#include "commands/record.h"
#include "commands/session.h"
#include "files/sha256.h"
#include "output/json_fields.h"
#include "files/image.h"
#include "output/boxes.h"
#include "output/report.h"
#include "output/progress.h"
#include "output/text.h"

namespace kbptool {
namespace {

TEST(Units, NumbersAreDecimalUnlessHexAndNameTheirRange) {
    const NumberRange byte{0, 255}, address{0, 0xFFFF, true}, count{1};
    const struct {
        const char* text;
        NumberRange range;
        std::optional<std::uint64_t> value;
        const char* problem;
    } cases[] = {
        {"020", byte, 20, ""},
        {"0x1F", byte, 31, ""},
        {"0XfF", byte, 255, ""},
        {"-0", byte, 0, ""},
        {"256", byte, std::nullopt, "\"256\" is outside 0..255"},
        {"-1", byte, std::nullopt, "\"-1\" is outside 0..255"},
        {"0x10000", address, std::nullopt, "\"0x10000\" is outside 0x0000..0xFFFF"},
        {"0", count, std::nullopt, "\"0\" is not 1 or more"},
        {"99999999999999999999999", address, std::nullopt, "is outside 0x0000..0xFFFF"},
        {"0x", byte, std::nullopt, "\"0x\" is not a number (decimal, or hexadecimal after 0x)"},
        {"1G", byte, std::nullopt, "\"1G\" is not a number"},
        {"", byte, std::nullopt, "\"\" is not a number"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const ReadNumber n = read_number(c.text, c.range);
        EXPECT_EQ(n.value, c.value);
        EXPECT_NE(n.problem.find(c.problem), std::string::npos) << n.problem;
    }
}

TEST(Units, TheLibrarysResultsAreTheirExitCodes) {
    const struct {
        long result;
        int download, upload;
    } cases[] = {{1024, 0, 0}, {0, 10, 20}, {-1, 11, 21}, {-2, 12, 21}, {-5, 15, 21}, {-7, 17, 21}};
    for (const auto& c : cases) {
        EXPECT_EQ(int(download_exit(c.result)), c.download) << c.result;
        EXPECT_EQ(int(upload_exit(c.result)), c.upload) << c.result;
    }
    // The help names every code once, at the start of a line no longer than the screen.
    const std::string table = exit_code_table();
    std::istringstream lines(table);
    std::vector<int> codes;
    std::string before;
    for (std::string line; std::getline(lines, line); before = line) {
        EXPECT_LE(line.size(), 100u) << line;
        if (line.starts_with("  ") && line[2] != ' ') codes.push_back(std::stoi(line.substr(2)));
        if (line.starts_with("        ")) EXPECT_GE(before.size(), 80u) << before;  // wrapped only when full
    }
    EXPECT_EQ(codes, (std::vector<int>{0, 1, 2, 3, 4, 11, 12, 13, 14, 15, 16, 17, 20, 21, 30, 31, 32, 129, 130, 143}));
}

// An upload's reports as the library makes them: 0, then read * 100 / end
// after each chunk, then 100; one read that failed counts as a chunk read.
// The total is found (to within a chunk where every read went through), and then stays.
TEST(Units, AnUploadsTotalIsFoundFromItsPercentagesAndStaysSteady) {
    for (const long chunk : {16L, 8L}) {
        for (const bool one_failed : {false, true}) {
            SCOPED_TRACE(::testing::Message() << chunk << (one_failed ? " with a failed read" : ""));
            Progress progress("upload", 0, chunk, false, {});
            std::vector<int> percents{0};
            for (long read = chunk; read < 1024 + chunk; read += chunk) {
                if (one_failed && read == 20 * chunk) percents.push_back(int((read - chunk) * 100 / 1023));
                percents.push_back(int(read * 100 / 1023));
            }
            percents.push_back(100);
            Progress::Count c;
            long found = 0;
            for (int percent : percents) {
                c = progress.count(percent);
                if (found == 0) found = c.total;
                EXPECT_EQ(c.total, found) << percent;
                EXPECT_TRUE(c.estimated);
                EXPECT_LE(c.done, c.total == 0 ? c.done : c.total);
            }
            EXPECT_GE(found, 1024);
            EXPECT_LE(found, one_failed ? 2048 : 1024 + chunk);
            EXPECT_EQ(c.done, found);
        }
    }
    Progress download("download", 1024, 0, false, {});
    const Progress::Count half = download.count(50);
    EXPECT_EQ(half.done, 512);
    EXPECT_EQ(half.total, 1024);
    EXPECT_FALSE(half.estimated);
}

// kbp_upload quotes its file in the status buffer ("Can't write into file '...'"):
// a long path must not run past the buffer.
TEST(Units, AStatusBufferHoldsThePortTextAndRoomForTheFileItQuotes) {
    const std::string file(4000, 'f');
    const std::vector<char> status = status_buffer("COM1:9600,N,8,1", file);
    EXPECT_STREQ(status.data(), "COM1:9600,N,8,1");
    EXPECT_GE(status.size(), std::string("Can't write into file '").size() + file.size() + 64);
}

// The record of a box says how it was answered; --yes gives up after its tenth OK.
TEST(Units, ABoxIsAnsweredAsTheCommandLineSaysAndRecordedSo) {
    const struct {
        const char* caption;
        Answer policy;
        BoxReply reply;
        const char* words;
    } cases[] = {
        {"", Answer::no, BoxReply::ok, "OK (a notice)"},
        {"UPLOAD ERROR", Answer::no, BoxReply::cancel, "Cancel (--no)"},
        {"UPLOAD ERROR", Answer::ask, BoxReply::ask_user, "asked"},
        {"UPLOAD ERROR", Answer::yes, BoxReply::ok, "OK (--yes)"},
    };
    for (const auto& c : cases) {
        const BoxReply reply = decide_box_reply(c.caption, c.policy);
        EXPECT_EQ(reply, c.reply) << c.words;
        EXPECT_EQ(reply_words(reply, c.caption, c.policy), c.words);
    }
    for (int answered = 1; answered < kMaxYesAnswers; ++answered) decide_box_reply("UPLOAD ERROR", Answer::yes);
    const BoxReply eleventh = decide_box_reply("UPLOAD ERROR", Answer::yes);
    EXPECT_EQ(eleventh, BoxReply::cancel);
    EXPECT_EQ(reply_words(eleventh, "UPLOAD ERROR", Answer::yes), "Cancel (--yes answered OK 10 times already)");
}

// Addresses 0..3 are not compared; a read-back that ends early differs where it ends.
TEST(Units, TheFirstDifferenceIsFromAddressFourOnAndWhereTheShorterEnds) {
    const Bytes image = make_image(15);
    Bytes back = image;
    back[2] ^= 1;
    EXPECT_FALSE(first_difference(image, back));
    back[9] ^= 1;
    ASSERT_TRUE(first_difference(image, back));
    EXPECT_EQ(first_difference(image, back)->address, 9u);
    back = Bytes(image.begin(), image.begin() + 12);
    const std::optional<Difference> cut = first_difference(image, back);
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->address, 12u);
    EXPECT_EQ(cut->in_image, image[12]);
    EXPECT_EQ(cut->in_keyboard, std::nullopt);
}

TEST(Units, JsonIsValidUtf8ForTheLibrarysTextsAndAnyFileName) {
    const struct {
        const char* text;
        const char* json;
    } cases[] = {
        {"plain", "\"plain\""},
        {"can\xB4t close com-Port ", "\"can\\u00b4t close com-Port \""},  // Windows ANSI
        {"b\xC3\xA4" "ck \xE2\x82\xAC", "\"b\xC3\xA4" "ck \xE2\x82\xAC\""},   // UTF-8 kept
        {"a\"b\\c\nd\x01", "\"a\\\"b\\\\c\\nd\\u0001\""},
        {"\xC0\x80", "\"\\u00c0\\u0080\""},           // an overlong zero is no character
        {"\xED\xA0\x80", "\"\\u00ed\\u00a0\\u0080\""},  // nor is a surrogate
        {"\xF0\x9F\x98", "\"\\u00f0\\u009f\\u0098\""},  // a character cut short
        {"\xF0\x9F\x98\x80", "\"\xF0\x9F\x98\x80\""},  // a whole four-byte one
    };
    for (const auto& c : cases) EXPECT_EQ(json_string(c.text), c.json) << c.text;
    // On a terminal the library's Windows ANSI byte is its Latin-1 character, or a plain stand-in.
    EXPECT_EQ(readable("can\xB4t close\r\n", true), "can\xC2\xB4t close");
    EXPECT_EQ(readable("can\xB4t \xE9", false), "can't ?");
    EXPECT_EQ(JsonObject{}
                  .text("file", "a.kbp")
                  .number("result", std::optional<long>{})
                  .number("bytes", 1024L)
                  .seconds("seconds", 1.23456)
                  .flag("verified", true)
                  .texts("sent", {"0xF4", "0xEE"})
                  .objects("paths", {JsonObject{}.text("path", "usb"), JsonObject{}})
                  .str(),
              "{\"file\": \"a.kbp\", \"result\": null, \"bytes\": 1024, \"seconds\": 1.235, \"verified\": true, "
              "\"sent\": [\"0xF4\", \"0xEE\"], \"paths\": [{\"path\": \"usb\"}, {}]}");
}

TEST(Units, TheRecordNamesTheImageByItsSha256AndTakesTheReportsFields) {
    EXPECT_EQ(sha256_hex({}), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(sha256_hex({'a', 'b', 'c'}), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(sha256_hex(Bytes(1000000, 'a')), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");

    const std::optional<JsonFields> read = read_json_fields(
        R"({"a": "x\"\u00b4", "n": -2.5, "nested": {"a": "inner", "list": ["}", 1]}, "t": true, "z": null, "b": 7})");
    ASSERT_TRUE(read);
    EXPECT_EQ(read->text("a"), "x\"\xC2\xB4");
    EXPECT_EQ(read->number("n"), -2.5);
    EXPECT_EQ(read->number("b"), 7);
    EXPECT_EQ(read->flag("t"), true);
    EXPECT_FALSE(read->number("z") || read_json_fields("{\"a\": ") || read_json_fields("kbptool: failed"));

    const struct {
        Command command;
        ExitCode exit;
        std::optional<bool> verified_flag;
        const char* verified;
    } cases[] = {
        {Command::download, ExitCode::success, false, "\"verified\": false"},
        {Command::verify, ExitCode::success, std::nullopt, "\"verified\": true"},
        {Command::verify, ExitCode::differs, std::nullopt, "\"verified\": false"},
        {Command::upload, ExitCode::success, std::nullopt, "\"verified\": null"},
    };
    for (const auto& c : cases) {
        Outcome o(c.command, "batch/sample.kbp");
        o.exit = c.exit;
        o.result = 1024;
        o.path = "/dev/ttyUSB0 at 9600,N,8,1";
        o.seconds = 2.25;
        o.extra.number("sent", 1020L);
        if (c.verified_flag) o.extra.flag("verified", *c.verified_flag);
        const std::string line = record_line(outcome_json(o), {"/dev/ttyUSB0", "9dbe"});
        EXPECT_TRUE(line.starts_with("{\"time\": \"20") && line.ends_with("}\n")) << line;
        EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1);
        for (const std::string& field : {std::string("\"device\": \"/dev/ttyUSB0\", \"path\": \"/dev/ttyUSB0 at 9600,N,8,1\", "
                                        "\"image\": \"batch/sample.kbp\", \"sha256\": \"9dbe\", \"bytes_sent\": 1020"),
                                        "\"result\": 1024, \"exit_code\": " + std::to_string(int(c.exit)),
                                        std::string(c.verified) + ", \"seconds\": 2.25"})
            EXPECT_NE(line.find(field), std::string::npos) << line;
    }
}
}  // namespace
}  // namespace kbptool
