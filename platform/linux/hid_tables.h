#pragma once
// The device-information sets and preparsed data the Linux backend has handed out.
#include "platform/windows_model/hid_tables.h"

namespace platform::linux_backend {

windows_model::HidTables& hid_tables();

}  // namespace platform::linux_backend
