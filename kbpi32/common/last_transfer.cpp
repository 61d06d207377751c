#include "last_transfer.h"

#include <cstdio>

namespace kbp {

LastTransferState last_transfer_state;

void begin_transfer_report() { last_transfer_state = LastTransferState{}; }

void note_cause(kbp_cause cause) {
    if (last_transfer_state.cause == KBP_CAUSE_NONE) last_transfer_state.cause = cause;
}

void note_line_settings(const platform::LineSettings& settings) {
    constexpr char kParityLetters[] = "NOE";
    std::snprintf(last_transfer_state.line_settings, sizeof last_transfer_state.line_settings, "%u,%c,%u,1",
                  unsigned(settings.rate), kParityLetters[settings.parity % 3], unsigned(settings.data_bits));
}

}  // namespace kbp
