#include "win32_run_system.h"

namespace cvinst::testkit {

MsiResult PumpingRunSystem::RunMsiExec(const std::string& arguments) {
    const MsiResult result = FakeRunSystem::RunMsiExec(arguments);
    DispatchPendingMessages();
    return result;
}

void PumpingRunSystem::Pause(unsigned long milliseconds, const StopAsked& stop) {
    FakeRunSystem::Pause(milliseconds, stop);
    DispatchPendingMessages();
}

}  // namespace cvinst::testkit
