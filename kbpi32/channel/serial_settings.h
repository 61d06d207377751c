#pragma once
// The line settings a port text carries ("9600,N,8,1"), and the table the
// automatic search tries when it carries none.
#include "platform/line_settings.h"

namespace kbp {

using platform::LineSettings;
using platform::parse_line_settings;

// The 24 settings the automatic search tries, in order, then the empty end
// marker.
constexpr int kProbeEntries = 24;
extern const char* const kComProbeTable[kProbeEntries + 1];

}  // namespace kbp
