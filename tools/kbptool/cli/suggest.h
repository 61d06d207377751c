#pragma once
// The closest of a few known words to a mistyped one ("downlaod": download).
#include <string>
#include <vector>

namespace kbptool {

// Empty when none is close enough to be what was meant.
std::string closest_word(const std::string& typed, const std::vector<std::string>& known);

}  // namespace kbptool
