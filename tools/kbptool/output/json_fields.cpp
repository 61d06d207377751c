#include "output/json_fields.h"

#include <cstdlib>

namespace kbptool {
namespace {
class Reader {
public:
    explicit Reader(std::string_view json) : s_(json) {}

    std::optional<JsonFields> object() {
        JsonFields fields;
        if (!take('{')) return std::nullopt;
        if (take('}')) return fields;
        do {
            std::string key;
            if (!string(key) || !take(':')) return std::nullopt;
            skip_space();
            if (peek() == '"') {
                std::string value;
                if (!string(value)) return std::nullopt;
                fields.texts[key] = value;
            } else if (s_.substr(at_).starts_with("true") || s_.substr(at_).starts_with("false")) {
                fields.flags[key] = s_[at_] == 't';
                at_ += fields.flags[key] ? 4 : 5;
            } else if (peek() == '{' || peek() == '[') {
                if (!pass_over()) return std::nullopt;
            } else if (s_.substr(at_).starts_with("null")) {
                at_ += 4;
            } else {
                const std::string rest(s_.substr(at_, 40));
                char* end = nullptr;
                const double value = std::strtod(rest.c_str(), &end);
                if (end == rest.c_str()) return std::nullopt;
                fields.numbers[key] = value;
                at_ += std::size_t(end - rest.c_str());
            }
        } while (take(','));
        if (!take('}')) return std::nullopt;
        return fields;
    }

private:
    char peek() const { return at_ < s_.size() ? s_[at_] : '\0'; }
    void skip_space() {
        while (at_ < s_.size() && (s_[at_] == ' ' || s_[at_] == '\n' || s_[at_] == '\r' || s_[at_] == '\t')) ++at_;
    }
    bool take(char c) {
        skip_space();
        if (peek() != c) return false;
        ++at_;
        return true;
    }
    static void append_utf8(std::string& out, unsigned code) {
        if (code < 0x80) return void(out += char(code));
        if (code < 0x800) return void(out += {char(0xC0 | code >> 6), char(0x80 | (code & 0x3F))});
        out += {char(0xE0 | code >> 12), char(0x80 | (code >> 6 & 0x3F)), char(0x80 | (code & 0x3F))};
    }
    bool string(std::string& out) {
        if (!take('"')) return false;
        while (at_ < s_.size() && s_[at_] != '"') {
            char c = s_[at_++];
            if (c != '\\') {
                out += c;
                continue;
            }
            if (at_ >= s_.size()) return false;
            c = s_[at_++];
            if (c == 'u') {
                if (at_ + 4 > s_.size()) return false;
                append_utf8(out, unsigned(std::strtoul(std::string(s_.substr(at_, 4)).c_str(), nullptr, 16)));
                at_ += 4;
            } else {
                out += c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c == 'b' ? '\b' : c == 'f' ? '\f' : c;
            }
        }
        return take('"');
    }
    // An object or array, strings inside it included.
    bool pass_over() {
        int depth = 0;
        do {
            const char c = peek();
            if (c == '\0') return false;
            if (c == '"') {
                std::string ignored;
                if (!string(ignored)) return false;
                continue;
            }
            depth += c == '{' || c == '[' ? 1 : c == '}' || c == ']' ? -1 : 0;
            ++at_;
        } while (depth > 0);
        return true;
    }

    std::string_view s_;
    std::size_t at_ = 0;
};
}  // namespace

std::string JsonFields::text(const std::string& key) const {
    const auto found = texts.find(key);
    return found == texts.end() ? "" : found->second;
}
std::optional<double> JsonFields::number(const std::string& key) const {
    const auto found = numbers.find(key);
    return found == numbers.end() ? std::nullopt : std::optional<double>(found->second);
}
std::optional<bool> JsonFields::flag(const std::string& key) const {
    const auto found = flags.find(key);
    return found == flags.end() ? std::nullopt : std::optional<bool>(found->second);
}

std::optional<JsonFields> read_json_fields(std::string_view json) { return Reader(json).object(); }
}  // namespace kbptool
