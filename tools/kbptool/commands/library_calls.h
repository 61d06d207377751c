#pragma once
// The library's two transfer calls, with what their progress saw and the
// boxes that came while they ran.
#include <string>
#include <vector>

#include "commands/failure_words.h"
#include "commands/route.h"
#include "commands/session.h"
#include "output/library_boxes.h"

namespace kbptool {

struct LibraryCall {
    int result = 0;
    std::string status;
    double seconds = 0;
    long reports = 0;        // progress reports that came
    int last_percent = -1;   // of the last of them; -1: none came
    std::vector<ShownBox> boxes;  // the library's boxes during the call
    std::string file_error;  // the file could not be handed to the library, or what it wrote not kept
};

// kbp_download of `file` (`size` bytes) over `route`.
LibraryCall call_download(Session& session, const Route& route, const std::string& file, long size,
                          const Context& context);
// kbp_upload into `file`; `size` 0: not known in advance. `label` heads the progress.
LibraryCall call_upload(Session& session, const Route& route, const std::string& file, long size,
                        const Context& context, const char* label);
// A file the library needed could not be handed to it, or what it wrote not
// kept: the tool's failure, not the keyboard's. Fills `o` and says so.
bool file_failed(Outcome& o, const LibraryCall& call);
// What a download wrote into the keyboard, from what its progress saw.
Written written_by(const LibraryCall& call, const Route& route, long file_size);

}  // namespace kbptool
