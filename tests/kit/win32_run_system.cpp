#include "win32_run_system.h"

#include <windows.h>

namespace cvinst::testkit {

MsiResult PumpingRunSystem::RunMsiExec(const std::string& arguments) {
    const MsiResult result = FakeRunSystem::RunMsiExec(arguments);
    DispatchPendingMessages();
    return result;
}

void PumpingRunSystem::Pause(unsigned long milliseconds) {
    FakeRunSystem::Pause(milliseconds);
    DispatchPendingMessages();
}

bool DispatchPendingMessages() {
    bool quit = false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quit = true;
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return quit;
}

}  // namespace cvinst::testkit
