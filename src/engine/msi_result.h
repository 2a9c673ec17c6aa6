#pragma once
// What became of one msiexec process.
#include <optional>
#include <string>
#include <utility>

namespace cvinst {

// What one msiexec process did.
struct MsiResult {
    static constexpr const char* kNotStarted = "could not be started";

    MsiResult() = default;
    MsiResult(bool started, unsigned long exitCode, std::string problem = {})
        : started(started), exitCode(exitCode),
          problem(started || !problem.empty() ? std::move(problem) : kNotStarted) {}

    bool started = false;        // false: it could not be started, waited for or asked its code
    unsigned long exitCode = 0;  // valid when started
    // When not started: what went wrong, for the log and the error box. Never empty then.
    std::string problem = kNotStarted;
    bool mayStillRun = false;  // started, but its end was not seen: it may still be running
};

// What a msiexec process came to from what starting it, waiting for its end and asking its exit
// code gave: only a process that was seen to end and told its code succeeded or failed by it.
// `systemError`: the system's code for why it could not be started (0: none known).
MsiResult MsiResultOf(bool created, bool waitedToEnd, std::optional<unsigned long> exitCode,
                      unsigned long systemError = 0);

}  // namespace cvinst
