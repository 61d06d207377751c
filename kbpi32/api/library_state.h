#pragma once

namespace kbp {

// Puts every process-wide variable of the library back to its value at load,
// as if the library had just been loaded. For tests.
void reset_library_state();

}  // namespace kbp
