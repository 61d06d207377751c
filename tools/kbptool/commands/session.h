#pragma once
// What every command that talks to a keyboard needs: the command line's
// settings, the library loaded and the keyboard prepared, and the library's
// two transfers with what their progress saw and what the library told after.
#include <optional>
#include <string>

#include "commands/route.h"
#include "hosts/host.h"
#include "output/report.h"

namespace kbptool {

// What the command line sets for every command.
struct Context {
    OutputOptions output;
    bool yes = false;  // --yes
    bool no = false;   // --no
    int exit_code = 0;

    Answer answer() const { return yes ? Answer::yes : no ? Answer::no : Answer::ask; }
};

// The outcome reported as the command's end.
void end_with(const Outcome& outcome, Context& context);
// The library; none, with the failure reported, when it cannot be loaded.
std::optional<Library> load_library(Command command, Context& context);
// The keyboard made ready; false, with the failure reported, when it cannot be.
bool prepare_keyboard(Command command, Context& context);
// Reports the outcome, then keeps what the keyboard holds; a failure to keep
// it is reported too and turns a success into exit code 3.
void finish(const Outcome& outcome, Context& context);

// One call of kbp_download or kbp_upload.
struct LibraryCall {
    int result = 0;
    std::string status;
    double seconds = 0;
    kbp_last_transfer last{};
    std::string file_error;  // the file could not be handed to the library, or what it wrote not kept
};
// kbp_download of `file` (`size` bytes) over `route`.
LibraryCall call_download(const Library& library, const Route& route, const std::string& file, long size,
                          const Context& context);
// kbp_upload into `file`; `size` 0: not known in advance. `label` heads the progress.
LibraryCall call_upload(const Library& library, const Route& route, const std::string& file, long size,
                        const Context& context, const char* label);
// A file the library needed could not be handed to it, or what it wrote not
// kept: the tool's failure, not the keyboard's. Fills `o` and says so.
bool file_failed(Outcome& o, const LibraryCall& call);

}  // namespace kbptool
