#include "startup/deploy_options.h"

#include <algorithm>
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

constexpr std::string_view kBlanks = " \t";

// Where a malformed option's value ends: at the next blank. A "?" up to there is the value's,
// not a request for the help.
size_t EndOfWord(const std::string& upper, size_t from) {
    return std::min(upper.find_first_of(kBlanks, from), upper.size());
}

// Takes every "/LOG=" option out, malformed ones with their value too; false when one is
// malformed or there is more than one.
bool TakeLog(WorkingText& text, std::optional<std::string>& path) {
    bool ok = true;
    for (;;) {
        const std::string& upper = text.upper();
        const size_t start = FindOutsideQuotes(upper, kLogOption);
        if (start == std::string::npos) return ok;
        const size_t open = start + kLogOption.size();
        size_t end = EndOfWord(upper, open);
        bool wellFormed = false;
        if (open < upper.size() && upper[open] == '"') {
            const size_t close = upper.find('"', open + 1);
            end = close == std::string::npos ? upper.size() : close + 1;
            wellFormed = close != std::string::npos && close > open + 1;
        }
        if (wellFormed && !path) {
            path = text.original().substr(open + 1, end - open - 2);
        } else {
            ok = false;
        }
        text.erase(start, end - start);
    }
}

// Takes every "/WAIT:" option out, malformed ones with their value too; false when one is
// malformed or there is more than one.
bool TakeWait(WorkingText& text, std::optional<unsigned long>& seconds) {
    bool ok = true;
    for (;;) {
        const std::string& upper = text.upper();
        const size_t start = FindOutsideQuotes(upper, kWaitOption);
        if (start == std::string::npos) return ok;
        const size_t first = start + kWaitOption.size();
        size_t end = first;
        unsigned long value = 0;
        while (end < upper.size() && std::isdigit(static_cast<unsigned char>(upper[end])) &&
               value <= kLongestWaitSeconds) {
            value = value * 10 + static_cast<unsigned long>(upper[end] - '0');
            ++end;
        }
        // Digits only: "10m", "1e3" or "1.5" must not wait 10, 1 or 1 seconds. The next option
        // may follow without a blank.
        const bool wellFormed = end > first && value <= kLongestWaitSeconds &&
                                (end == upper.size() || upper[end] == '/' ||
                                 kBlanks.find(upper[end]) != std::string_view::npos);
        if (!wellFormed) end = EndOfWord(upper, first);
        if (wellFormed && !seconds) {
            seconds = value;
        } else {
            ok = false;
        }
        text.erase(start, end - start);
    }
}

}  // namespace

DeployOptions TakeDeployOptions(const std::string& argumentText) {
    DeployOptions options;
    WorkingText text(argumentText);
    const bool logOk = TakeLog(text, options.logPath);
    const bool waitOk = TakeWait(text, options.waitSeconds);
    options.rest = text.original();
    if (!logOk || !waitOk) {
        options.ok = false;
        options.error = logOk ? CommandLineError::WaitInvalid : CommandLineError::LogInvalid;
        // The whole text, as the "/MSI=" option's refusal quotes it: the copies taken out are
        // part of what the user wrote.
        options.text = UpperCaseSameLength(argumentText);
    }
    return options;
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
