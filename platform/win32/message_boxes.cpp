// Message boxes: MessageBoxA with no owner window.
#include <windows.h>

#include "platform/message_boxes.h"

namespace platform {

int message_box(const char* text, const char* caption, std::uint32_t type) {
    return MessageBoxA(nullptr, text, caption, type);
}

}  // namespace platform
