#pragma once
// The options for deployment tools, "/LOG=" and "/WAIT:". What the rest of the line may ask (the
// help, the run) is judged without them, so that nothing inside their values (a path holding "/U",
// or the "?" of a "\\?\" path) counts as another option or as a request for the help.
#include <optional>
#include <string>

#include "startup/cmdline.h"
#include "startup/option_reader.h"

namespace cvinst {

struct DeployOptions {
    // The argument text without these options, values and all (malformed ones too), so that only
    // a "?" outside their values asks for the help.
    std::string rest;
    std::optional<std::string> logPath;        // "/LOG=" path, in the user's case
    std::optional<unsigned long> waitSeconds;  // "/WAIT:" seconds
    bool ok = true;
    CommandLineError error = CommandLineError::LogInvalid;
    std::string text;  // when !ok: the whole upper-cased argument text, for the error message
};

// "/LOG=" followed directly by a double quote, a path of at least one character and a closing
// quote, and "/WAIT:" followed by the digits of 0 to kLongestWaitSeconds seconds and then a blank,
// the "/" of the next option or the end; each at most once.
DeployOptions TakeDeployOptions(const OptionReading& reading);
DeployOptions TakeDeployOptions(const std::string& argumentText);

// An accepted command line and the options of its run, as the log tells them.
std::string DescribeRequest(const CommandLine& request, const RunOptions& options);

}  // namespace cvinst
