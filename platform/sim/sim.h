#pragma once
// The simulated PC: everything a test sets up and inspects.
#include "platform/sim/clock.h"
#include "platform/sim/com_ports.h"
#include "platform/sim/controller.h"
#include "platform/sim/devices.h"
#include "platform/sim/drivers.h"
#include "platform/sim/faults.h"
#include "platform/sim/function_library.h"
#include "platform/sim/hid_devices.h"
#include "platform/sim/image_files.h"
#include "platform/sim/libraries.h"
#include "platform/sim/message_boxes.h"
#include "platform/sim/messages.h"
#include "platform/sim/version.h"

namespace sim {

// A fresh PC: Windows XP, no keyboard anywhere, nothing open, nothing installed.
void reset();

}  // namespace sim
