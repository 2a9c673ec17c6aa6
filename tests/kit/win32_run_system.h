#pragma once
// The fake machine for tests of real windows: msiexec calls and pauses let the window handle its
// messages, as the real waits do between their polls.
#include "fake_run_system.h"
#include "win32_windows.h"

namespace cvinst::testkit {

class PumpingRunSystem : public FakeRunSystem {
public:
    MsiResult RunMsiExec(const std::string& arguments) override;
    void Pause(unsigned long milliseconds, const StopAsked& stop) override;
};

}  // namespace cvinst::testkit
