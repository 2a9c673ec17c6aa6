#include "engine/msi_arguments.h"

#include <utility>

#include "support/strings.h"

namespace cvinst {

namespace {

std::string WithoutExtension(std::string_view path) {
    const size_t name = path.find_last_of("\\/");
    const size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || (name != std::string_view::npos && dot < name)) {
        return std::string(path);
    }
    return std::string(path.substr(0, dot));
}

}  // namespace

std::string InstallerParameters(const std::string& installerParams) {
    if (installerParams.empty()) {
        return std::string(kDefaultInstallerParams);
    }
    if (installerParams.front() == ' ') {
        return installerParams;
    }
    return " " + installerParams;
}

std::string MsiLogPath(const std::string& logPath, std::string_view package, bool install) {
    return WithoutExtension(logPath) + "_" + WithoutExtension(package) +
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

MsiArguments::MsiArguments(std::string installerFolder, const RunOptions& options)
    : folder_(std::move(installerFolder)), params_(InstallerParameters(options.InstallerParams)),
      options_(options) {}

std::string MsiArguments::For(const Program& program, bool installStep) const {
    std::string package = folder_;
    AddBackslash(package) += program.package;
    std::string arguments = (installStep ? "/i " : "/x ") + QuoteStr(package) + params_;
    if (!options_.LogPath.empty() && !AsksForMsiLog(options_.InstallerParams)) {
        arguments +=
            " /L*v " + QuoteStr(MsiLogPath(options_.LogPath, program.package, installStep));
    }
    return arguments;
}

}  // namespace cvinst
