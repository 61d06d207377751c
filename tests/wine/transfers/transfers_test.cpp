// Both transfers on the real kbpi32.dll, as a host program calls them, with
// Windows' own thread timers, message pump and files: over USB beside the
// KBPUSB.DLL and KBPFUNC.DLL doubles on the keyboard model, without a
// KBPFUNC.DLL, and over a COM port linked to the pty keyboard.
// Usage: <program> doubles|no_kbpfunc|serial   (serial: KBP_COM_PORT names the port)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "dll_loader.h"
#include "message_box_answers.h"

namespace {

using Bytes = std::vector<unsigned char>;
using Progress = void(__stdcall*)(int);
using Transfer = int(__stdcall*)(const char*, char*, Progress);
using SetInterface = unsigned char(__stdcall*)(int);

std::vector<int> progress;
void __stdcall record_progress(int percent) { progress.push_back(percent); }

// An image whose end field (bytes 6..7) matches its size, as an upload writes it.
Bytes make_image(std::size_t size, unsigned seed) {
    Bytes b(size);
    for (std::size_t i = 0; i < size; ++i) b[i] = static_cast<unsigned char>((i * 29 + seed) >> 1);
    b[0] = 'K', b[1] = 'e', b[2] = 'l', b[3] = 'm';
    b[6] = static_cast<unsigned char>((size - 1) >> 8);
    b[7] = static_cast<unsigned char>(size - 1);
    return b;
}

void write_file(const std::string& name, const Bytes& bytes) {
    std::ofstream(name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

Bytes read_file(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// The names of the files in the program's folder that match `pattern`.
std::vector<std::string> files_matching(const char* pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do names.emplace_back(found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

// The WM_QUIT messages waiting for this thread, taken: their exit codes.
std::vector<WPARAM> take_quit_messages() {
    std::vector<WPARAM> codes;
    MSG message;
    while (PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) codes.push_back(message.wParam);
    return codes;
}

class Kbpi32 : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dll.loaded());
        ASSERT_TRUE(download && upload && set_interface);
        ASSERT_TRUE(boxes.hooked());
        take_quit_messages();
    }

    int call(Transfer transfer, const std::string& file, const char* port_text) {
        std::snprintf(status, sizeof status, "%s", port_text);
        progress.clear();
        return transfer(file.c_str(), status, record_progress);
    }

    Dll dll{"kbpi32.dll"};
    Transfer download = dll.find<Transfer>("kbp_download");
    Transfer upload = dll.find<Transfer>("kbp_upload");
    SetInterface set_interface = dll.find<SetInterface>("kbp_set_interface");
    MessageBoxAnswers boxes;
    char status[512] = {};
};

// --- over USB, beside both doubles

class Doubles : public Kbpi32 {
protected:
    void SetUp() override {
        Kbpi32::SetUp();
        ASSERT_EQ(set_interface(4), 0);
        // The module kbpi32 loads by the same name.
        const HMODULE usb = LoadLibraryA("KBPUSB.DLL");
        ASSERT_NE(usb, nullptr);
        reset = find<void(__stdcall*)()>(usb, "double_reset");
        refuse = find<void(__stdcall*)(int)>(usb, "double_refuse");
        memory_of = find<void(__stdcall*)(unsigned, unsigned char*, unsigned)>(usb, "double_memory");
        ASSERT_TRUE(reset && refuse && memory_of) << "not the KBPUSB.DLL double";
        reset();
        write_file(image, make_image(1024, 5));
        DeleteFileA(uploaded.c_str());
    }
    void TearDown() override { DeleteFileA(uploaded.c_str()); }

    template <typename F>
    static F find(HMODULE module, const char* name) {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    }
    Bytes memory(unsigned from, unsigned to) {
        Bytes bytes(to - from);
        memory_of(from, bytes.data(), to - from);
        return bytes;
    }

    const std::string image = "usb_image.kbp";
    const std::string uploaded = "usb_uploaded.kbp";
    void(__stdcall* reset)() = nullptr;
    void(__stdcall* refuse)(int) = nullptr;
    void(__stdcall* memory_of)(unsigned, unsigned char*, unsigned) = nullptr;
};

TEST_F(Doubles, AnImageGoesInOverUsbAndComesBackTheSame) {
    const Bytes sent = read_file(image);
    ASSERT_EQ(call(download, image, "USB"), 1024);
    EXPECT_STREQ(status, " 1024 bytes sent");
    EXPECT_EQ(progress.back(), 100);
    EXPECT_EQ(memory(4, 1024), Bytes(sent.begin() + 4, sent.end()));

    ASSERT_EQ(call(upload, uploaded, "USB"), 1023);
    EXPECT_STREQ(status, "USB");  // a successful upload writes no text
    EXPECT_EQ(progress.back(), 100);
    Bytes expected = {'K', 'e', 'l', 'm'};
    const Bytes held = memory(4, 1024);
    expected.insert(expected.end(), held.begin(), held.end());
    EXPECT_EQ(read_file(uploaded), expected);
    EXPECT_EQ(read_file(uploaded), sent);
    EXPECT_TRUE(boxes.shown().empty());
}

// The read wait takes a quit message and goes on; the caller gets it back, once.
TEST_F(Doubles, AQuitPostedBeforeATransferIsThereOnceAfterIt) {
    ASSERT_EQ(call(download, image, "USB"), 1024);
    PostQuitMessage(7);
    EXPECT_EQ(call(upload, uploaded, "USB"), 1023);
    EXPECT_EQ(take_quit_messages(), std::vector<WPARAM>{7});

    // The download's opening check reads through the same wait.
    PostQuitMessage(9);
    EXPECT_EQ(call(download, image, "USB"), 1024);
    EXPECT_EQ(take_quit_messages(), std::vector<WPARAM>{9});

    // Nothing taken, nothing posted.
    EXPECT_EQ(call(upload, uploaded, "USB"), 1023);
    EXPECT_TRUE(take_quit_messages().empty());
}

// The upload writes beside the old file and replaces it only when complete.
TEST_F(Doubles, AFailedUploadLeavesTheOldFileAsItWas) {
    const Bytes old_file = make_image(400, 9);
    write_file(uploaded, old_file);

    // No answer to any read: after ten, the prompt; Cancel ends the upload.
    refuse(1);
    boxes.answer_next(IDCANCEL);
    const DWORD start = GetTickCount();
    EXPECT_EQ(call(upload, uploaded, "USB"), 0);
    EXPECT_GE(GetTickCount() - start, 10 * 500u - 50);
    EXPECT_STREQ(status, "Upload Error.\n");
    EXPECT_EQ(boxes.shown(), (std::vector<ShownBox>{{"UPLOAD ERROR", " CONTINUE ? "}}));
    EXPECT_EQ(read_file(uploaded), old_file);

    // A file another program holds open, sharing no deletion, is not replaced,
    // and no temporary one stays beside it.
    refuse(0);
    ASSERT_EQ(call(download, image, "USB"), 1024);
    const HANDLE held = CreateFileA(uploaded.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(call(upload, uploaded, "USB"), 0);
    EXPECT_EQ(std::string(status), "File '" + uploaded + "' creation failed.\n");
    CloseHandle(held);
    EXPECT_EQ(read_file(uploaded), old_file);
    EXPECT_TRUE(files_matching("kbp*.tmp").empty());

    EXPECT_EQ(call(upload, uploaded, "USB"), 1023);
    EXPECT_EQ(read_file(uploaded), read_file(image));
    EXPECT_TRUE(files_matching("kbp*.tmp").empty());
}

// The device name holds one digit: COM12 must not open COM1, nor COM51 COM5.
TEST_F(Doubles, AComPortOfTwoDigitsIsRefusedBeforeAnythingIsOpened) {
    EXPECT_EQ(call(download, image, "COM12"), -2);
    EXPECT_STREQ(status, "unable to open COM12");
    EXPECT_EQ(call(download, image, "COM51:9600,N,8,1"), -2);
    EXPECT_STREQ(status, "unable to open COM51");
    EXPECT_TRUE(boxes.shown().empty());
}

// --- over USB, without a KBPFUNC.DLL

using NoKbpfunc = Kbpi32;

TEST_F(NoKbpfunc, EachTransferShowsTheLoadBoxAndTriesTheLoadAgain) {
    ASSERT_EQ(set_interface(4), 0);
    write_file("usb_image.kbp", make_image(400, 3));
    DeleteFileA("usb_uploaded.kbp");
    for (int attempt = 0; attempt < 2; ++attempt) {
        EXPECT_EQ(call(upload, "usb_uploaded.kbp", "USB"), 0);
        EXPECT_STREQ(status, "Upload Error.\n");
        EXPECT_EQ(progress, (std::vector<int>{0, 0}));
    }
    EXPECT_EQ(call(download, "usb_image.kbp", "USB"), -5);
    EXPECT_STREQ(status, "download check failed");
    const ShownBox load_box = {"Unable to load KBPFUNC.DLL ", "Error"};
    EXPECT_EQ(boxes.shown(), (std::vector<ShownBox>{load_box, load_box, load_box}));
    EXPECT_EQ(GetModuleHandleA("KBPFUNC.DLL"), nullptr);
    EXPECT_EQ(read_file("usb_uploaded.kbp"), Bytes{});
}

// --- over the COM port linked to the pty keyboard, which echoes at 2400,O,8,1
// only. serial-driver.sh compares the keyboard's memory with com_image.kbp.

class Serial : public Kbpi32 {
protected:
    void SetUp() override {
        Kbpi32::SetUp();
        const char* port_name = std::getenv("KBP_COM_PORT");
        port = port_name != nullptr ? port_name : "";
        // Never a port Wine maps to the machine's own serial lines.
        ASSERT_TRUE(port.size() == 4 && port.compare(0, 3, "COM") == 0 && port[3] >= '5') << port;
        write_file(image, make_image(8192, 1));
    }
    const std::string image = "com_image.kbp";
    std::string port;
};

TEST_F(Serial, AnImageGoesOutWithTheSettingsGiven) {
    EXPECT_EQ(call(download, image, (port + ":2400,O,8,1").c_str()), 8192);
    EXPECT_STREQ(status, " 8192 bytes sent");
    EXPECT_EQ(progress.back(), 100);
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(Serial, AnImageGoesOutAtTheSettingsTheSearchFinds) {
    EXPECT_EQ(call(download, image, port.c_str()), 8192);
    EXPECT_STREQ(status, " 8192 bytes sent");
    // The box tells the user what was found; it is answered OK.
    EXPECT_EQ(boxes.shown(), (std::vector<ShownBox>{{"set to 2400,O,8,1", ""}}));
}

// A pty applies even parity but cannot show it, so asking for it again on a
// line already set so changes nothing and SetCommState reports the failure.
TEST_F(Serial, ALineThatCannotBeSetGivesTheTextWithItsAcuteAccent) {
    const std::string even = port + ":2400,E,8,1";
    call(download, image, even.c_str());
    EXPECT_EQ(call(download, image, even.c_str()), -2);
    EXPECT_EQ(std::string(status), " can\xB4t set com state ");
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const char* mode = argc == 2 ? argv[1] : "";
    if (std::strcmp(mode, "doubles") == 0)
        ::testing::GTEST_FLAG(filter) = "Doubles.*";
    else if (std::strcmp(mode, "no_kbpfunc") == 0)
        ::testing::GTEST_FLAG(filter) = "NoKbpfunc.*";
    else if (std::strcmp(mode, "serial") == 0)
        ::testing::GTEST_FLAG(filter) = "Serial.*";
    else {
        std::fprintf(stderr, "usage: %s doubles|no_kbpfunc|serial\n", argv[0]);
        return 2;
    }
    return RUN_ALL_TESTS();
}
