#include "hosts/windows/windows_box_answers.h"

#include <windows.h>

#include "hosts/windows/windows_import_patch.h"
#include "hosts/windows/windows_library_path.h"
#include "hosts/windows/windows_system_text.h"

namespace kbptool {

namespace {

struct Answering {
    HHOOK hook = nullptr;
    HWND last_box = nullptr;
    HostSettings settings;
};

Answering& answering() {
    static Answering state;
    return state;
}

// A message box is a dialog whose text is control 0xFFFF.
bool is_message_box(HWND window) { return GetDlgItem(window, 0xFFFF) != nullptr; }

LRESULT CALLBACK on_window_event(int code, WPARAM wparam, LPARAM lparam) {
    Answering& state = answering();
    const HWND window = reinterpret_cast<HWND>(wparam);
    // A box may be activated again (focus back from another window): answer it once.
    if (code == HCBT_ACTIVATE && window != state.last_box && is_message_box(window)) {
        state.last_box = window;
        char text[1024] = {};
        char caption[256] = {};
        GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
        GetWindowTextA(window, caption, sizeof caption);
        const BoxReply reply = decide_box_reply(text, state.settings.answer);
        if (reply != BoxReply::ask_user)
            PostMessageA(window, WM_COMMAND, reply == BoxReply::ok ? IDOK : IDCANCEL, 0);
        note_box({text, caption, reply_words(reply, text, state.settings.answer)}, state.settings.quiet);
    } else if (code == HCBT_DESTROYWND && window == state.last_box) {
        state.last_box = nullptr;
    }
    return CallNextHookEx(state.hook, code, wparam, lparam);
}

// kbpi32.dll's MessageBoxA: a box the command line answers is noted and
// answered without a window, so the answer (and the settings the search
// found) do not depend on whether this desktop can show a box. A box for the
// person at the keyboard comes up; the hook notes it.
int WINAPI library_message_box(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    const Answering& state = answering();
    const std::string words = text != nullptr ? text : "";
    const BoxReply reply = decide_box_reply(words, state.settings.answer);
    if (reply == BoxReply::ask_user) return MessageBoxA(owner, text, caption, type);
    note_box({words, caption != nullptr ? caption : "", reply_words(reply, words, state.settings.answer)},
             state.settings.quiet);
    return reply == BoxReply::ok ? IDOK : IDCANCEL;
}

void answer_library_boxes_without_windows() {
    static bool replaced = false;
    if (replaced) return;
    const HMODULE user32 = GetModuleHandleA("user32.dll");
    const FARPROC real = user32 != nullptr ? GetProcAddress(user32, "MessageBoxA") : nullptr;
    replaced = replace_import(GetModuleHandleA(kbpi32_path().c_str()), real,
                              reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&library_message_box)));
}

}  // namespace

bool start_answering_boxes(const HostSettings& settings, std::string& error) {
    Answering& state = answering();
    state.settings = settings;
    answer_library_boxes_without_windows();
    if (state.hook != nullptr) return true;
    state.hook = SetWindowsHookExA(WH_CBT, on_window_event, nullptr, GetCurrentThreadId());
    if (state.hook == nullptr)
        error = "cannot watch for the library's message boxes: " + system_error_text(GetLastError());
    return state.hook != nullptr;
}

void stop_answering_boxes() {
    Answering& state = answering();
    if (state.hook != nullptr) UnhookWindowsHookEx(state.hook);
    state.hook = nullptr;
    state.last_box = nullptr;
}

}  // namespace kbptool
