// The cost of the real kbpi32.dll per serial frame byte, against a bare loop
// of the five Win32 calls each byte needs (PurgeComm RX, PurgeComm TX,
// WriteFile, SetCommTimeouts, ReadFile), measured in the same run over the same
// COM port, linked to a pty keyboard that answers at once. A measurement, not
// a test of a limit: it fails only when a transfer fails.
// Usage: <program> [ROUNDS]   (KBP_COM_PORT names the port; serial-driver.sh runs it)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Progress = void(__stdcall*)(int);
using Download = int(__stdcall*)(const char*, char*, Progress);

constexpr unsigned kImageSize = 8192;
constexpr unsigned kBlock = 64;
constexpr unsigned kFrameOverhead = 12;  // start, command, address, count and checksum digits
constexpr unsigned kClosingBytes = 3;    // end of download (2) and the enable command

double seconds_now() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The bytes kbp_download sends for an image of `size` bytes.
unsigned frame_bytes(unsigned size) {
    unsigned bytes = kClosingBytes;
    for (unsigned at = 4; at < size; at += kBlock) bytes += kFrameOverhead + 2 * (size - at < kBlock ? size - at : kBlock);
    return bytes;
}

// Microseconds per byte of `count` acknowledged single-byte sends, done the
// way the library's serial transport does them; negative when one fails.
double bare_loop_us(const std::string& port_name, unsigned count) {
    const HANDLE port = CreateFileA(port_name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (port == INVALID_HANDLE_VALUE) return -1;
    COMMTIMEOUTS timeouts{0, 0, 200, 0, 200};
    SetCommTimeouts(port, &timeouts);
    const double start = seconds_now();
    bool acknowledged = true;
    for (unsigned i = 0; i < count && acknowledged; ++i) {
        BYTE byte = static_cast<BYTE>(i & 0x7F), answer = 0;
        DWORD moved = 0;
        PurgeComm(port, PURGE_RXCLEAR);
        PurgeComm(port, PURGE_TXCLEAR);
        WriteFile(port, &byte, 1, &moved, nullptr);
        SetCommTimeouts(port, &timeouts);
        acknowledged = ReadFile(port, &answer, 1, &moved, nullptr) && moved == 1 && answer == 0xFA;
    }
    const double elapsed = seconds_now() - start;
    CloseHandle(port);
    return acknowledged ? elapsed * 1e6 / count : -1;
}

// Microseconds per frame byte of one kbp_download; negative when it fails.
double library_us(Download download, const std::string& port_name, const char* image) {
    char status[256];
    std::snprintf(status, sizeof status, "%s:9600,N,8,1", port_name.c_str());
    const double start = seconds_now();
    const int result = download(image, status, nullptr);
    const double elapsed = seconds_now() - start;
    if (result != static_cast<int>(kImageSize)) {
        std::fprintf(stderr, "kbp_download: %d '%s'\n", result, status);
        return -1;
    }
    return elapsed * 1e6 / frame_bytes(kImageSize);
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 2;
    const char* port_env = std::getenv("KBP_COM_PORT");
    const std::string port = port_env != nullptr ? port_env : "";
    if (port.size() != 4 || port.compare(0, 3, "COM") != 0 || port[3] < '5') {
        std::fprintf(stderr, "KBP_COM_PORT must name COM5..COM9, not '%s'\n", port.c_str());
        return 2;
    }
    const HMODULE dll = LoadLibraryA("kbpi32.dll");
    const auto download =
        dll != nullptr ? reinterpret_cast<Download>(reinterpret_cast<void*>(GetProcAddress(dll, "kbp_download"))) : nullptr;
    if (download == nullptr) {
        std::fprintf(stderr, "cannot load kbpi32.dll\n");
        return 1;
    }
    const char* image = "speed_image.kbp";
    std::vector<unsigned char> bytes(kImageSize);
    for (unsigned i = 0; i < kImageSize; ++i) bytes[i] = static_cast<unsigned char>(i * 7);
    bytes[0] = 'K', bytes[1] = 'e', bytes[2] = 'l', bytes[3] = 'm';
    FILE* out = std::fopen(image, "wb");
    if (out == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size()) return 1;
    std::fclose(out);

    // The best of each, alternating, so that both see the same machine.
    double bare = 1e9, library = 1e9;
    for (int round = 0; round < rounds; ++round) {
        const double b = bare_loop_us(port, frame_bytes(kImageSize));
        const double l = library_us(download, port, image);
        if (b < 0 || l < 0) return 1;
        bare = b < bare ? b : bare;
        library = l < library ? l : library;
    }
    std::printf("%u-bit kbpi32.dll over a pty, best of %d rounds of %u frame bytes:\n", unsigned(sizeof(void*) * 8),
                rounds, frame_bytes(kImageSize));
    std::printf("  bare loop of the five calls: %.1f us per byte\n", bare);
    std::printf("  kbpi32.dll (kbp_download):   %.1f us per frame byte\n", library);
    std::printf("  ratio %.3f (goal at most 1.05)\n", library / bare);
    return 0;
}
