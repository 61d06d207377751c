// kbpi32.dll's message boxes, answered as the command line says: where a
// loaded DLL calls MessageBoxA it is made to call the tool's answer instead,
// and a box that still comes up is noted by a hook on this thread.
#include "hosts/windows/windows.h"

namespace kbptool::host {
using windows::system_error_text;

namespace {
bool write_slot(ULONG_PTR& slot, FARPROC replacement) {
    DWORD old = 0;
    if (!VirtualProtect(&slot, sizeof slot, PAGE_READWRITE, &old)) return false;
    slot = reinterpret_cast<ULONG_PTR>(replacement);
    VirtualProtect(&slot, sizeof slot, old, &old);
    return true;
}

// Points every import slot of `module` that holds `function` at
// `replacement`; false when the module imports it nowhere.
bool replace_import(HMODULE module, FARPROC function, FARPROC replacement) {
    auto* base = reinterpret_cast<BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (module == nullptr || function == nullptr || dos->e_magic != IMAGE_DOS_SIGNATURE) return false;
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (nt->Signature != IMAGE_NT_SIGNATURE || imports.VirtualAddress == 0) return false;
    bool replaced = false;
    // The bound slots are compared by address, so imports by name and by ordinal are both found.
    for (auto* dll = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); dll->Name != 0;
         ++dll)
        for (auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk); slot->u1.Function != 0; ++slot)
            if (slot->u1.Function == reinterpret_cast<ULONG_PTR>(function))
                replaced = write_slot(slot->u1.Function, replacement) || replaced;
    return replaced;
}

struct Answering {
    HHOOK hook = nullptr;
    HWND last_box = nullptr;
    Answer answer = Answer::ask;
    bool quiet = false;
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
        const BoxReply reply = decide_box_reply(caption, state.answer);
        if (reply != BoxReply::ask_user)
            PostMessageA(window, WM_COMMAND, reply == BoxReply::ok ? IDOK : IDCANCEL, 0);
        note_box({text, caption, reply_words(reply, caption, state.answer)}, state.quiet);
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
    const std::string title = caption != nullptr ? caption : "";
    const BoxReply reply = decide_box_reply(title, state.answer);
    if (reply == BoxReply::ask_user) return MessageBoxA(owner, text, caption, type);
    note_box({text != nullptr ? text : "", title, reply_words(reply, title, state.answer)}, state.quiet);
    return reply == BoxReply::ok ? IDOK : IDCANCEL;
}

void answer_library_boxes_without_windows() {
    static bool replaced = false;
    if (replaced) return;
    const HMODULE user32 = GetModuleHandleA("user32.dll");
    const FARPROC real = user32 != nullptr ? GetProcAddress(user32, "MessageBoxA") : nullptr;
    replaced = replace_import(GetModuleHandleA(windows::kbpi32_path().c_str()), real,
                              reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&library_message_box)));
}
}  // namespace

bool prepare(Answer answer, bool quiet, std::string& error) {
    Answering& state = answering();
    state.answer = answer;
    state.quiet = quiet;
    answer_library_boxes_without_windows();
    if (state.hook != nullptr) return true;
    state.hook = SetWindowsHookExA(WH_CBT, on_window_event, nullptr, GetCurrentThreadId());
    if (state.hook == nullptr)
        error = "cannot watch for the library's message boxes: " + system_error_text(GetLastError());
    return state.hook != nullptr;
}

bool keep(std::string&) {
    Answering& state = answering();
    if (state.hook != nullptr) UnhookWindowsHookEx(state.hook);
    state.hook = nullptr;
    state.last_box = nullptr;
    return true;
}

// The library has no interruption on Windows: a Ctrl-C ends the tool at once.
void stop_library() {}
}  // namespace kbptool::host
