#pragma once
// Failures of the simulated PC's system calls. Every slot of the platform
// contract asks here first and, when told to, fails the way Windows does. A
// device's own state (not installed, unplugged, a silent keyboard) is no fault:
// it belongs to the device's model.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim {

// One entry per call of the platform contract.
enum class Call : std::uint8_t {
    get_version,
    tick_count,
    port_io_permitted,
    port_read,
    port_write,
    open_device,
    close_handle,
    device_control,
    write_file,
    read_file,
    file_open,
    file_read,
    file_write,
    file_seek,
    file_tell,
    file_close,
    file_create_temporary,
    file_replace,
    file_remove,
    get_comm_state,
    set_comm_state,
    setup_comm,
    get_comm_timeouts,
    set_comm_timeouts,
    purge_comm,
    load_library,
    find_symbol,
    set_timer,
    kill_timer,
    get_message,
    peek_message,
    peek_timer_message,
    post_quit_message,
    translate_message,
    dispatch_message,
    message_box,
    hid_get_guid,
    get_class_devices,
    enum_device_interfaces,
    get_device_interface_detail,
    destroy_device_info_list,
    hid_get_attributes,
    hid_get_preparsed_data,
    hid_get_caps,
    hid_free_preparsed_data,
    count_
};

class Faults {
public:
    Faults() { fail_from_.fill(kNever); }

    // Uses are counted from now: the first `after` still succeed, every later one fails.
    void fail(Call call, unsigned after = 0);
    // Only the (after+1)-th use from now fails.
    void fail_once(Call call, unsigned after);
    void heal(Call call);
    // Every use since the reset, failed ones included.
    unsigned uses(Call call) const { return uses_[index(call)]; }

    bool record = true;       // keep every use in `calls`
    std::vector<Call> calls;  // in order

    // For the backend: counts and records one use; true when it is to fail.
    bool refuses(Call call);
    // For the calls Windows never fails (GetTickCount, port in/out, TranslateMessage,
    // DispatchMessageA, PostQuitMessage, HidD_GetHidGuid): counted and recorded,
    // never refused.
    void note(Call call);

private:
    static constexpr unsigned kNever = ~0u;
    static std::size_t index(Call c) { return static_cast<std::size_t>(c); }
    std::array<unsigned, static_cast<std::size_t>(Call::count_)> uses_{};
    std::array<unsigned, static_cast<std::size_t>(Call::count_)> fail_from_;
    std::array<std::vector<unsigned>, static_cast<std::size_t>(Call::count_)> fail_once_at_{};
};

Faults& faults();

}  // namespace sim
