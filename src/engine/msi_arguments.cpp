#include "engine/msi_arguments.h"

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
