#pragma once
// The unattended command-line language: the run request an argument text makes, and how an
// accepted one sets the main window's controls.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/run_options.h"
#include "startup/option_reader.h"

namespace cvinst {

enum class CommandLineError {
    ProgramsInvalid = 1,  // "/P:" names no program, a letter that is none, or is given twice
    CommandInvalid = 2,
    InstallerParamsInvalid = 5,  // "/MSI=" without its quotes, or given twice
    LogInvalid = 6,              // "/LOG=" without a quoted path, or given twice
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
    std::string text;  // when !ok: the upper-cased text the error message quotes
};

// Upper-cases UTF-8 text letter by letter without changing its length in bytes. The table covers
// the letters of the Latin, Greek and Cyrillic alphabets whose upper case is as long as they are:
// the positions of the upper-cased copy must stay those of the user's text.
std::string UpperCaseSameLength(std::string_view text);

// A "?" anywhere, also inside the quotes of "/MSI=", asks for the help and nothing else. Asked of
// the text without the deployment options (DeployOptions::rest): a "?" in their values is theirs.
bool IsHelpRequest(std::string_view argumentText);

// The run request an argument text makes, judged in this order: "/MSI=" (well-formed, at most
// once), "/P:" (at most once, one or more of the program letters without outer blanks), then the
// command ("/I" wins over "/U"). A refusal of "/MSI=" quotes the whole upper-cased text; the
// others quote it without the deployment options, "/MSI=" and "/SHOW".
ParseResult ParseCommandLine(const OptionReading& reading);
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
Acceptance AcceptCommandLine(const ParseResult& parsed, CommandLineControls& controls);
Acceptance AcceptCommandLine(const std::string& argumentText, CommandLineControls& controls);

// The argument part of a process command line: everything after the program's own name,
// quoted or not, and the blanks that follow it.
std::string ArgumentText(std::string_view commandLine);

}  // namespace cvinst
