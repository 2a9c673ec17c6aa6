#pragma once
// msiexec's argument line for one step of a run.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "engine/catalogue.h"
#include "engine/run_options.h"

namespace cvinst {

inline constexpr std::string_view kDefaultInstallerParams =
    " /qb ALLUSERS=2 DISABLEADVTSHORTCUTS=1";
// Where no one can see a window: no box of msiexec's own, which nobody could answer.
inline constexpr std::string_view kUnseenInstallerParams = " /qn ALLUSERS=2 DISABLEADVTSHORTCUTS=1";

// The most characters Windows takes for a whole command line, the terminating NUL included.
inline constexpr size_t kLongestCommandLine = 32767;

// The msiexec parameters of a run: the /MSI= text with a leading blank, or the defaults.
std::string InstallerParameters(const std::string& installerParams, bool nobodySees = false);
// Whether installer parameters ask msiexec for no user interface at all (/q, /qn or /quiet).
bool AsksNoUserInterface(std::string_view installerParams);

// Where msiexec logs one step of a run that keeps a log at `logPath`: beside it, named
// "<its name without extension>_<package without extension>_<install|uninstall>.log".
std::string MsiLogPath(const std::string& logPath, std::string_view package, bool install);
// Whether installer parameters already ask msiexec for a log of their own ("/L..." or "-L...").
bool AsksForMsiLog(std::string_view installerParams);
// A property the parameters set that `secrets` treats as secret and that is not among `hidden`,
// the names msiexec keeps out of its log (compared with case, as msiexec compares property
// names); "" when there is none. Every '=' counts, also one inside a value: a step log missed
// is safer than a secret written in clear.
std::string SecretInClear(std::string_view installerParams, const SecretMask& secrets,
                          const std::vector<std::string>& hidden);

class MsiArguments {
public:
    // `installerFolder` is where the packages lie.
    MsiArguments(std::string installerFolder, const RunOptions& options);

    // Where msiexec is to log the step: beside the run log, when the run keeps one and the
    // parameters ask for no log of their own; "" otherwise.
    std::string StepLog(const Program& program, bool installStep) const;
    // A secret property the parameters set that msiexec would write in clear into the program's
    // step log (SecretInClear with what its package hides); "" when none.
    std::string SecretInStepLog(const Program& program) const;
    // "/i" or "/x", the package's quoted path, the parameters and, unless `stepLog` is "", the
    // step's verbose log, appended to.
    std::string For(const Program& program, bool installStep, const std::string& stepLog) const;

private:
    std::string folder_;
    std::string params_;
    const RunOptions& options_;
};

}  // namespace cvinst
