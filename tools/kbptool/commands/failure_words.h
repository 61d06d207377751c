#pragma once
// What a failed transfer means for the technician: what the keyboard now
// holds, why, in the tool's words, and what to check or try, from the
// library's result and the cause it tells. The library's own text stays as it came.
#include <string>

#include "commands/route.h"
#include "commands/session.h"

namespace kbptool {

// A download that failed (a negative result): `text` is what the keyboard
// now holds, of the `image_bytes` (from the first image address on) it had to take.
Failure explain_download(const Library& library, const LibraryCall& call, const Route& route, long image_bytes);
// An upload that failed; `with_port`: the command takes --port.
Failure explain_upload(const LibraryCall& call, const Route& route, bool with_port);

// The usual advice when no keyboard answers on a path.
std::string cable_hint(const Route& route, bool with_port);
// "--interface ports|class|portdriver": the paths besides USB an interface
// kind chooses that this system has; empty where it has none.
std::string other_interfaces();

}  // namespace kbptool
