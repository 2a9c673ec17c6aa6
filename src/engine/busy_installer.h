#pragma once
// A step's dealings with another installation that holds the Windows Installer: it waits for it
// to finish, up to the run's limit, and runs msiexec again while msiexec finds it taken all the
// same (it lost the race for it), after pauses that double up to the longest. Where a person
// watches, the wait counts down each second and can be cancelled.
#include <cstdint>
#include <functional>
#include <string>

#include "engine/run_seams.h"
#include "support/log.h"

namespace cvinst {

inline constexpr unsigned long kFirstRetryMs = 1000;
inline constexpr unsigned long kLongestRetryMs = 15000;

// What a step's wait shows, and who may cut it short.
struct WaitWatch {
    // The step waits; `leftMs` of the run's wait remain. Told when a wait begins and, when the
    // wait is counted, at every whole second left.
    std::function<void(uint64_t leftMs)> waiting;
    // The step goes on: the Windows Installer is free, or msiexec runs again.
    std::function<void()> goingOn;
    // Whether the person asked to stop waiting. Empty where no one can: the wait is then not
    // counted but waited in one piece.
    StopAsked cancelled;
};

// How a step's turn at the Windows Installer ended.
enum class TurnEnd {
    Ran,        // msiexec ran (or could not be started): `result` says which
    Busy,       // another installation kept the Windows Installer past the wait
    Cancelled,  // the person cancelled the wait
};

struct Turn {
    TurnEnd end = TurnEnd::Busy;
    MsiResult result;
};

class InstallerTurns {
public:
    InstallerTurns(RunSystem& system, Log& log, unsigned long waitSeconds)
        : system_(system), log_(log), waitSeconds_(waitSeconds) {}

    // Runs msiexec with `arguments` once the Windows Installer is free.
    Turn Run(const std::string& arguments, const WaitWatch& watch);

private:
    enum class WaitEnd { Came, TimeUp, Cancelled };
    // `wait` waits up to a time for what the step waits for, or until told to stop; true when it
    // came.
    using WaitPiece = std::function<bool(unsigned long timeoutMs, const StopAsked& stop)>;

    WaitEnd WaitForTurn(uint64_t deadline, const WaitWatch& watch);
    // Waits until `until` at the latest; a counted wait goes in pieces that end at the whole
    // seconds left before `deadline`.
    WaitEnd Wait(uint64_t until, uint64_t deadline, const WaitWatch& watch, const WaitPiece& wait);

    RunSystem& system_;
    Log& log_;
    const unsigned long waitSeconds_;
};

}  // namespace cvinst
