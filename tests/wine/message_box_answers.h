#pragma once
// Answers the message boxes a test program's calls raise, as a user would, and
// keeps what each showed. Under Wine without a display a box still comes up as
// a dialog (text in its control 0xFFFF); a CBT hook on the thread sees it appear.
#include <windows.h>

#include <deque>
#include <string>
#include <vector>

struct ShownBox {
    std::string text;
    std::string caption;
    bool operator==(const ShownBox&) const = default;
};

class MessageBoxAnswers {
public:
    // Every box is answered with the next of `answers` (IDOK, IDCANCEL), IDOK when none is left.
    explicit MessageBoxAnswers(std::deque<int> answers = {}) {
        current() = this;
        answers_ = std::move(answers);
        hook_ = SetWindowsHookExA(WH_CBT, on_window_event, nullptr, GetCurrentThreadId());
    }
    ~MessageBoxAnswers() {
        UnhookWindowsHookEx(hook_);
        current() = nullptr;
    }
    MessageBoxAnswers(const MessageBoxAnswers&) = delete;
    MessageBoxAnswers& operator=(const MessageBoxAnswers&) = delete;

    bool hooked() const { return hook_ != nullptr; }
    const std::vector<ShownBox>& shown() const { return shown_; }
    void answer_next(int button) { answers_.push_back(button); }

private:
    static MessageBoxAnswers*& current() {
        static MessageBoxAnswers* answers = nullptr;
        return answers;
    }

    static LRESULT CALLBACK on_window_event(int code, WPARAM wparam, LPARAM lparam) {
        MessageBoxAnswers* self = current();
        const HWND dialog = reinterpret_cast<HWND>(wparam);
        // Only message boxes (a dialog with the text control 0xFFFF), each once.
        if (self != nullptr && code == HCBT_ACTIVATE && dialog != self->last_box_ &&
            GetDlgItem(dialog, 0xFFFF) != nullptr) {
            self->last_box_ = dialog;
            char text[512] = {};
            char caption[128] = {};
            GetDlgItemTextA(dialog, 0xFFFF, text, sizeof text);
            GetWindowTextA(dialog, caption, sizeof caption);
            self->shown_.push_back({text, caption});
            int button = IDOK;
            if (!self->answers_.empty()) {
                button = self->answers_.front();
                self->answers_.pop_front();
            }
            PostMessageA(dialog, WM_COMMAND, button, 0);
        }
        return CallNextHookEx(self != nullptr ? self->hook_ : nullptr, code, wparam, lparam);
    }

    HHOOK hook_ = nullptr;
    HWND last_box_ = nullptr;
    std::deque<int> answers_;
    std::vector<ShownBox> shown_;
};
