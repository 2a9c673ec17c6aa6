#pragma once
// The message boxes of one window and its runs: a box naming no caption of its own shows the
// application title; tests, and the program where no one could see a box, answer instead of a
// person; whoever keeps the record hears every box shown and its answer.
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

class MessageBoxes {
public:
    std::string title;
    // When set, boxes are not shown: this answers (IDOK, IDYES, IDNO...).
    std::function<int(const MessageBoxRequest&)> answer;
    // Told of every box shown, with the answer it got.
    std::function<void(const MessageBoxRequest&, int answer)> observe;

    // An empty caption means the application title.
    int Show(HWND owner, std::string_view text, UINT flags, std::string_view caption = {}) const;
};

}  // namespace cvinst::win
