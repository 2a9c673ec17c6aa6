#include "startup/deploy_options.h"

#include <cctype>
#include <string_view>

#include "engine/catalogue.h"

namespace cvinst {

namespace {

constexpr std::string_view kLogOption = "/LOG=";
constexpr std::string_view kWaitOption = "/WAIT:";

// The first `needle` in the upper-cased text that lies outside double quotes.
size_t FindOutsideQuotes(const std::string& upper, std::string_view needle) {
    bool quoted = false;
    for (size_t i = 0; i < upper.size(); ++i) {
        if (upper[i] == '"') {
            quoted = !quoted;
        } else if (!quoted && upper.compare(i, needle.size(), needle) == 0) {
            return i;
        }
    }
    return std::string::npos;
}

// Takes every "/LOG=" option out; false when one is malformed.
bool TakeLog(WorkingText& text, std::optional<std::string>& path) {
    for (;;) {
        const size_t start = FindOutsideQuotes(text.upper(), kLogOption);
        if (start == std::string::npos) return true;
        const size_t open = start + kLogOption.size();
        if (open >= text.upper().size() || text.upper()[open] != '"') return false;
        const size_t close = text.upper().find('"', open + 1);
        if (close == std::string::npos || close == open + 1) return false;
        if (!path) path = text.original().substr(open + 1, close - open - 1);
        text.erase(start, close - start + 1);
    }
}

// Takes every "/WAIT:" option out; false when one is malformed.
bool TakeWait(WorkingText& text, std::optional<unsigned long>& seconds) {
    for (;;) {
        const size_t start = FindOutsideQuotes(text.upper(), kWaitOption);
        if (start == std::string::npos) return true;
        size_t end = start + kWaitOption.size();
        unsigned long value = 0;
        while (end < text.upper().size() &&
               std::isdigit(static_cast<unsigned char>(text.upper()[end]))) {
            value = value * 10 + static_cast<unsigned long>(text.upper()[end] - '0');
            if (value > kLongestWaitSeconds) return false;
            ++end;
        }
        if (end == start + kWaitOption.size()) return false;
        if (!seconds) seconds = value;
        text.erase(start, end - start);
    }
}

}  // namespace

DeployOptions TakeDeployOptions(const std::string& argumentText) {
    DeployOptions options;
    WorkingText text(argumentText);
    // A refusal quotes the whole text, as the "/MSI=" option's does: copies taken out before the
    // faulty one are part of what the user wrote.
    auto fail = [&](CommandLineError kind) {
        options.ok = false;
        options.error = kind;
        options.text = UpperCaseSameLength(argumentText);
        return options;
    };
    if (!TakeLog(text, options.logPath)) return fail(CommandLineError::LogInvalid);
    if (!TakeWait(text, options.waitSeconds)) return fail(CommandLineError::WaitInvalid);
    options.rest = text.original();
    return options;
}

std::string DescribeRequest(const CommandLine& request, const RunOptions& options) {
    std::string text = request.action == kInstallAction ? "install" : "uninstall";
    text += "; programs: ";
    if (!request.programs) {
        text += "every one whose package is present";
    } else {
        for (size_t i = 0; i < request.programs->size(); ++i) {
            if (i > 0) text += ", ";
            text += ProgramCatalogue[(*request.programs)[i]].name;
        }
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
