#include "base/installer_codes.h"

#include <algorithm>
#include <iterator>
#include <string>

namespace cvinst::installer {

namespace {

constexpr CodeMeaning kFailure{InstallFailure, Step::Failed, InstallFailure, "failed"};

constexpr CodeMeaning kCodes[] = {
    {Success, Step::Done, Success, "success"},
    {InstallSuccess, Step::Done, Success, "success"},
    {RebootRequired, Step::Done, RebootRequired, "success, a restart is needed to finish"},
    // Deployment tools know 3010 for a needed restart; 3011 says the same.
    {RestartNeeded, Step::Done, RebootRequired, "success, a restart is needed to finish"},
    {RebootInitiated, Step::RestartStarted, RebootInitiated,
     "success so far, the Windows Installer is restarting the machine"},
    {AlreadyRunning, Step::Busy, AlreadyRunning,
     "another installation is in progress: try again later"},
    {UserCancelled, Step::Cancelled, UserCancelled, "cancelled"},
    {NothingToRun, Step::Failed, InstallFailure, "nothing to run: the packages are missing"},
    {InvalidCommandLine, Step::Failed, InstallFailure, "the command line was refused"},
    {AccessDenied, Step::Failed, InstallFailure, "the user may not change machine-wide settings"},
    kFailure,
};

// Lightest first.
constexpr int kWeights[] = {Success,         RebootRequired, AlreadyRunning,
                            RebootInitiated, InstallFailure, UserCancelled};

int WeightOf(int status) {
    const auto* found = std::find(std::begin(kWeights), std::end(kWeights), status);
    // A status outside the list is some failure.
    if (found == std::end(kWeights)) return WeightOf(InstallFailure);
    return static_cast<int>(found - std::begin(kWeights));
}

}  // namespace

std::string ErrorNumber(unsigned long code) { return "error " + std::to_string(code); }

const CodeMeaning& MeaningOf(unsigned long code) {
    for (const CodeMeaning& row : kCodes) {
        if (static_cast<unsigned long>(row.code) == code) return row;
    }
    return kFailure;
}

int Weightier(int status, int other) { return WeightOf(other) > WeightOf(status) ? other : status; }

std::string PrecedenceText() {
    std::string text;
    for (auto status = std::rbegin(kWeights); status != std::rend(kWeights); ++status) {
        if (*status == Success) continue;
        text += (text.empty() ? "" : ", then ") + std::to_string(*status);
    }
    return text;
}

}  // namespace cvinst::installer
