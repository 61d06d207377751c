#include "commands/record.h"

#include <ctime>

#include "hosts/host.h"
#include "output/json_fields.h"

namespace kbptool {
std::string utc_now() {
    const std::time_t now = std::time(nullptr);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", std::gmtime(&now));
    return text;
}

std::string record_line(const std::string& outcome_json, const RecordOf& of) {
    const JsonFields fields = read_json_fields(outcome_json).value_or(JsonFields{});
    const auto whole = [&fields](const std::string& key) -> std::optional<long> {
        if (const std::optional<double> n = fields.number(key)) return long(*n);
        return std::nullopt;
    };
    // verify's success is its comparison; an upload compares nothing.
    std::optional<bool> verified = fields.flag("verified");
    if (fields.text("command") == command_word(Command::verify)) verified = whole("exit_code") == 0L;
    JsonObject line;
    line.text("time", utc_now())
        .text("host", host::machine_name())
        .text("command", fields.text("command"))
        .text("device", of.device)
        .text("path", fields.text("path"))
        .text("image", fields.text("file"))
        .text("sha256", of.image)
        .number("bytes_sent", whole("sent"))
        .number("bytes", whole("bytes"))
        .number("result", whole("result"))
        .number("exit_code", whole("exit_code"))
        .raw("verified", verified ? (*verified ? "true" : "false") : "null")
        .seconds("seconds", fields.number("seconds").value_or(0));
    return line.str() + "\n";
}

Failure log_refusal(const std::string& error) {
    return {"cannot write the record of transfers: nothing was sent", error,
            "name with --log a file this user may write, in a folder that exists"};
}

void append_record(const std::string& log, const std::string& line, Outcome& o, const OutputOptions& output) {
    if (log.empty()) return;
    std::string error;
    if (!host::append_log(log, line, error)) warn(o, "the record of this transfer is not kept: " + error, output);
}
}  // namespace kbptool
