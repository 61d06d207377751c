#pragma once
// The platform contract: message boxes (MessageBoxA with no owner window).
#include <cstdint>

namespace platform {

constexpr std::uint32_t kMbOkCancel = 0x00000001;
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

int message_box(const char* text, const char* caption, std::uint32_t type);

}  // namespace platform
