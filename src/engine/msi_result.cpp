#include "engine/msi_result.h"

#include "base/installer_codes.h"

namespace cvinst {

MsiResult MsiResultOf(bool created, bool waitedToEnd, std::optional<unsigned long> exitCode,
                      unsigned long systemError) {
    MsiResult result;
    if (!created) {
        if (systemError != 0) result.problem += " (" + installer::ErrorNumber(systemError) + ")";
    } else if (!waitedToEnd) {
        result.problem = "could not be waited for";
        result.mayStillRun = true;
    } else if (!exitCode) {
        result.problem = "ended without an exit code that could be read";
    } else {
        result.started = true;
        result.exitCode = *exitCode;
    }
    return result;
}

}  // namespace cvinst
