#pragma once
// Libraries that LoadLibraryA finds on the simulated PC, each a table of the
// routines it exports.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace sim {

struct Library {
    std::string name;  // matched without regard to case
    std::map<std::string, void*> symbols;
};

struct Libraries {
    std::vector<Library> installed;
    std::map<std::string, unsigned> load_attempts;  // by upper-case name
    unsigned loads = 0;                              // successful loads

    void install(std::string name, std::map<std::string, void*> symbols);
    void remove(const std::string& name);
    unsigned attempts(const std::string& name) const;
};

Libraries& libraries();

}  // namespace sim
