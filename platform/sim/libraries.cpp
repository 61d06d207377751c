#include "platform/sim/libraries.h"

#include <algorithm>
#include <cctype>

namespace sim {

namespace {
std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}
}  // namespace

void Libraries::install(std::string name, std::map<std::string, void*> symbols) {
    remove(name);
    installed.push_back({std::move(name), std::move(symbols)});
}

void Libraries::remove(const std::string& name) {
    std::erase_if(installed, [&](const Library& l) { return upper(l.name) == upper(name); });
}

unsigned Libraries::attempts(const std::string& name) const {
    auto it = load_attempts.find(upper(name));
    return it == load_attempts.end() ? 0 : it->second;
}

}  // namespace sim
