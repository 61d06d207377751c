// Write-block frames through the byte channel to an instant keyboard on the
// simulated PC, one benchmark per path. Run by hand:
//   build/native/bin/kbp_bench
// "bytes_per_second" counts frame bytes handed to kbd_send_byte;
// "time_per_byte" (shown as e.g. 255ns) is the cost of
// one frame byte: the library together with the simulated PC.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>

#include "bench_paths.h"
#include "kbpi32/channel/frames.h"

namespace {

constexpr int kBlock = 64;
constexpr int kFrameBytes = 12 + 2 * kBlock;

void run_frames(benchmark::State& state, void (*set_up_path)(kbdsim::Keyboard&)) {
    static kbdsim::Keyboard keyboard;
    keyboard = kbdsim::Keyboard{};
    keyboard.record_bytes = false;
    keyboard.record_frames = false;
    set_up_path(keyboard);

    std::array<std::uint8_t, kBlock> block{};
    for (int i = 0; i < kBlock; ++i) block[i] = static_cast<std::uint8_t>(i * 7);
    int address = 4;
    for (auto _ : state) {
        if (kbp::send_write_block(address, block.data(), kBlock) != 0) {
            state.SkipWithError("the keyboard refused a byte");
            break;
        }
        address = (address + kBlock) & 0xFFFF;
    }
    const auto bytes = static_cast<double>(state.iterations()) * kFrameBytes;
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
    state.counters["time_per_byte"] =
        benchmark::Counter(bytes, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    if (keyboard.bad_frames != 0) state.SkipWithError("the keyboard decoded a bad frame");
}

}  // namespace

#define KBP_PATH_BENCHMARK(name) \
    static void BM_##name(benchmark::State& s) { run_frames(s, kbp_bench::name); } \
    BENCHMARK(BM_##name)

KBP_PATH_BENCHMARK(controller_ports);
KBP_PATH_BENCHMARK(port_driver);
KBP_PATH_BENCHMARK(class_driver);
KBP_PATH_BENCHMARK(usb);
KBP_PATH_BENCHMARK(serial);
