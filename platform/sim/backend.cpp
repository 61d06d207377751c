// The platform contract carried out on the simulated PC.
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/sim.h"

namespace platform {

bool get_version(OsVersionInfo& info) {
    sim::Version& v = sim::version();
    ++v.calls;
    if (v.call_fails || info.size != sizeof(OsVersionInfo)) return false;
    info.major = v.major;
    info.minor = v.minor;
    info.platform_id = v.platform_id;
    info.build = 0;
    return true;
}

std::uint32_t tick_count() {
    sim::Clock& c = sim::clock();
    ++c.readings;
    const std::uint32_t now = c.now_ms;
    c.now_ms += c.ms_per_reading;
    return now;
}

bool port_io_permitted() { return sim::controller().io_permitted; }

std::uint8_t port_read(std::uint16_t port) { return sim::controller().read(port); }

void port_write(std::uint16_t port, std::uint8_t value) { sim::controller().write(port, value); }

Handle open_device(const char* name, std::uint32_t access, std::uint32_t share) {
    return sim::devices().open(name, access, share);
}

bool close_handle(Handle handle) { return sim::devices().close(handle); }

bool device_control(Handle handle, std::uint32_t code, const void* in, std::uint32_t in_size, void* out,
                    std::uint32_t out_size, std::uint32_t* returned) {
    sim::Device* d = sim::devices().lookup(handle);
    return d != nullptr && d->control(code, in, in_size, out, out_size, returned);
}

bool write_file(Handle handle, const void* data, std::uint32_t size, std::uint32_t* done) {
    if (done != nullptr) *done = 0;
    sim::Device* d = sim::devices().lookup(handle);
    return d != nullptr && d->write(data, size, done);
}

bool read_file(Handle handle, void* data, std::uint32_t size, std::uint32_t* done) {
    if (done != nullptr) *done = 0;
    sim::Device* d = sim::devices().lookup(handle);
    return d != nullptr && d->read(data, size, done);
}

bool get_comm_state(Handle port, CommState& state) {
    sim::Device* d = sim::devices().lookup(port);
    return d != nullptr && d->get_comm_state(state);
}

bool set_comm_state(Handle port, const CommState& state) {
    sim::Device* d = sim::devices().lookup(port);
    return d != nullptr && d->set_comm_state(state);
}

bool setup_comm(Handle port, std::uint32_t in_queue, std::uint32_t out_queue) {
    sim::Device* d = sim::devices().lookup(port);
    return d != nullptr && d->setup_comm(in_queue, out_queue);
}

bool get_comm_timeouts(Handle port, CommTimeouts& timeouts) {
    sim::Device* d = sim::devices().lookup(port);
    return d != nullptr && d->get_comm_timeouts(timeouts);
}

bool set_comm_timeouts(Handle port, const CommTimeouts& timeouts) {
    sim::Device* d = sim::devices().lookup(port);
    return d != nullptr && d->set_comm_timeouts(timeouts);
}

bool purge_comm(Handle port, std::uint32_t flags) {
    sim::Device* d = sim::devices().lookup(port);
    return d != nullptr && d->purge_comm(flags);
}

namespace {

std::string upper(const char* s) {
    std::string u;
    for (; s != nullptr && *s != '\0'; ++s) u += static_cast<char>(std::toupper(static_cast<unsigned char>(*s)));
    return u;
}

// Module handles stay valid for the life of the process, as on Windows; the
// library's routines are looked up by name at each GetProcAddress.
std::vector<std::string>& loaded_names() {
    static std::vector<std::string> names;
    return names;
}

constexpr std::uintptr_t kModuleBase = 0x10000000;
constexpr std::uintptr_t kModuleStride = 0x10000;

}  // namespace

Module load_library(const char* name) {
    sim::Libraries& libs = sim::libraries();
    const std::string wanted = upper(name);
    ++libs.load_attempts[wanted];
    for (const sim::Library& lib : libs.installed) {
        if (upper(lib.name.c_str()) != wanted) continue;
        ++libs.loads;
        auto& names = loaded_names();
        std::size_t i = 0;
        while (i < names.size() && names[i] != wanted) ++i;
        if (i == names.size()) names.push_back(wanted);
        return reinterpret_cast<Module>(kModuleBase + kModuleStride * i);
    }
    return nullptr;
}

void* find_symbol(Module module, const char* name) {
    const std::uintptr_t offset = reinterpret_cast<std::uintptr_t>(module) - kModuleBase;
    const auto& names = loaded_names();
    if (name == nullptr || offset % kModuleStride != 0 || offset / kModuleStride >= names.size()) return nullptr;
    const std::string& wanted = names[offset / kModuleStride];
    for (const sim::Library& lib : sim::libraries().installed) {
        if (upper(lib.name.c_str()) != wanted) continue;
        auto it = lib.symbols.find(name);
        return it == lib.symbols.end() ? nullptr : it->second;
    }
    return nullptr;
}

TimerId set_timer(std::uint32_t milliseconds, TimerProc proc) {
    sim::Messages& m = sim::messages();
    if (m.set_timer_fails) return 0;
    ++m.timers_started;
    const TimerId id = m.next_id++;
    m.timers.push_back({id, milliseconds, sim::clock().now_ms + milliseconds, proc});
    return id;
}

bool kill_timer(TimerId timer) {
    sim::Messages& m = sim::messages();
    const auto removed = std::erase_if(m.timers, [&](const sim::Timer& t) { return t.id == timer; });
    // A timer message already taken from the queue is not taken back.
    if (removed != 0) ++m.timers_killed;
    return removed != 0;
}

int get_message(Message& message) {
    if (sim::messages().take(message, true)) return message.message == kWmQuit ? 0 : 1;
    // Nothing could ever arrive: a real thread would block for ever here.
    ++sim::messages().starved_waits;
    message = {nullptr, kWmQuit, 0, 0, sim::clock().now_ms, 0, 0};
    return 0;
}

bool peek_message(Message& message) { return sim::messages().take(message, false); }

bool peek_timer_message(Message& message) { return sim::messages().take_timer(message); }

void translate_message(const Message&) {}

void dispatch_message(const Message& message) {
    sim::Messages& m = sim::messages();
    ++m.dispatched;
    if (auto window = m.window_procedures.find(message.window); window != m.window_procedures.end()) {
        window->second(message);
        return;
    }
    if (message.message == kWmTimer && message.lparam != 0)
        reinterpret_cast<TimerProc>(message.lparam)(message.window, message.message, message.wparam,
                                                    message.time);
}

int message_box(const char* text, const char* caption, std::uint32_t type) {
    sim::MessageBoxes& boxes = sim::message_boxes();
    boxes.shown.push_back({text != nullptr ? text : "", caption != nullptr ? caption : "", type});
    if (boxes.answers.empty()) return kIdOk;
    const int answer = boxes.answers.front();
    boxes.answers.pop_front();
    return answer;
}

}  // namespace platform
