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

    // `total_bytes` 0: not known in advance (an upload); it is then found from
    // the percentages and `bytes_per_report`, the bytes one report stands for,
    // and shown once it is known to within those bytes.
    Progress(std::string label, long total_bytes, long bytes_per_report, bool shown, std::function<void()> on_step);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // The library's callback, for the Progress made last.
    static void KBPI32_CALL callback(int percent);
    double seconds() const { return std::chrono::duration<double>(Clock::now() - start_).count(); }
    // Ends the line being drawn; `bytes_moved` (known once the library
    // returns) corrects an estimated total that was shown.
    void finish(long bytes_moved = 0);

    // The bytes a report of `percent` stands for, and the total as far as it
    // is known (0: not yet); `estimated` where the total is found, not given.
    struct Count {
        long done = 0;
        long total = 0;
        bool estimated = false;
    };
    Count count(int percent);

private:
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
    // The upload's end address lies in (lowest_end_, highest_end_]; the total fixed from it.
    long lowest_end_ = 0;
    long highest_end_ = 0;
    long found_total_ = 0;
    std::function<void()> on_step_;
    Clock::time_point start_ = Clock::now();
    std::deque<std::pair<Clock::time_point, long>> samples_;
    Progress* outer_;
};

void end_progress_line();  // of the Progress made last
// From now on every report is a line "@progress LABEL PERCENT" on stdout, for
// the kbptool that runs this one as a worker among several.
void report_progress_as_lines();
constexpr char kProgressLineStart[] = "@progress ";
}  // namespace kbptool
