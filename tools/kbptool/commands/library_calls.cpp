#include "commands/library_calls.h"

#include <algorithm>
#include <cstdio>

#include "commands/library_file.h"
#include "files/image.h"
#include "include/kbp_protocol.h"
#include "output/progress.h"

namespace kbptool {

namespace {

constexpr std::size_t kStatusSize = 1024;  // the library's texts may quote a file name

LibraryCall not_called(const std::string& file_error) { return {0, "", 0, 0, -1, {}, file_error}; }

// The boxes the library showed since `before` of them had come.
std::vector<ShownBox> boxes_since(std::size_t before) {
    return {shown_boxes().begin() + long(before), shown_boxes().end()};
}

bool progress_shown(const Context& c) { return !c.output.quiet && !c.output.json; }

}  // namespace

LibraryCall call_download(Session& session, const Route& route, const std::string& file, long size,
                          const Context& context) {
    const double block_seconds =
        plan_download(route.path, KBP_IMAGE_FIRST_ADDRESS + block_bytes(route.path), route.line_rate).wire_seconds;
    const LibraryFile given(*session.host, file, LibraryUse::reads);
    if (!given.error().empty()) return not_called(given.error());
    Progress progress("download", size, 0, progress_shown(context), [&] { session.host->step_done(block_seconds); });
    char status[kStatusSize];
    std::snprintf(status, sizeof status, "%s", route.port_text.c_str());
    const std::size_t boxes_before = shown_boxes().size();
    const int result = session.library.download(given.name(), status, &Progress::callback);
    progress.finish();
    return {result,           status, progress.seconds(), progress.reports(), progress.last_percent(),
            boxes_since(boxes_before), ""};
}

LibraryCall call_upload(Session& session, const Route& route, const std::string& file, long size,
                        const Context& context, const char* label) {
    const int chunk = int(upload_chunk(route.usb_chunks()));
    const double read_seconds = seconds_per_read(route.upload_path, chunk, route.line_rate);
    LibraryFile given(*session.host, file, LibraryUse::writes);
    if (!given.error().empty()) return not_called(given.error());
    Progress progress(label, size, chunk, progress_shown(context), [&] { session.host->step_done(read_seconds); });
    char status[kStatusSize];
    std::snprintf(status, sizeof status, "%s", route.usb_chunks() ? KBP_PORT_TEXT_USB : "");
    const std::size_t boxes_before = shown_boxes().size();
    const int result = session.library.upload(given.name(), status, &Progress::callback);
    progress.finish();
    LibraryCall call{result,           result > 0 ? "" : status,  progress.seconds(), progress.reports(),
                     progress.last_percent(), boxes_since(boxes_before), ""};
    if (result > 0 && !given.keep()) call.file_error = given.error();
    return call;
}

// A file the library needed could not be handed to it, or what it wrote not
// kept: the tool's failure, not the keyboard's.
bool file_failed(Outcome& o, const LibraryCall& call) {
    if (call.file_error.empty()) return false;
    o.text = call.file_error;
    o.ending = Ending::file_error;
    return true;
}

// What a download wrote into the keyboard, from what its progress saw: a
// report comes before each block and one of 100 after the last, so every
// report but the last stands for a block the path took.
Written written_by(const LibraryCall& call, const Route& route, long file_size) {
    const long image_bytes = file_size - KBP_IMAGE_FIRST_ADDRESS;
    if (call.result > 0 || call.last_percent == 100) return {image_bytes, image_bytes};
    const long blocks = call.reports > 1 ? call.reports - 1 : 0;
    return {std::min(blocks * long(block_bytes(route.path)), image_bytes), image_bytes};
}

}  // namespace kbptool
