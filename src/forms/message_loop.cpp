#include "forms/message_loop.h"

#include "forms/form.h"

namespace cvinst::win {

std::optional<int> Pump(PumpMode mode, const std::function<bool()>& done) {
    MSG msg;
    while (!(done && done())) {
        if (mode == PumpMode::Pending) {
            if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return std::nullopt;
        } else if (GetMessageW(&msg, nullptr, 0, 0) == -1) {
            return std::nullopt;
        }
        if (msg.message == WM_QUIT) return static_cast<int>(msg.wParam);
        if (!PreTranslate(msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return std::nullopt;
}

void RepostQuit(const std::optional<int>& quitCode) {
    if (quitCode) PostQuitMessage(*quitCode);
}

int RunMessageLoop() { return Pump(PumpMode::Wait).value_or(0); }

bool PreTranslate(MSG& msg) {
    if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
    HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    return Form::FromWindow(root) != nullptr && IsDialogMessageW(root, &msg);
}

}  // namespace cvinst::win
