#pragma once
// The sysfs tree that finds the devices: for each one a USB device with one
// HID interface, its hidraw node and its input device with an event node,
// and the class links into it, as the kernel lays them out.
#include <filesystem>
#include <vector>

#include "hid_devices.h"

namespace kbdsim_hid {

// Made anew under `sys`.
void write_sysfs_tree(const std::filesystem::path& sys, const std::vector<HidDevice>& devices);
// The device's nodes gone from the tree, as when it is pulled out.
void remove_from_sysfs(const std::filesystem::path& sys, const HidDevice& device);

}  // namespace kbdsim_hid
