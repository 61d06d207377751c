#pragma once
// download, upload and verify: the library's two transfer calls with the
// checks a technician needs around them.
#include <string>

#include "commands/route.h"
#include "commands/session.h"
#include "files/image.h"

namespace kbptool {

// Checks before anything is sent: the image can be read and is one a
// download takes (and, to verify, one an upload can read back). False with
// the refusal to report.
bool check_image(const TransferOptions& options, const kbp_port_text& port, Command command, Bytes& image,
                 Outcome& refusal);
// Where an upload may write, checked before anything is asked of the
// keyboard: the file it lands in, or false with the refusal.
bool check_output(const TransferOptions& options, std::string& target, Outcome& refusal);

// The download, then the read-back of the image and its comparison: for
// `download` unless --no-verify or it cannot be read back (then it says so),
// for `verify` always, failing where it cannot be.
Outcome download(const Library& library, const TransferOptions& options, const Route& route, const Bytes& image,
                 const Context& context, Command command);
// Into `target` (the output as check_output gave it) through `target.part`.
Outcome upload(const Library& library, const TransferOptions& options, const Route& route, const std::string& target,
               const Context& context);

}  // namespace kbptool
