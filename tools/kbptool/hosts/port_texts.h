#pragma once
// The library's words about a COM port that every host reads the same way.
#include <string_view>

#include "kbpi32/common/texts.h"

namespace kbptool {

// Whether the library's status text says it could not open the port ("unable to open COM3").
inline bool says_unable_to_open(std::string_view status) {
    const std::string_view words = kbp::text::kUnableToOpen;
    return status.starts_with(words.substr(0, words.find('%')));
}

}  // namespace kbptool
