#pragma once
// A file's version as its VERSIONINFO resource gives it.
#include <string>

namespace kbptool {

// "1.2.3" (a fourth number only when it is not 0); empty when the file has none.
std::string file_version(const std::string& path);

}  // namespace kbptool
