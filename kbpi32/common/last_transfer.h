#pragma once
// What the last transfer did besides its result: the first thing that went
// wrong, the image bytes the path took, the line settings of its COM port.
// Hosts read it through kbp_get_last_transfer.
#include <cstdint>

#include "include/kbpi32.h"
#include "platform/line_settings.h"

namespace kbp {

struct LastTransferState {
    std::int32_t cause = KBP_CAUSE_NONE;
    std::int32_t bytes_sent = 0;
    char line_settings[sizeof kbp_last_transfer::line_settings] = {};
    bool operator==(const LastTransferState&) const = default;
};
extern LastTransferState last_transfer_state;

// A transfer begins: nothing has gone wrong yet.
void begin_transfer_report();
// Something went wrong; the first cause of a transfer is the one it keeps.
void note_cause(kbp_cause cause);
// The COM port is set up with `settings`, written as "9600,N,8,1".
void note_line_settings(const platform::LineSettings& settings);

}  // namespace kbp
