#pragma once
// What became of one msiexec process.
#include <optional>
#include <string>
#include <utility>

namespace cvinst {

// What one msiexec process did.
struct MsiResult {
    MsiResult() = default;
    MsiResult(bool started, unsigned long exitCode, std::string problem = {})
        : started(started), exitCode(exitCode), problem(std::move(problem)) {}

    bool started = false;        // false: it could not be started, waited for or asked its code
    unsigned long exitCode = 0;  // valid when started
    std::string problem;         // when not started: what went wrong, for the log
};

// What a msiexec process came to from what starting it, waiting for its end and asking its exit
// code gave: only a process that was seen to end and told its code succeeded or failed by it.
MsiResult MsiResultOf(bool created, bool waitedToEnd, std::optional<unsigned long> exitCode);

}  // namespace cvinst
