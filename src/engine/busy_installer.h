#pragma once
// A step's dealings with another installation that holds the Windows Installer: it waits for it
// to finish, up to the run's limit, and runs msiexec again while msiexec finds it taken all the
// same (it lost the race for it), after pauses that double up to the longest.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "engine/run_seams.h"
#include "support/log.h"

namespace cvinst {

inline constexpr unsigned long kFirstRetryMs = 1000;
inline constexpr unsigned long kLongestRetryMs = 15000;

class InstallerTurns {
public:
    InstallerTurns(RunSystem& system, Log& log, unsigned long waitSeconds)
        : system_(system), log_(log), waitSeconds_(waitSeconds) {}

    // Runs msiexec with `arguments` once the Windows Installer is free. `waiting` is told true
    // when the step begins to wait and false when it goes on. nullopt: another installation kept
    // the Windows Installer past the wait.
    std::optional<MsiResult> Run(const std::string& arguments,
                                 const std::function<void(bool waiting)>& waiting);

private:
    bool WaitForTurn(uint64_t deadline, const std::function<void(bool)>& waiting);

    RunSystem& system_;
    Log& log_;
    const unsigned long waitSeconds_;
};

}  // namespace cvinst
