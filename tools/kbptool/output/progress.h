#pragma once
// The progress of one transfer on stderr: one redrawn line on a terminal, a
// line per tenth elsewhere, nothing when not shown. Bytes done and total, the
// rate over the last seconds, and the time left at that rate.
#include <chrono>
#include <deque>
#include <functional>
#include <string>

#include "include/kbpi32.h"

namespace kbptool {

class Progress {
public:
    using Clock = std::chrono::steady_clock;

    // `total_bytes` 0: not known in advance (an upload); it is then estimated
    // from the percentages and `bytes_per_report`, the bytes one report stands for.
    Progress(std::string label, long total_bytes, long bytes_per_report, bool shown, std::function<void()> on_step);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // What the library calls; reaches the Progress made last.
    static void KBPI32_CALL callback(int percent);
    double seconds() const;
    // How many reports came, and the percent of the last (-1: none came):
    // what a transfer that stopped had got through.
    long reports() const { return reports_; }
    int last_percent() const { return last_percent_; }
    void finish();

private:
    // Bytes done after a report of `percent`, the `reports`-th.
    long bytes_done(int percent, long reports) const;
    void show(int percent);
    double recent_rate(Clock::time_point now, long bytes);

    std::string label_;
    long total_;
    long bytes_per_report_;
    bool shown_;
    bool on_terminal_;
    bool line_open_ = false;
    int last_tenth_ = -1;
    long reports_ = 0;
    int last_percent_ = -1;
    std::function<void()> on_step_;
    Clock::time_point start_ = Clock::now();
    std::deque<std::pair<Clock::time_point, long>> samples_;
    Progress* outer_;
};

// "512 B/s", "1.2 kB/s".
std::string rate_text(double bytes_per_second);

}  // namespace kbptool
