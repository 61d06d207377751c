#pragma once
// What kbp_upload returns: the end address of the image read, else one of these.
#include <cstdint>

namespace kbp::upload_result {
constexpr std::int32_t kFailed = 0;
constexpr std::int32_t kNoFileSpecified = -1;
}  // namespace kbp::upload_result
