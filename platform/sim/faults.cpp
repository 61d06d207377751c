#include "platform/sim/faults.h"

#include <algorithm>

namespace sim {

Faults& faults() {
    static Faults f;
    return f;
}

void Faults::fail(Call call, unsigned after) { fail_from_[index(call)] = uses_[index(call)] + after; }

void Faults::fail_once(Call call, unsigned after) { fail_once_at_[index(call)].push_back(uses_[index(call)] + after); }

void Faults::heal(Call call) {
    fail_from_[index(call)] = kNever;
    fail_once_at_[index(call)].clear();
}

void Faults::note(Call call) {
    ++uses_[index(call)];
    if (record) calls.push_back(call);
}

bool Faults::refuses(Call call) {
    const unsigned use = uses_[index(call)];
    note(call);
    if (use >= fail_from_[index(call)]) return true;
    std::vector<unsigned>& once = fail_once_at_[index(call)];
    return !once.empty() && std::find(once.begin(), once.end(), use) != once.end();
}

}  // namespace sim
