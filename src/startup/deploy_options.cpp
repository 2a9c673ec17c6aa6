#include "startup/deploy_options.h"

#include <string_view>

#include "engine/catalogue.h"

namespace cvinst {

namespace {

// The seconds of a well-formed "/WAIT:" value, or nullopt when there are too many.
std::optional<unsigned long> SecondsOf(std::string_view digits) {
    unsigned long seconds = 0;
    for (const char digit : digits) {
        seconds = seconds * 10 + static_cast<unsigned long>(digit - '0');
        if (seconds > kLongestWaitSeconds) return std::nullopt;
    }
    return seconds;
}

}  // namespace

DeployOptions TakeDeployOptions(const OptionReading& reading) {
    DeployOptions options;
    bool logOk = true;
    bool waitOk = true;
    for (const OptionFound& option : reading.options) {
        const std::string_view value = ValueOf(reading.original, option);
        if (option.kind == OptionKind::Log) {
            const bool taken = option.wellFormed && !value.empty() && !options.logPath;
            if (taken) options.logPath = std::string(value);
            logOk = logOk && taken;
        } else if (option.kind == OptionKind::Wait) {
            const std::optional<unsigned long> seconds =
                option.wellFormed ? SecondsOf(value) : std::nullopt;
            const bool taken = seconds && !options.waitSeconds;
            if (taken) options.waitSeconds = seconds;
            waitOk = waitOk && taken;
        }
    }
    options.rest = Without(reading, reading.original, {OptionKind::Log, OptionKind::Wait});
    if (!logOk || !waitOk) {
        options.ok = false;
        options.error = logOk ? CommandLineError::WaitInvalid : CommandLineError::LogInvalid;
        // The whole text, as the "/MSI=" option's refusal quotes it.
        options.text = reading.upper;
    }
    return options;
}

DeployOptions TakeDeployOptions(const std::string& argumentText) {
    return TakeDeployOptions(ReadOptions(argumentText));
}

std::string DescribeRequest(const CommandLine& request, const RunOptions& options) {
    std::string text = request.action == kInstallAction ? "install" : "uninstall";
    text += "; programs: ";
    if (!request.programs) {
        text += "every one whose package is present";
    } else {
        text += ProgramNames(*request.programs);
    }
    text += "; installer parameters: ";
    text +=
        options.InstallerParams.empty() ? "the defaults" : "\"" + options.InstallerParams + "\"";
    if (options.SkipInstalled) text += "; programs already installed are left alone (/T)";
    if (request.ShowWindow) text += "; the window is shown (/SHOW)";
    text += "; waits up to " + std::to_string(options.WaitSeconds) + " s for another installation";
    if (!options.LogPath.empty()) {
        text += "; msiexec logs beside \"" + options.LogPath + "\"";
    }
    return text;
}

}  // namespace cvinst
