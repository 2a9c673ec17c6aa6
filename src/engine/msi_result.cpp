#include "engine/msi_result.h"

namespace cvinst {

MsiResult MsiResultOf(bool created, bool waitedToEnd, std::optional<unsigned long> exitCode) {
    MsiResult result;
    if (!created) {
        result.problem = "could not be started";
    } else if (!waitedToEnd) {
        result.problem = "could not be waited for";
    } else if (!exitCode) {
        result.problem = "ended without an exit code that could be read";
    } else {
        result.started = true;
        result.exitCode = *exitCode;
    }
    return result;
}

}  // namespace cvinst
