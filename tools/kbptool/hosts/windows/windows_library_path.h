#pragma once
// Where the tool on Windows finds kbpi32.dll: in its own folder, by name, as
// any host program does.
#include <string>

namespace kbptool {

std::string kbpi32_path();

}  // namespace kbptool
