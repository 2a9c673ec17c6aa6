#include "engine/msi_arguments.h"

#include <algorithm>
#include <utility>

#include "support/file_names.h"
#include "support/strings.h"

namespace cvinst {

std::string InstallerParameters(const std::string& installerParams, bool nobodySees) {
    if (installerParams.empty()) {
        return std::string(nobodySees ? kUnseenInstallerParams : kDefaultInstallerParams);
    }
    if (installerParams.front() == ' ') {
        return installerParams;
    }
    return " " + installerParams;
}

std::string MsiLogPath(const std::string& logPath, std::string_view package, bool install) {
    return std::string(WithoutExtension(logPath)) + "_" + std::string(WithoutExtension(package)) +
           (install ? "_install.log" : "_uninstall.log");
}

bool AsksForMsiLog(std::string_view installerParams) {
    for (size_t i = 0; i + 1 < installerParams.size(); ++i) {
        const bool wordStart = i == 0 || installerParams[i - 1] == ' ';
        const char option = installerParams[i];
        const char letter = installerParams[i + 1];
        if (wordStart && (option == '/' || option == '-') && (letter == 'l' || letter == 'L')) {
            return true;
        }
    }
    return false;
}

namespace {

bool IsPropertyNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '.';
}

}  // namespace

std::string SecretInClear(std::string_view installerParams, const SecretMask& secrets,
                          const std::vector<std::string>& hidden) {
    for (size_t equals = installerParams.find('='); equals != std::string_view::npos;
         equals = installerParams.find('=', equals + 1)) {
        size_t end = equals;
        while (end > 0 && (installerParams[end - 1] == ' ' || installerParams[end - 1] == '\t')) {
            --end;
        }
        size_t start = end;
        while (start > 0 && IsPropertyNameChar(installerParams[start - 1])) --start;
        const std::string name(installerParams.substr(start, end - start));
        if (name.empty() || !secrets.IsSecret(name)) continue;
        if (std::find(hidden.begin(), hidden.end(), name) == hidden.end()) return name;
    }
    return {};
}

bool AsksNoUserInterface(std::string_view installerParams) {
    size_t start = 0;
    while (start < installerParams.size()) {
        size_t end = installerParams.find(' ', start);
        if (end == std::string_view::npos) end = installerParams.size();
        const std::string word = UpperAscii(installerParams.substr(start, end - start));
        if (word.size() > 1 && (word[0] == '/' || word[0] == '-')) {
            const std::string option = word.substr(1);
            if (option == "Q" || option == "QN" || option == "QUIET") return true;
        }
        start = end + 1;
    }
    return false;
}

MsiArguments::MsiArguments(std::string installerFolder, const RunOptions& options)
    : folder_(std::move(installerFolder)),
      params_(InstallerParameters(options.InstallerParams, options.NobodySees)), options_(options) {
}

std::string MsiArguments::StepLog(const Program& program, bool installStep) const {
    if (options_.LogPath.empty() || AsksForMsiLog(options_.InstallerParams)) return {};
    return MsiLogPath(options_.LogPath, program.package, installStep);
}

std::string MsiArguments::SecretInStepLog(const Program& program) const {
    static const std::vector<std::string> kNone;
    const auto hidden = options_.HiddenByPackage.find(program.package);
    return SecretInClear(options_.InstallerParams, options_.Secrets,
                         hidden == options_.HiddenByPackage.end() ? kNone : hidden->second);
}

std::string MsiArguments::For(const Program& program, bool installStep,
                              const std::string& stepLog) const {
    std::string package = folder_;
    AddBackslash(package) += program.package;
    std::string arguments = (installStep ? "/i " : "/x ") + QuoteStr(package) + params_;
    // Appended to: a rerun keeps the log of the run before, which rotation keeps in bounds.
    if (!stepLog.empty()) arguments += " /L*v+ " + QuoteStr(stepLog);
    return arguments;
}

}  // namespace cvinst
