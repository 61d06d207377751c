#pragma once
// The record of transfers (--log FILE): one JSON line per keyboard and
// transfer, appended whole so that several kbptool processes share one file.
#include <cstdint>
#include <string>
#include <vector>

#include "output/report.h"

namespace kbptool {
struct RecordOf {
    std::string device;  // the keyboard as the command line named it (or the only one found)
    std::string image;   // the image's SHA-256 (upload: of the file written); empty when there is none
};
// The line (with its line feed) for a transfer whose report is `outcome_json`.
std::string record_line(const std::string& outcome_json, const RecordOf& of);
// "2026-12-10T11:33:47Z": now, in UTC.
std::string utc_now();
// A log that cannot be written, said before anything is sent.
Failure log_refusal(const std::string& error);
// Appends the line; a failure is a warning on the outcome, since the transfer has happened.
void append_record(const std::string& log, const std::string& line, Outcome& o, const OutputOptions& output);
}  // namespace kbptool
