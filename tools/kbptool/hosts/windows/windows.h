#pragma once
// What the Windows host's files share: text in UTF-16 and UTF-8, the system's
// words for its errors, kbpi32.dll beside the program, its message boxes.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hosts/host.h"

namespace kbptool::windows {

// The arguments after the program's name, read as characters
// (GetCommandLineW) and given in UTF-8; argv's when Windows cannot split them.
std::vector<std::string> unicode_arguments(int argc, char** argv);
// The console shows the tool's UTF-8 while it runs, and its own code page again after.
void show_utf8_on_console();

std::string utf8_of(std::wstring_view text);
std::wstring wide_of(std::string_view utf8);
std::wstring wide_of_ansi(std::string_view ansi);
// The name in the ANSI code page, as a DLL's char* calls take it; none when
// the code page cannot spell every character of it.
std::optional<std::string> ansi_spelling(std::wstring_view name);

// "The specified module could not be found. (error 126)", with `subject` for
// the file the system's text names ("%1 is not a valid Win32 application");
// the number alone when the system has no text for it.
std::string system_error_text(unsigned long code, const std::string& subject = "the file");

// kbpi32.dll in the program's own folder, found by name as any host program does.
std::string kbpi32_path();
bool load_kbpi32_dll(Library& library, Failure& failure);

// Answers the message boxes kbpi32.dll raises on this thread, as the command
// line says, and notes every one of them. False with the reason when the
// hook cannot be set.
bool start_answering_boxes(Answer answer, bool quiet, std::string& error);
void stop_answering_boxes();

// kbpi32.dll opens its files by ANSI names, which cannot spell every name a
// person types. It is always given a temporary file of the tool's instead, in
// a folder the code page can spell: one way for every name, and the library's
// texts then never quote a name in the code page. A copy of `file` where the
// library reads it; its ANSI name in `name`. False with the reason.
bool library_temporary_name(const std::string& file, bool reads, std::string& name, std::string& error);
// The temporary file moved to `file` when `keep`, else removed.
bool finish_library_temporary(const std::string& name, const std::string& file, bool keep, std::string& error);

// COM1..COM9 (the only ports a port text can name) that the system has, and
// the HID interfaces of the keyboard's vendor.
std::vector<FoundDevice> present_com_ports();
std::vector<FoundDevice> vendor_hid_devices();
// Why `port` cannot be used now, from the port opened by the tool itself
// before the library is called; none when it opens and can be set up.
std::optional<Failure> refuse_com_port(const std::string& port);

}  // namespace kbptool::windows
