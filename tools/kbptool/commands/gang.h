#pragma once
// One image into several keyboards at once: a worker kbptool per keyboard,
// since the library keeps one path, one port and one status per process.
#include "commands/session.h"

namespace kbptool {
// download or verify for every --port, every --device, and with --all every USB keyboard.
void run_several(Command command, const TransferOptions& options, Context& context);
}  // namespace kbptool
