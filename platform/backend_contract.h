#pragma once
// Takes the address of every slot of the platform contract. A program that
// calls it links only when its backend carries out every slot, so a backend
// that forgets one fails to build.
#include <array>

#include "platform/platform.h"

namespace platform {

inline auto every_backend_slot() {
    return std::array{
        reinterpret_cast<void (*)()>(&get_version),
        reinterpret_cast<void (*)()>(&tick_count),
        reinterpret_cast<void (*)()>(&port_io_permitted),
        reinterpret_cast<void (*)()>(&port_read),
        reinterpret_cast<void (*)()>(&port_write),
        reinterpret_cast<void (*)()>(&open_device),
        reinterpret_cast<void (*)()>(&close_handle),
        reinterpret_cast<void (*)()>(&device_control),
        reinterpret_cast<void (*)()>(&write_file),
        reinterpret_cast<void (*)()>(&read_file),
        reinterpret_cast<void (*)()>(&file_open),
        reinterpret_cast<void (*)()>(&file_read),
        reinterpret_cast<void (*)()>(&file_write),
        reinterpret_cast<void (*)()>(&file_seek),
        reinterpret_cast<void (*)()>(&file_tell),
        reinterpret_cast<void (*)()>(&file_close),
        reinterpret_cast<void (*)()>(&file_create_temporary),
        reinterpret_cast<void (*)()>(&file_replace),
        reinterpret_cast<void (*)()>(&file_remove),
        reinterpret_cast<void (*)()>(&get_comm_state),
        reinterpret_cast<void (*)()>(&set_comm_state),
        reinterpret_cast<void (*)()>(&setup_comm),
        reinterpret_cast<void (*)()>(&get_comm_timeouts),
        reinterpret_cast<void (*)()>(&set_comm_timeouts),
        reinterpret_cast<void (*)()>(&purge_comm),
        reinterpret_cast<void (*)()>(&load_library),
        reinterpret_cast<void (*)()>(&find_symbol),
        reinterpret_cast<void (*)()>(&set_timer),
        reinterpret_cast<void (*)()>(&kill_timer),
        reinterpret_cast<void (*)()>(&get_message),
        reinterpret_cast<void (*)()>(&peek_message),
        reinterpret_cast<void (*)()>(&peek_timer_message),
        reinterpret_cast<void (*)()>(&post_quit_message),
        reinterpret_cast<void (*)()>(&translate_message),
        reinterpret_cast<void (*)()>(&dispatch_message),
        reinterpret_cast<void (*)()>(&message_box),
        reinterpret_cast<void (*)()>(&hid_get_guid),
        reinterpret_cast<void (*)()>(&get_class_devices),
        reinterpret_cast<void (*)()>(&enum_device_interfaces),
        reinterpret_cast<void (*)()>(&get_device_interface_detail),
        reinterpret_cast<void (*)()>(&destroy_device_info_list),
        reinterpret_cast<void (*)()>(&hid_get_attributes),
        reinterpret_cast<void (*)()>(&hid_get_preparsed_data),
        reinterpret_cast<void (*)()>(&hid_get_caps),
        reinterpret_cast<void (*)()>(&hid_free_preparsed_data),
    };
}

}  // namespace platform
