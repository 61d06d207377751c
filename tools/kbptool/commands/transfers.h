#pragma once
// download, upload and verify: the library's two transfer calls with the
// checks a technician needs around them.
#include "files/image.h"
#include "commands/route.h"
#include "commands/session.h"

namespace kbptool {

// Checks before anything is sent: the image can be read and is one a
// download takes (and, to verify, one an upload can read back). False with
// the outcome to report.
bool check_image(const TransferOptions& options, const std::string& command, Bytes& image, Outcome& refusal);

Outcome download(Session& session, const TransferOptions& options, const Route& route, const Bytes& image,
                 const Context& context);
// Download and read back; fails where the read-back is not possible.
Outcome verify(Session& session, const TransferOptions& options, const Route& route, const Bytes& image,
               const Context& context);
// Into `target` (the output as resolve_output gave it) through `target.part`.
Outcome upload(Session& session, const TransferOptions& options, const Route& route, const std::string& target,
               const Context& context);

}  // namespace kbptool
