#pragma once
// Wiring between the parts of the simulated PC; not for tests.
namespace sim {

void reset_devices();
// Clears the device families and adds every family this PC has, each reset.
void reset_device_families();

class Device;
Device* find_hid_device(const char* name);

}  // namespace sim
