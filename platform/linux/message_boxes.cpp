// Message boxes go to the prompt the host installed: a terminal has no
// desktop to show them on.
#include "platform/linux/host_settings.h"
#include "platform/message_boxes.h"

namespace platform {

int message_box(const char* text, const char* caption, std::uint32_t type) {
    const linux_backend::Prompt& prompt = linux_backend::host_settings().prompt;
    const bool offers_cancel = (type & kMbOkCancel) != 0;
    if (prompt) return prompt(text != nullptr ? text : "", caption != nullptr ? caption : "", offers_cancel) ? kIdOk : kIdCancel;
    return offers_cancel ? kIdCancel : kIdOk;
}

}  // namespace platform
