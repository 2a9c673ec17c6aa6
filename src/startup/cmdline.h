#pragma once
// The unattended command-line language: substring search over the whole argument text.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/run_options.h"

namespace cvinst {

enum class CommandLineError {
    ProgramsInvalid = 1,
    CommandInvalid = 2,
    InstallerParamsInvalid = 5,
    LogInvalid = 6,   // "/LOG=" without a quoted path, or given twice
    WaitInvalid = 7,  // "/WAIT:" without seconds in digits only, too many, or given twice
};

inline constexpr int kInstallAction = 0;    // Option1(0)
inline constexpr int kUninstallAction = 1;  // Option1(1)

// What an accepted command line asks for.
struct CommandLine {
    int action = kInstallAction;
    // The "/P:" programs as catalogue indices, in the order written (repeats kept); none when the
    // option is absent, which means every program whose package is present.
    std::optional<std::vector<int>> programs;
    RunOptions options;  // SkipInstalled and InstallerParams; Unattended is the start-up's to set
    bool ShowWindow = false;
};

struct ParseResult {
    bool ok = true;
    CommandLine request;  // when !ok, what the parsers before the failing one found
    CommandLineError error = CommandLineError::CommandInvalid;
    std::string text;  // when !ok: the upper-cased working text as the failing parser saw it
};

// Main's working copy of the argument text. `upper` is what every option is matched in and
// what the error messages quote; `original` keeps the user's case at the same positions, so
// that the /MSI= parameters reach msiexec as they were written.
class WorkingText {
public:
    explicit WorkingText(std::string argumentText);
    const std::string& upper() const { return upper_; }
    const std::string& original() const { return original_; }
    bool contains(std::string_view needle) const;
    // Removes every occurrence of `needle` (matched in the upper-cased text) from both texts.
    void removeAll(std::string_view needle);
    // Removes [pos, pos+len) from both texts.
    void erase(size_t pos, size_t len);

private:
    std::string original_;
    std::string upper_;
};

// Upper-cases UTF-8 text letter by letter without changing its length in bytes. The table covers
// the letters of the Latin, Greek and Cyrillic alphabets whose upper case is as long as they are:
// the positions of the upper-cased copy must stay those of the user's text.
std::string UpperCaseSameLength(std::string_view text);

// The parsers, each over the working text and in the order ParseCommandLine calls them.
bool ParseInstallerOption(WorkingText& text, std::string& installerParams);
bool ParseProgramOption(const WorkingText& text, std::optional<std::vector<int>>& programs);
bool ParseCommandOption(const WorkingText& text, int& action);

// A "?" anywhere, also inside the quotes of "/MSI=", asks for the help and nothing else. Asked of
// the text without the deployment options (DeployOptions::rest): a "?" in their values is theirs.
bool IsHelpRequest(std::string_view argumentText);

// Parses an argument text that is not empty and asks for no help.
ParseResult ParseCommandLine(const std::string& argumentText);

// The main window's controls as an accepted command line sets them.
class CommandLineControls {
public:
    virtual ~CommandLineControls() = default;
    virtual void ChkAll(int state) = 0;                      // the window's ChkAll
    virtual void SetProgramCheck(int index, int value) = 0;  // Check1(index).Value, runs its click
    virtual bool ActionEnabled(int index) = 0;               // Option1(index).Enabled
    virtual void SelectAction(int index) = 0;                // Option1(index).Value = True
};

// Ticks the programs, selects the action and ticks the programs once more: selecting the action
// makes the window apply its profile, which can change which program boxes are enabled. False,
// with nothing selected, when the action's option button is disabled.
bool ApplyCommandLine(const CommandLine& request, CommandLineControls& controls);

// The text of the error box (title kCommandLineErrorTitle). `rightsDenied`: the action asked for
// was disabled in the window.
inline constexpr std::string_view kCommandLineErrorTitle = "Corvane Automatic Installation";
std::string CommandLineErrorMessage(const std::string& text, CommandLineError kind,
                                    bool rightsDenied);

// The whole unattended start's reading of a command line: parse it, then set the window's
// controls from it.
struct Acceptance {
    bool ok = true;
    CommandLine request;  // as parsed, also as far as it got when !ok
    CommandLineError error = CommandLineError::CommandInvalid;
    bool rightsDenied = false;  // the action asked for is disabled in the window
    std::string message;        // when !ok: the error box text
};
Acceptance AcceptCommandLine(const std::string& argumentText, CommandLineControls& controls);

// The argument part of a process command line: everything after the program's own name,
// quoted or not, and the blanks that follow it.
std::string ArgumentText(std::string_view commandLine);

}  // namespace cvinst
