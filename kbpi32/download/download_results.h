#pragma once
// What kbp_download returns: the file's size when every byte was sent, else
// one of these.
#include <cstdint>

namespace kbp::download_result {
constexpr std::int32_t kNoFileSpecified = -1;
constexpr std::int32_t kComPortFailed = -2;
constexpr std::int32_t kNotAComPort = -3;
constexpr std::int32_t kCannotCloseComPort = -4;
constexpr std::int32_t kTransferStopped = -5;
constexpr std::int32_t kNotAnImage = -6;
constexpr std::int32_t kFileNotFound = -7;
}  // namespace kbp::download_result
