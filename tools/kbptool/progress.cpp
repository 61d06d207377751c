#include "progress.h"

#include <unistd.h>

#include <cstdio>

namespace kbptool {

namespace {
Progress* current = nullptr;
constexpr int kBarWidth = 30;
}  // namespace

Progress::Progress(std::string label, long total_bytes, bool shown, std::function<void()> on_step)
    : label_(std::move(label)), total_(total_bytes), shown_(shown), on_terminal_(isatty(1) != 0),
      on_step_(std::move(on_step)), outer_(current) {
    current = this;
}

Progress::~Progress() {
    finish();
    current = outer_;
}

void KBPI32_CALL Progress::callback(int percent) {
    if (current == nullptr) return;
    if (current->on_step_ && percent < 100) current->on_step_();
    current->show(percent);
}

double Progress::seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void Progress::finish() {
    if (bar_open_) std::printf("\n");
    std::fflush(stdout);
    bar_open_ = false;
}

void Progress::show(int percent) {
    if (!shown_) return;
    // The upload's last chunk may report a little over 100.
    if (percent > 100) percent = 100;
    if (percent < 0) percent = 0;
    const double elapsed = seconds();
    if (!on_terminal_) {
        if (percent / 10 == last_tenth_) return;
        last_tenth_ = percent / 10;
        std::printf("%s %3d%%\n", label_.c_str(), percent);
        std::fflush(stdout);
        return;
    }
    const int filled = percent * kBarWidth / 100;
    std::string bar(std::size_t(filled), '#');
    bar.append(std::size_t(kBarWidth - filled), '.');
    std::printf("\r%s [%s] %3d%%", label_.c_str(), bar.c_str(), percent);
    if (total_ > 0) std::printf("  %ld/%ld bytes", total_ * percent / 100, total_);
    std::printf("  %.1f s", elapsed);
    if (percent > 0 && percent < 100) std::printf("  ~%.1f s left", elapsed * (100 - percent) / percent);
    std::printf("\x1b[K");
    std::fflush(stdout);
    bar_open_ = true;
}

}  // namespace kbptool
