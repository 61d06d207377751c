#pragma once
// The words Windows has for its own error numbers.
#include <string>

namespace kbptool {

// "The specified module could not be found. (error 126)", with `subject` for
// the file the system's text names ("%1 is not a valid Win32 application");
// the number alone when the system has no text for it.
std::string system_error_text(unsigned long code, const std::string& subject = "the file");

}  // namespace kbptool
