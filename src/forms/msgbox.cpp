#include "forms/msgbox.h"

#include "forms/text.h"

namespace cvinst::win {

MessageBoxHookFn& MessageBoxHook() {
    static MessageBoxHookFn hook;
    return hook;
}

namespace {
std::string& Title() {
    static std::string title;
    return title;
}
}  // namespace

void SetAppTitle(std::string title) { Title() = std::move(title); }
const std::string& AppTitle() { return Title(); }

int ShowMessageBox(HWND owner, std::string_view text, UINT flags, std::string_view caption) {
    MessageBoxRequest request{owner, std::string(text),
                              caption.empty() ? AppTitle() : std::string(caption), flags};
    if (auto& hook = MessageBoxHook()) return hook(request);
    const int answer = MessageBoxW(owner, Wide(request.text).c_str(), Wide(request.caption).c_str(),
                                   flags | MB_SETFOREGROUND);
    if (auto& observer = MessageBoxObserver()) observer(request, answer);
    return answer;
}

MessageBoxObserverFn& MessageBoxObserver() {
    static MessageBoxObserverFn observer;
    return observer;
}

}  // namespace cvinst::win
