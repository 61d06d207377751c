#pragma once
// The progress of one transfer: a bar on a terminal, a line per tenth
// elsewhere, nothing when quiet.
#include <chrono>
#include <functional>
#include <string>

#include "include/kbpi32.h"

namespace kbptool {

class Progress {
public:
    // `total_bytes` 0: not known in advance. `on_step` runs at every report.
    Progress(std::string label, long total_bytes, bool shown, std::function<void()> on_step);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // What the library calls; reaches the Progress made last.
    static void KBPI32_CALL callback(int percent);
    // The total, once known.
    void set_total(long total_bytes) { total_ = total_bytes; }
    double seconds() const;
    void finish();

private:
    void show(int percent);

    std::string label_;
    long total_;
    bool shown_;
    bool on_terminal_;
    bool bar_open_ = false;
    int last_tenth_ = -1;
    std::function<void()> on_step_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    Progress* outer_;
};

}  // namespace kbptool
