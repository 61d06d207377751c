#include "cli/suggest.h"

#include <algorithm>

namespace kbptool {

namespace {

// Edits (insert, delete, change, swap two neighbours) from a to b.
std::size_t distance(const std::string& a, const std::string& b) {
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i)
        for (std::size_t j = 1; j <= b.size(); ++j) {
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] != b[j - 1])});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return d[a.size()][b.size()];
}

}  // namespace

std::string closest_word(const std::string& typed, const std::vector<std::string>& known) {
    std::string best;
    std::size_t best_distance = std::max<std::size_t>(2, typed.size() / 3) + 1;
    for (const std::string& word : known) {
        const std::size_t d = word.starts_with(typed) && typed.size() >= 2 ? 1 : distance(typed, word);
        if (d < best_distance) {
            best = word;
            best_distance = d;
        }
    }
    return best;
}

}  // namespace kbptool
