#pragma once
// The caller's quit message, taken by a read wait. The wait must go on, and a
// quit left pending would outrank the timer message that ends it (and would end
// any message box at once), so the wait keeps it here and the transfer posts it
// back just before it returns.

namespace kbp {

struct QuitState {
    bool held = false;
    int exit_code = 0;  // of the latest quit taken, as PostQuitMessage keeps it
    bool operator==(const QuitState&) const = default;
};
extern QuitState quit_state;

void hold_quit(int exit_code);
// Posts the held quit, once, with its exit code; nothing when none was taken.
void post_held_quit();

}  // namespace kbp
