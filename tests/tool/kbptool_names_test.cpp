// File names as the person wrote them: printed byte for byte, in the JSON as
// valid UTF-8 (a byte that is no UTF-8 as \u00XX), and the files under
// exactly those names.
#include "kbptool_fixture.h"

namespace {

// UTF-8 throughout: each lead byte followed by as many continuation bytes as it says.
bool valid_utf8(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char lead = text[i];
        const std::size_t more = lead < 0x80                   ? 0
                                 : lead >= 0xC2 && lead <= 0xDF ? 1
                                 : lead >= 0xE0 && lead <= 0xEF ? 2
                                 : lead >= 0xF0 && lead <= 0xF4 ? 3
                                                                : 4;
        if (more == 4 || i + more >= text.size()) return false;
        for (std::size_t k = 1; k <= more; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        i += more + 1;
    }
    return true;
}

struct Name {
    std::string folder;  // made first; "" or ending in '/'
    std::string file;
    std::string file_in_json;
};

}  // namespace

TEST_F(Kbptool, FileNamesInAnyScriptAreShownAndWrittenAsGiven) {
    const Name names[] = {
        {"", "bäckup-é.kbp", "bäckup-é.kbp"},
        {"", "αντίγραφο.kbp", "αντίγραφο.kbp"},
        {"", "備份.kbp", "備份.kbp"},
        {"", "€.kbp", "€.kbp"},
        {"ünïcødé/", "bäckup€.kbp", "bäckup€.kbp"},
        {"", "b\xE4"
             "ck.kbp",
         "b\\u00e4ck.kbp"},  // Latin-1, no UTF-8
    };
    for (const Name& n : names) {
        SCOPED_TRACE(n.folder + n.file);
        if (!n.folder.empty()) fs::create_directories(folder / n.folder);
        const std::string image = n.folder + n.file, backup = n.folder + "up-" + n.file;
        const std::string image_json = "\"file\": \"" + n.folder + n.file_in_json + "\"";
        const std::string backup_json = "\"file\": \"" + n.folder + "up-" + n.file_in_json + "\"";
        const struct {
            std::string arguments;
            std::string shown;
        } runs[] = {
            {"new --end 1023 '" + image + "'", "new: " + image + ": a 1024-byte image"},
            {"new --end 1023 --force --json '" + image + "'", image_json},
            {"info --json '" + image + "'", image_json},
            {"download --json '" + image + "'", image_json},
            {"verify --json '" + image + "'", image_json},
            {"upload '" + backup + "'", ", into " + backup + "\n"},
            {"upload --json '" + backup + "'", backup_json},
            {"info 'no-" + image + "'", "  file: no-" + image + "\n"},
        };
        for (const auto& r : runs) {
            const bool json = r.arguments.find("--json") != std::string::npos;
            EXPECT_EQ(run(r.arguments), r.arguments.starts_with("info 'no-") ? 4 : 0) << r.arguments << "\n" << output();
            EXPECT_NE(output().find(r.shown), std::string::npos) << r.arguments << "\n" << output();
            if (json) {
                EXPECT_TRUE(valid_utf8(read("out.txt"))) << r.arguments << "\n" << output();
            }
        }
        EXPECT_TRUE(fs::is_regular_file(folder / image));
        EXPECT_TRUE(fs::is_regular_file(folder / backup));
        EXPECT_EQ(read(image), read(backup));
    }
}
