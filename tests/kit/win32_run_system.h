#pragma once
// The fake machine for tests of real windows: msiexec calls let the window handle its messages,
// as the real wait does between its polls.
#include "fake_run_system.h"

namespace cvinst::testkit {

class PumpingRunSystem : public FakeRunSystem {
public:
    MsiResult RunMsiExec(const std::string& arguments) override;
    void Pause(unsigned long milliseconds) override;
};

// Dispatches every message queued for this thread. A WM_QUIT found is dropped and reported, so
// that a window closed in one test does not end the modal loops of the next.
bool DispatchPendingMessages();

}  // namespace cvinst::testkit
