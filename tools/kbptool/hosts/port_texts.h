#pragma once
// The library's words about a COM port that every host reads the same way.
#include <string_view>

#include "kbpi32/common/texts.h"

namespace kbptool {

namespace port_texts_detail {
inline bool begins_like(std::string_view status, std::string_view format) {
    return status.starts_with(format.substr(0, format.find('%')));
}
}  // namespace port_texts_detail

// Whether the library's status text says it could not open the port ("unable to open COM3").
inline bool says_unable_to_open(std::string_view status) {
    return port_texts_detail::begins_like(status, kbp::text::kUnableToOpen);
}
// Whether it says the port opened but its line state could not be read ("unable to config COM3").
inline bool says_unable_to_config(std::string_view status) {
    return port_texts_detail::begins_like(status, kbp::text::kUnableToConfig);
}

}  // namespace kbptool
