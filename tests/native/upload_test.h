#pragma once
// A keyboard whose memory holds an image, the capture library installed, and
// a place for image files.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "include/kbpi32.h"
#include "sim_test.h"

class UploadTest : public SimTest {
protected:
    using Bytes = std::vector<std::uint8_t>;

    UploadTest() {
        sim::install_function_library();
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        for (char& c : name) c = c == '/' ? '_' : c;
        // A folder of its own, so that whatever the upload leaves beside its file shows.
        folder = ::testing::TempDir() + "kbp_upload_" + name;
        std::filesystem::remove_all(folder);
        std::filesystem::create_directory(folder);
        file = folder + "/image.kbp";
    }
    ~UploadTest() override { std::filesystem::remove_all(folder); }

    // Keyboard memory: a recognisable pattern whose image ends at `end`.
    void image_in_keyboard(unsigned end) {
        for (std::size_t a = 0; a < keyboard.memory.size(); ++a)
            keyboard.memory[a] = static_cast<std::uint8_t>(a * 7 + 3);
        keyboard.memory[6] = static_cast<std::uint8_t>(end >> 8);
        keyboard.memory[7] = static_cast<std::uint8_t>(end);
    }
    // What the file must hold: the magic, then keyboard bytes 4..end.
    Bytes expected_file(unsigned end) const {
        Bytes b = {'K', 'e', 'l', 'm'};
        b.insert(b.end(), keyboard.memory.begin() + 4, keyboard.memory.begin() + end + 1);
        return b;
    }
    Bytes file_bytes() const {
        std::ifstream in(file, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    bool file_exists() const { return std::ifstream(file).good(); }
    // The names in the test's folder.
    std::vector<std::string> folder_holds() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        return names;
    }

    int upload(const char* port_text = "") {
        std::snprintf(status, sizeof status, "%s", port_text);
        progress.clear();
        return kbp_upload(file.c_str(), status, record_progress);
    }
    static void KBPI32_CALL record_progress(int percent) { progress.push_back(percent); }

    static sim::FunctionLibrary& kbpfunc() { return sim::function_library(); }

    std::string folder;
    std::string file;
    char status[512] = {};
    static inline std::vector<int> progress;
};
