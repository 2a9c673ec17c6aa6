#include "engine/busy_installer.h"

#include <algorithm>

#include "base/installer_codes.h"
#include "engine/run_texts.h"

namespace cvinst {

Turn InstallerTurns::Run(const std::string& arguments, const WaitWatch& watch) {
    const uint64_t deadline = system_.Milliseconds() + uint64_t{waitSeconds_} * 1000;
    unsigned long retryMs = kFirstRetryMs;
    for (;;) {
        const WaitEnd turn = WaitForTurn(deadline, watch);
        if (turn == WaitEnd::Cancelled) return {TurnEnd::Cancelled, {}};
        if (turn == WaitEnd::TimeUp) return {TurnEnd::Busy, {}};
        log_.Write("msiexec " + arguments);
        const uint64_t start = system_.Milliseconds();
        const MsiResult result = system_.RunMsiExec(arguments);
        const uint64_t took = system_.Milliseconds() - start;
        if (!result.started) {
            log_.Write("msiexec " + result.problem);
            return {TurnEnd::Ran, result};
        }
        log_.Write("msiexec ended with " + std::to_string(result.exitCode) + " after " +
                   Seconds(took) + ": " + Reason(system_, result.exitCode));
        if (result.exitCode != static_cast<unsigned long>(installer::AlreadyRunning)) {
            return {TurnEnd::Ran, result};
        }

        const uint64_t now = system_.Milliseconds();
        if (now >= deadline) {
            log_.Write("Another installation is in progress and the wait is over");
            return {TurnEnd::Busy, {}};
        }
        const auto pause = static_cast<unsigned long>(std::min<uint64_t>(retryMs, deadline - now));
        log_.Write("Another installation is in progress: trying again in " + Seconds(pause));
        const WaitEnd paused =
            Wait(now + pause, deadline, watch, [this](unsigned long ms, const StopAsked& stop) {
                system_.Pause(ms, stop);
                return false;
            });
        if (paused == WaitEnd::Cancelled) {
            log_.Write("The wait was cancelled after " + Seconds(system_.Milliseconds() - now));
            return {TurnEnd::Cancelled, {}};
        }
        watch.goingOn();
        retryMs = std::min(retryMs * 2, kLongestRetryMs);
    }
}

InstallerTurns::WaitEnd InstallerTurns::WaitForTurn(uint64_t deadline, const WaitWatch& watch) {
    if (system_.WaitForInstaller(0, {})) return WaitEnd::Came;
    const uint64_t start = system_.Milliseconds();
    if (start >= deadline) {
        log_.Write("The Windows Installer is busy with another installation; not waiting");
        return WaitEnd::TimeUp;
    }
    log_.Write("The Windows Installer is busy with another installation: waiting up to " +
               Seconds(deadline - start));
    const WaitEnd end =
        Wait(deadline, deadline, watch, [this](unsigned long ms, const StopAsked& stop) {
            return system_.WaitForInstaller(ms, stop);
        });
    const std::string waited = Seconds(system_.Milliseconds() - start);
    switch (end) {
    case WaitEnd::Came:
        log_.Write("The Windows Installer became free after " + waited);
        watch.goingOn();
        break;
    case WaitEnd::TimeUp:
        log_.Write("The Windows Installer is still busy after " + waited + ": giving up");
        break;
    case WaitEnd::Cancelled:
        log_.Write("The wait was cancelled after " + waited);
        break;
    }
    return end;
}

InstallerTurns::WaitEnd InstallerTurns::Wait(uint64_t until, uint64_t deadline,
                                             const WaitWatch& watch, const WaitPiece& wait) {
    if (!watch.cancelled) {
        const uint64_t now = system_.Milliseconds();
        watch.waiting(deadline - now);
        return wait(static_cast<unsigned long>(until - now), {}) ? WaitEnd::Came : WaitEnd::TimeUp;
    }
    for (;;) {
        if (watch.cancelled()) return WaitEnd::Cancelled;
        const uint64_t now = system_.Milliseconds();
        if (now >= until) return WaitEnd::TimeUp;
        const uint64_t left = deadline - now;
        watch.waiting(left);
        const uint64_t toNextSecond = left % 1000 == 0 ? 1000 : left % 1000;
        if (wait(static_cast<unsigned long>(std::min(until - now, toNextSecond)),
                 watch.cancelled)) {
            return WaitEnd::Came;
        }
    }
}

}  // namespace cvinst
