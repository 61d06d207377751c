#pragma once
// The caller's status buffer: the library's only voice.

namespace kbp {

struct StatusState {
    // The status buffer of the transfer call in progress (or of the last one);
    // null before the first. Every message of the library is written through it.
    char* current_status = nullptr;
    bool operator==(const StatusState&) const = default;
};
extern StatusState status_state;

// Replaces the current status buffer's text, printf-style. The caller owns the
// buffer and its size; with no buffer the message is dropped.
void write_status(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace kbp
