// The behaviour suite on the Win32 backend, under Wine: the real clock and
// message queue, the COM port serial-driver.sh links to a pty keyboard that
// never answers (KBP_COM_PORT), and the doubles of KBPUSB.DLL and KBPFUNC.DLL
// beside the program, whose keyboard model types the answer to a read request.
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "backend_under_test.h"
#include "kbdsim/keyboard.h"

namespace kbp_behaviour {
namespace {

using SendByte = unsigned char(__stdcall*)(int value);
using Reset = void(__stdcall*)();
using Close = int(__stdcall*)();

// Two bytes at this address make the keyboard type 5, A, C, 3 and the checksum 1, E.
constexpr std::uint16_t kAnswerAddress = 0x0200;
constexpr std::uint8_t kAnswerBytes[] = {0x5A, 0xC3};

template <typename F>
F routine_of(const char* library, const char* name) {
    const HMODULE module = GetModuleHandleA(library);
    return module != nullptr ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

// A frame as the keyboard decodes it: start, command, address and count as hex
// digits with their checksum, then any data digits with theirs.
std::vector<std::uint8_t> frame(std::uint8_t command, std::uint16_t address, std::uint8_t count,
                                const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> bytes = {kbdsim::kFrameStart, command};
    unsigned sum = 0;
    const auto digit = [&](unsigned nibble) {
        bytes.push_back(kbdsim::hex_digit_of(nibble));
        sum += nibble & 0x0F;
    };
    for (int shift = 12; shift >= 0; shift -= 4) digit(address >> shift);
    digit(count >> 4);
    digit(count);
    const unsigned header_sum = sum & 0xFF;
    bytes.push_back(kbdsim::hex_digit_of(header_sum >> 4));
    bytes.push_back(kbdsim::hex_digit_of(header_sum));
    if (data.empty()) return bytes;
    sum = 0;
    for (std::uint8_t b : data) digit(b >> 4), digit(b);
    bytes.push_back(kbdsim::hex_digit_of(sum >> 4));
    bytes.push_back(kbdsim::hex_digit_of(sum));
    return bytes;
}

class WindowsUnderWine : public BackendUnderTest {
public:
    const char* name() const override { return "Windows (Wine)"; }

    // The thread's queue exists once it was peeked at; the doubles start afresh.
    void reset() override {
        if (const auto close = routine_of<Close>("KBPFUNC.DLL", "kbp_close")) close();
        if (const auto fresh = routine_of<Reset>("KBPUSB.DLL", "double_reset")) fresh();
        for (MSG m; PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE);) {
        }
    }

    void let_time_pass(std::uint32_t ms) override { Sleep(ms); }

    void post_thread_message(std::uint32_t message) override {
        PostThreadMessageA(GetCurrentThreadId(), message, 0, 0);
    }

    // Never COM1..COM4: Wine links those to the machine's own serial lines.
    Offer<int> quiet_com_port() override {
        const char* port = std::getenv("KBP_COM_PORT");
        if (port == nullptr || std::strlen(port) != 4 || std::strncmp(port, "COM", 3) != 0 || port[3] < '5' ||
            port[3] > '9')
            return Offer<int>::lacks("KBP_COM_PORT names no COM5..COM9 linked to a pty (serial-driver.sh does that)");
        return {port[3] - '0', {}};
    }

    Offer<unsigned> hid_interface_count() override {
        return Offer<unsigned>::lacks("Wine lists virtual HID devices of its own, not the test's to count");
    }

    // The answer to a read request for (keystrokes - 2) / 2 bytes, written first.
    Offer<std::vector<std::uint8_t>> type_keys(int keystrokes) override {
        const int count = (keystrokes - 2) / 2;
        if (count < 1 || count > int(std::size(kAnswerBytes)) || keystrokes != 2 * count + 2)
            return Offer<std::vector<std::uint8_t>>::lacks("the keyboard answers a read with 2 keys a byte and 2 more");
        LoadLibraryA("KBPUSB.DLL");
        const auto send = routine_of<SendByte>("KBPUSB.DLL", "snddata_USB");
        if (send == nullptr) return Offer<std::vector<std::uint8_t>>::lacks("no KBPUSB.DLL double beside the program");
        const std::vector<std::uint8_t> bytes(kAnswerBytes, kAnswerBytes + count);
        for (std::uint8_t b : frame(kbdsim::kWriteBlock, kAnswerAddress, std::uint8_t(count), bytes)) send(b);
        for (std::uint8_t b : frame(kbdsim::kReadRequest, kAnswerAddress, std::uint8_t(count), {})) send(b);

        kbdsim::Keyboard model;
        for (int i = 0; i < count; ++i) model.memory[kAnswerAddress + i] = kAnswerBytes[i];
        std::vector<std::uint8_t> codes;
        for (std::uint8_t digit : model.read_answer(kAnswerAddress, std::uint8_t(count)))
            codes.push_back(kbdsim::make_code_of(digit));
        return {codes, {}};
    }

    Lack no_com_port_above_nine() override {
        return "the tests' prefix makes every number up to COM255 a port, so that Wine leaves the console's "
               "serial line only COM256";
    }

    Lack refuses_second_com_open() override { return "Wine does not enforce exclusive opens of a COM port"; }

    Lack pull_com_device(int) override {
        return "the pty behind the COM port belongs to serial-driver.sh; nothing here can pull it";
    }
};

}  // namespace

BackendUnderTest& backend_under_test() {
    static WindowsUnderWine windows;
    return windows;
}

}  // namespace kbp_behaviour
