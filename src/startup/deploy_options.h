#pragma once
// The options for deployment tools, "/LOG=" and "/WAIT:". They are taken out of the argument text
// before anything else looks at it, so that nothing inside their values (a path holding "/U", or
// the "?" of a "\\?\" path) can be taken for another option.
#include <optional>
#include <string>

#include "startup/cmdline.h"

namespace cvinst {

inline constexpr unsigned long kLongestWaitSeconds = 1000000;

struct DeployOptions {
    std::string rest;                          // the argument text without these options
    std::optional<std::string> logPath;        // "/LOG=" path, in the user's case
    std::optional<unsigned long> waitSeconds;  // "/WAIT:" seconds
    bool ok = true;
    CommandLineError error = CommandLineError::LogInvalid;
    std::string text;  // when !ok: the whole upper-cased argument text, for the error message
};

// "/LOG=" followed directly by a double quote, a path and a closing quote (every copy is taken
// out; the first names the file), and "/WAIT:" followed by 0 to kLongestWaitSeconds seconds; both
// only outside quotes, so that one inside the "/MSI=" parameters stays theirs.
DeployOptions TakeDeployOptions(const std::string& argumentText);

// An accepted command line and the options of its run, as the log tells them.
std::string DescribeRequest(const CommandLine& request, const RunOptions& options);

}  // namespace cvinst
