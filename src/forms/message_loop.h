#pragma once
// The program's one message pump. The main loop, a modal form's loop and the wait for a child
// process all dispatch through it, so the forms' keyboard handling (Tab, arrows, Enter) works in
// each of them.
#include <windows.h>

#include <functional>
#include <optional>

namespace cvinst::win {

enum class PumpMode {
    Wait,     // block in GetMessage until `done` holds
    Pending,  // dispatch what is queued now, then return
};

// Dispatches messages until `done` holds (checked before each message), the queue is empty in
// Pending mode, or a WM_QUIT is taken; returns that WM_QUIT's exit code.
std::optional<int> Pump(PumpMode mode, const std::function<bool()>& done = {});

// An inner loop that took a WM_QUIT posts it again once it is over, so that the loop around it
// ends as well.
void RepostQuit(const std::optional<int>& quitCode);

// The main loop: dispatches until WM_QUIT and returns its exit code.
int RunMessageLoop();

// Keyboard handling of our forms for a message about to be dispatched; true when it was handled.
bool PreTranslate(MSG& msg);

}  // namespace cvinst::win
