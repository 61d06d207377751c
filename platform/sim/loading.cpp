// Run-time loading on the simulated PC: the libraries a test installed.
#include <cctype>
#include <string>
#include <vector>

#include "platform/loading.h"
#include "platform/sim/faults.h"
#include "platform/sim/libraries.h"

namespace platform {

namespace {

std::string upper(const char* s) {
    std::string u;
    for (; s != nullptr && *s != '\0'; ++s) u += static_cast<char>(std::toupper(static_cast<unsigned char>(*s)));
    return u;
}

// Module handles stay valid for the life of the process, as on Windows; the
// library's routines are looked up by name at each GetProcAddress.
std::vector<std::string>& loaded_names() {
    static std::vector<std::string> names;
    return names;
}

constexpr std::uintptr_t kModuleBase = 0x10000000;
constexpr std::uintptr_t kModuleStride = 0x10000;

}  // namespace

Module load_library(const char* name) {
    sim::Libraries& libs = sim::libraries();
    const std::string wanted = upper(name);
    ++libs.load_attempts[wanted];
    if (sim::faults().refuses(sim::Call::load_library)) return nullptr;
    for (const sim::Library& lib : libs.installed) {
        if (upper(lib.name.c_str()) != wanted) continue;
        ++libs.loads;
        auto& names = loaded_names();
        std::size_t i = 0;
        while (i < names.size() && names[i] != wanted) ++i;
        if (i == names.size()) names.push_back(wanted);
        return reinterpret_cast<Module>(kModuleBase + kModuleStride * i);
    }
    return nullptr;
}

void* find_symbol(Module module, const char* name) {
    if (sim::faults().refuses(sim::Call::find_symbol)) return nullptr;
    const std::uintptr_t offset = reinterpret_cast<std::uintptr_t>(module) - kModuleBase;
    const auto& names = loaded_names();
    if (name == nullptr || offset % kModuleStride != 0 || offset / kModuleStride >= names.size()) return nullptr;
    const std::string& wanted = names[offset / kModuleStride];
    for (const sim::Library& lib : sim::libraries().installed) {
        if (upper(lib.name.c_str()) != wanted) continue;
        auto it = lib.symbols.find(name);
        return it == lib.symbols.end() ? nullptr : it->second;
    }
    return nullptr;
}

}  // namespace platform
