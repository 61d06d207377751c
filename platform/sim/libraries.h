#pragma once
// Libraries that LoadLibraryA finds on the simulated PC: what a test installed.
#include "platform/windows_model/libraries.h"

namespace sim {

using Libraries = platform::windows_model::LibraryTable;
Libraries& libraries();

}  // namespace sim
