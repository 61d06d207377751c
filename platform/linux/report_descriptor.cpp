#include "platform/linux/report_descriptor.h"

#include <algorithm>
#include <map>
#include <vector>

namespace platform::linux_backend {

namespace {

enum ItemType { kMain = 0, kGlobal = 1, kLocal = 2 };
constexpr unsigned kInput = 0x8, kOutput = 0x9, kFeature = 0xB, kCollection = 0xA;
constexpr unsigned kUsagePage = 0x0, kReportSize = 0x7, kReportId = 0x8, kReportCount = 0x9, kPush = 0xA,
                   kPop = 0xB;
constexpr unsigned kUsage = 0x0;
constexpr unsigned kLongItem = 0xFE;
constexpr std::size_t kMaxStack = 16;

struct Globals {
    std::uint32_t usage_page = 0;
    std::uint32_t report_size = 0;
    std::uint32_t report_count = 0;
    std::uint32_t report_id = 0;
};

}  // namespace

std::optional<ReportLengths> report_lengths(std::string_view d) {
    Globals g;
    std::vector<Globals> stack;
    std::uint32_t usage = 0;
    int depth = 0;
    bool top_seen = false;
    ReportLengths lengths;
    std::map<std::pair<unsigned, std::uint32_t>, std::uint64_t> bits;  // (kind, report id) -> bits
    std::size_t i = 0;
    while (i < d.size()) {
        const unsigned prefix = static_cast<unsigned char>(d[i]);
        if (prefix == kLongItem) {
            if (i + 1 >= d.size()) return std::nullopt;
            i += 3 + static_cast<unsigned char>(d[i + 1]);
            if (i > d.size()) return std::nullopt;
            continue;
        }
        const std::size_t size = (prefix & 3) == 3 ? 4 : prefix & 3;
        if (i + 1 + size > d.size()) return std::nullopt;
        std::uint32_t value = 0;
        for (std::size_t k = 0; k < size; ++k) value |= std::uint32_t(static_cast<unsigned char>(d[i + 1 + k])) << (8 * k);
        i += 1 + size;
        const unsigned type = (prefix >> 2) & 3, tag = prefix >> 4;
        if (type == kGlobal) {
            switch (tag) {
            case kUsagePage: g.usage_page = value; break;
            case kReportSize: g.report_size = value; break;
            case kReportCount: g.report_count = value; break;
            case kReportId: g.report_id = value; break;
            case kPush:
                if (stack.size() == kMaxStack) return std::nullopt;
                stack.push_back(g);
                break;
            case kPop:
                if (stack.empty()) return std::nullopt;
                g = stack.back();
                stack.pop_back();
                break;
            }
        } else if (type == kLocal && tag == kUsage) {
            usage = value;
        } else if (type == kMain) {
            if (tag == kInput || tag == kOutput || tag == kFeature)
                bits[{tag, g.report_id}] += std::uint64_t(g.report_size) * g.report_count;
            if (tag == kCollection && depth++ == 0 && !top_seen) {
                top_seen = true;
                // A usage of four bytes carries its own page in the high half.
                lengths.usage = std::uint16_t(usage);
                lengths.usage_page = std::uint16_t(usage > 0xFFFF ? usage >> 16 : g.usage_page);
            }
            if (tag == 0xC && depth > 0) --depth;
            usage = 0;
        }
    }
    for (const auto& [key, count] : bits) {
        const std::uint64_t bytes = (count + 7) / 8 + 1;
        std::uint16_t& length = key.first == kInput ? lengths.input : key.first == kOutput ? lengths.output : lengths.feature;
        length = std::uint16_t(std::min<std::uint64_t>(0xFFFF, std::max<std::uint64_t>(length, bytes)));
    }
    return lengths;
}

}  // namespace platform::linux_backend
