#pragma once
// How a command's outcome is shown: readable lines, or one JSON object with
// the same keys for every command; and its exit code, one per outcome a script
// may want to tell apart, each named once here with the words of the help's table.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "include/kbpi32.h"
#include "output/text.h"

namespace kbptool {
// kbp_download's results -1..-7 are the exit codes 11..17.
constexpr int kDownloadExitBase = 10;

#define KBPTOOL_EXIT_CODES(X)                                                                                        \
    X(success, 0, "success (detect: it ran; its lines tell where a keyboard answers)")                              \
    X(failed, 1, "info: not a valid image, or one a download refuses; send: a byte not taken; the library refused "  \
                 "the interface")                                                                                   \
    X(usage, 2, "wrong command line: also two paths named at once, line settings the library would not take as "     \
                "written, a path this system cannot have, a number out of range")                                   \
    X(no_library, 3, "kbpi32 (or the simulated keyboard's state, or kbptool-sim) cannot be used")                    \
    X(file_error, 4, "a file of the tool's own (upload's output, new's file, info's image, the DLL's temporary "      \
                     "file) is refused or cannot be read or written; new over a file without --force")              \
    X(no_file_name, kDownloadExitBase - KBP_DOWNLOAD_NO_FILE_NAME, "kbp_download's -1: no file name")             \
    X(com_port_failed, kDownloadExitBase - KBP_DOWNLOAD_COM_PORT_FAILED, "kbp_download's -2: a COM port cannot be opened or set up") \
    X(not_a_com_port, kDownloadExitBase - KBP_DOWNLOAD_NOT_A_COM_PORT, "kbp_download's -3: the port text names no COM port")        \
    X(com_port_not_closed, kDownloadExitBase - KBP_DOWNLOAD_COM_PORT_NOT_CLOSED, "kbp_download's -4: a COM port cannot be closed")  \
    X(transfer_stopped, kDownloadExitBase - KBP_DOWNLOAD_STOPPED, "kbp_download's -5: the transfer stopped")                       \
    X(not_an_image, kDownloadExitBase - KBP_DOWNLOAD_NOT_AN_IMAGE,                                                   \
      "kbp_download's -6: not a valid image (also one shorter than its end field says, without --force)")                          \
    X(image_unreadable, kDownloadExitBase - KBP_DOWNLOAD_FILE_NOT_OPENED, "kbp_download's -7: the image file cannot be read")       \
    X(upload_failed, 20, "kbp_upload failed (0)")                                                                    \
    X(upload_no_file_name, 21, "kbp_upload had no file name (-1)")                                                   \
    X(differs, 30, "the keyboard holds other bytes than the image (download's read-back, verify)")                  \
    X(read_back_failed, 31, "the image was sent but the keyboard could not be read back (download: --no-verify "     \
                            "skips it)")                                                                            \
    X(cannot_read_back, 32, "verify: the image ends past what an upload can read, or no path can read back the "    \
                            "keyboard it goes to (nothing is sent)")                                  \
    X(hung_up, 129, "hung up (SIGHUP), as interrupted")                                                           \
    X(interrupted, 130, "interrupted (Ctrl-C): after a download the keyboard may hold part of the image, download "  \
                        "it again")                                                                                 \
    X(terminated, 143, "terminated (SIGTERM), as interrupted")

#define KBPTOOL_EXIT_CODE_ENUMERATOR(name, code, words) name = code,
enum class ExitCode : int { KBPTOOL_EXIT_CODES(KBPTOOL_EXIT_CODE_ENUMERATOR) };
#undef KBPTOOL_EXIT_CODE_ENUMERATOR

// A positive result is success, the others their exit codes.
ExitCode download_exit(long result);
ExitCode upload_exit(long result);

// The help's "Exit codes:", a line per code.
std::string exit_code_table();

// The commands, in the order of the help; none: the command line named none.
#define KBPTOOL_COMMANDS(X) \
    X(none, "")             \
    X(version, "version")   \
    X(download, "download") \
    X(upload, "upload")     \
    X(verify, "verify")     \
    X(info, "info")         \
    X(make, "new")          \
    X(interface, "interface") \
    X(send, "send")         \
    X(detect, "detect")
#define KBPTOOL_COMMAND_ENUMERATOR(name, word) name,
enum class Command { KBPTOOL_COMMANDS(KBPTOOL_COMMAND_ENUMERATOR) };
#undef KBPTOOL_COMMAND_ENUMERATOR
// The command's word on the command line and in the JSON, and back (none for another).
std::string_view command_word(Command command);
Command command_named(std::string_view word);

struct OutputOptions {
    bool quiet = false;
    bool json = false;
};

// A failure in words: what happened, why, what to check or try.
struct Failure {
    std::string text;
    std::string reason;
    std::string hint;
};

struct Outcome {
    explicit Outcome(Command of = Command::none, std::string file_named = "")
        : command(of), file(std::move(file_named)) {}

    Command command;
    std::optional<long> result;     // the library's result; none when it was not called
    std::string raw_text;           // the library's status text as it came; empty when none
    std::string text;               // what happened, in a line; the library's text trimmed when empty
    long bytes = 0;                 // image bytes moved
    double seconds = 0;
    ExitCode exit = ExitCode::success;
    std::string path;               // "keyboard port driver", "COM5 at 9600,N,8,1", ...
    std::string file;
    std::string reason;             // why it failed, in the tool's words
    std::string hint;               // what to check or try
    std::vector<std::string> warnings;
    std::size_t warnings_shown = 0; // how many of them `warn` printed already
    std::vector<std::string> lines; // more to show (the library's text among them on a failure)
    JsonObject extra;               // the command's own keys, after the common ones

    bool failed() const { return exit != ExitCode::success; }
    // Ends the outcome with `code` and the failure's words (its text only where it has one).
    Outcome& fail(ExitCode code, const Failure& failure);
};

// Prints the outcome (a success on stdout, a failure on stderr, JSON on
// stdout) and returns its exit code.
int report(const Outcome& outcome, const OutputOptions& output);
std::string outcome_json(const Outcome& outcome);
// Adds a warning and shows it now (stderr), unless quiet or JSON.
void warn(Outcome& outcome, std::string warning, const OutputOptions& output);
// "the keyboard port driver", "USB", "COM5 at 9600,N,8,1": a path in a sentence.
std::string path_phrase(const std::string& path);
// `text`, else the library's text trimmed.
std::string outcome_text(const Outcome& outcome);
}  // namespace kbptool
