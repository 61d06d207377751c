#pragma once
// The report lengths a HID report descriptor gives, as HidP_GetCaps reports
// them: the longest report of each kind in bytes, its report identifier byte
// included; 0 for a kind the device has none of.
#include <cstdint>
#include <optional>
#include <string_view>

namespace platform::linux_backend {

struct ReportLengths {
    std::uint16_t usage = 0;       // of the first top-level collection
    std::uint16_t usage_page = 0;
    std::uint16_t input = 0;
    std::uint16_t output = 0;
    std::uint16_t feature = 0;
};

// None when the descriptor is cut short or pushes or pops past its stack.
std::optional<ReportLengths> report_lengths(std::string_view descriptor);

}  // namespace platform::linux_backend
