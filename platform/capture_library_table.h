#pragma once
// The routine table of a capture library built into a backend: all 47 names,
// the six kbpi32 calls bound to the backend's own routines, every other name
// to one that does nothing.
#include <map>
#include <string>

#include "platform/capture_library.h"

namespace platform {

struct CaptureRoutines {
    void* open;
    void* close;
    void* set_language;
    void* callback_data_capture;
    void* get_data_capture;
    void* capture_data;
    void* unused;  // every name kbpi32 only resolves
};

inline std::map<std::string, void*> capture_library_table(const CaptureRoutines& r) {
    std::map<std::string, void*> symbols;
    for (const char* name : kCaptureLibraryNames) symbols[name] = r.unused;
    symbols["kbp_open"] = r.open;
    symbols["kbp_close"] = r.close;
    symbols["kbp_set_language"] = r.set_language;
    symbols["kbp_callback_data_capture"] = r.callback_data_capture;
    symbols["kbp_get_data_capture"] = r.get_data_capture;
    symbols["kbp_capture_data"] = r.capture_data;
    return symbols;
}

}  // namespace platform
