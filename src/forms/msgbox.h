#pragma once
// Every message box of the program goes through here, so that tests can answer them and so that
// a box naming no caption of its own shows the application title.
#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

namespace cvinst::win {

struct MessageBoxRequest {
    HWND owner;
    std::string text;
    std::string caption;
    UINT flags;
};

// When set, message boxes are not shown: the hook answers (IDOK, IDYES, IDNO...). Tests answer
// here, and so does the program where no one could see a box.
using MessageBoxHookFn = std::function<int(const MessageBoxRequest&)>;
MessageBoxHookFn& MessageBoxHook();

// Told of every box shown, with the answer it got.
using MessageBoxObserverFn = std::function<void(const MessageBoxRequest&, int answer)>;
MessageBoxObserverFn& MessageBoxObserver();

void SetAppTitle(std::string title);
const std::string& AppTitle();

// An empty caption means the application title.
int ShowMessageBox(HWND owner, std::string_view text, UINT flags, std::string_view caption = {});

}  // namespace cvinst::win
