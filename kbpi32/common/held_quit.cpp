#include "held_quit.h"

#include "platform/platform.h"

namespace kbp {

QuitState quit_state;

void hold_quit(int exit_code) { quit_state = {true, exit_code}; }

void post_held_quit() {
    if (!quit_state.held) return;
    const int exit_code = quit_state.exit_code;
    quit_state = QuitState{};
    platform::post_quit_message(exit_code);
}

}  // namespace kbp
