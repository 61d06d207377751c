#include "platform/windows_model/libraries.h"

#include <algorithm>
#include <cctype>

#include "include/kbp_protocol.h"

namespace platform::windows_model {

namespace {

std::string upper(const char* s) {
    std::string u;
    for (; s != nullptr && *s != '\0'; ++s) u += static_cast<char>(std::toupper(static_cast<unsigned char>(*s)));
    return u;
}

// The names loaded so far, in order; a module handle stands for its name.
// Kept for the life of the process, whatever a reset of a table does.
std::vector<std::string>& loaded_names() {
    static std::vector<std::string> names;
    return names;
}

constexpr std::uintptr_t kModuleBase = 0x10000000;
constexpr std::uintptr_t kModuleStride = 0x10000;

}  // namespace

void LibraryTable::install(std::string name, Symbols symbols) {
    remove(name);
    installed.push_back({std::move(name), std::move(symbols)});
}

void LibraryTable::remove(const std::string& name) {
    std::erase_if(installed, [&](const Library& l) { return upper(l.name.c_str()) == upper(name.c_str()); });
}

unsigned LibraryTable::attempts(const std::string& name) const {
    const auto it = load_attempts.find(upper(name.c_str()));
    return it == load_attempts.end() ? 0 : it->second;
}

void LibraryTable::note_attempt(const char* name) { ++load_attempts[upper(name)]; }

Module LibraryTable::load(const char* name) {
    const std::string wanted = upper(name);
    if (std::none_of(installed.begin(), installed.end(),
                     [&](const Library& l) { return upper(l.name.c_str()) == wanted; }))
        return nullptr;
    ++loads;
    auto& names = loaded_names();
    const auto known = std::find(names.begin(), names.end(), wanted);
    const auto index = static_cast<std::uintptr_t>(known - names.begin());
    if (known == names.end()) names.push_back(wanted);
    return reinterpret_cast<Module>(kModuleBase + kModuleStride * index);
}

void* LibraryTable::find(Module module, const char* name) const {
    const std::uintptr_t offset = reinterpret_cast<std::uintptr_t>(module) - kModuleBase;
    const auto& names = loaded_names();
    if (name == nullptr || offset % kModuleStride != 0 || offset / kModuleStride >= names.size()) return nullptr;
    const std::string& library = names[offset / kModuleStride];
    for (const Library& l : installed) {
        if (upper(l.name.c_str()) != library) continue;
        const auto it = l.symbols.find(name);
        return it == l.symbols.end() ? nullptr : it->second;
    }
    return nullptr;
}

Symbols usb_library_symbols(void* send, void* close) {
    return {{KBP_USB_SEND_ROUTINE, send}, {KBP_USB_CLOSE_ROUTINE, close}};
}

}  // namespace platform::windows_model
