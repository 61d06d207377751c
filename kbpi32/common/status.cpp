#include "status.h"

#include <cstdarg>
#include <cstdio>

namespace kbp {

StatusState status_state;

void write_status(const char* format, ...) {
    char* buffer = status_state.current_status;
    if (buffer == nullptr) return;
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length >= 0) std::vsnprintf(buffer, static_cast<std::size_t>(length) + 1, format, args);
    va_end(args);
}

}  // namespace kbp
