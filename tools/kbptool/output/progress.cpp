#include "output/progress.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace kbptool {
namespace {

Progress* current = nullptr;
bool as_lines = false;
constexpr int kBarWidth = 24;
// The rate is taken over this much of the recent past: the opening check and
// the first block do not stretch the time left.
constexpr double kRateWindowSeconds = 3.0;

double seconds_between(Progress::Clock::time_point a, Progress::Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

// "512 B/s", "1.2 kB/s".
std::string rate_text(double rate) {
    char text[32];
    std::snprintf(text, sizeof text, rate >= 1000 ? "%.1f kB/s" : "%.0f B/s", rate >= 1000 ? rate / 1000 : rate);
    return text;
}
}  // namespace

Progress::Progress(std::string label, long total_bytes, long bytes_per_report, bool shown,
                   std::function<void()> on_step)
    : label_(std::move(label)), total_(total_bytes), bytes_per_report_(bytes_per_report), shown_(shown),
      on_terminal_(isatty(2) != 0), on_step_(std::move(on_step)), outer_(current) {
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

void Progress::finish(long bytes_moved) {
    if (shown_ && !as_lines && bytes_moved > 0 && found_total_ != 0 && found_total_ != bytes_moved) {
        total_ = found_total_ = bytes_moved;
        last_tenth_ = -1;
        show(100);
    }
    if (line_open_) std::fprintf(stderr, "\n");
    line_open_ = false;
}

void report_progress_as_lines() { as_lines = true; }

void end_progress_line() {
    if (current != nullptr) current->finish();
}

Progress::Count Progress::count(int percent) {
    ++reports_;
    if (total_ > 0) return {total_ * percent / 100, total_, false};
    // An upload reports once per read after the first report of 0.
    const long read = reports_ > 1 ? (reports_ - 1) * bytes_per_report_ : 0;
    // The library reports read * 100 / end: the end lies in (read*100/(percent+1), read*100/percent].
    if (found_total_ == 0 && percent > 0 && percent < 100 && read > 0) {
        const long lowest = read * 100 / (percent + 1);
        const long highest = read * 100 / percent;
        // The first report, or one that contradicts the others (a read that failed and counted).
        const bool anew = highest_end_ == 0 || lowest >= highest_end_ || highest <= lowest_end_;
        lowest_end_ = anew ? lowest : std::max(lowest_end_, lowest);
        highest_end_ = anew ? highest : std::min(highest_end_, highest);
        if (highest_end_ - lowest_end_ <= bytes_per_report_) found_total_ = highest_end_ + 1;
    }
    if (found_total_ == 0) return {read, 0, true};
    return {percent >= 100 || read > found_total_ ? found_total_ : read, found_total_, true};
}

double Progress::recent_rate(Clock::time_point now, long bytes) {
    samples_.emplace_back(now, bytes);
    while (samples_.size() > 2 && seconds_between(samples_[1].first, now) >= kRateWindowSeconds) samples_.pop_front();
    // From the first byte that moved: the set-up before it is no transfer.
    while (samples_.size() > 2 && samples_[1].second == samples_[0].second && samples_[0].second == 0)
        samples_.pop_front();
    const double span = seconds_between(samples_.front().first, now);
    const long moved = bytes - samples_.front().second;
    return span > 0 && moved > 0 ? moved / span : 0;
}

void Progress::show(int percent) {
    if (as_lines) {
        std::printf("%s%s %d\n", kProgressLineStart, label_.c_str(), std::clamp(percent, 0, 100));
        std::fflush(stdout);
        return;
    }
    if (!shown_) return void(++reports_);
    // The upload's last chunk may report a little over 100.
    percent = std::clamp(percent, 0, 100);
    const Clock::time_point now = Clock::now();
    const Count c = count(percent);
    const double rate = recent_rate(now, c.done);
    std::string tail = "  " + (c.total > 0 ? (c.estimated ? "~" : "") + std::to_string(c.done) + "/" + std::to_string(c.total)
                                           : std::to_string(c.done)) + " bytes";
    if (rate > 0) tail += "  " + rate_text(rate);
    if (rate > 0 && c.total > c.done && percent < 100) {
        char left[32];
        std::snprintf(left, sizeof left, "  ~%.1f s left", double(c.total - c.done) / rate);
        tail += left;
    }
    if (!on_terminal_) {
        if (percent / 10 == last_tenth_) return;
        last_tenth_ = percent / 10;
        std::fprintf(stderr, "%s %3d%%%s\n", label_.c_str(), percent, tail.c_str());
        return;
    }
    const int filled = percent * kBarWidth / 100;
    const std::string bar = std::string(std::size_t(filled), '#') + std::string(std::size_t(kBarWidth - filled), '.');
    std::fprintf(stderr, "\r%s [%s] %3d%%%s  %.1f s\x1b[K", label_.c_str(), bar.c_str(), percent, tail.c_str(),
                 seconds_between(start_, now));
    line_open_ = true;
}
}  // namespace kbptool
