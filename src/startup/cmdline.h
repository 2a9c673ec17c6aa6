#pragma once
// The unattended command-line language: substring search over the whole argument text.
#include <string>
#include <string_view>

#include "startup/run_options.h"

namespace cvinst {

enum class CommandLineError { ProgramsInvalid = 1, CommandInvalid = 2, InstallerParamsInvalid = 5 };

// The main window's controls as the parsers see them.
class CommandLineControls {
public:
    virtual ~CommandLineControls() = default;
    virtual void ChkAll(int state) = 0;                     // the window's ChkAll
    virtual void SetProgramCheck(int index, int value) = 0; // Check1(index).Value, runs its click
    virtual bool ActionEnabled(int index) = 0;              // Option1(index).Enabled
    virtual void SelectAction(int index) = 0;               // Option1(index).Value = True
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

// Upper-cases UTF-8 text letter by letter without changing its length in bytes.
std::string UpperCaseSameLength(std::string_view text);

bool ParseInstallerOption(WorkingText& text, RunOptions& options);
bool ParseProgramOption(const WorkingText& text, CommandLineControls& controls);
bool ParseCommandOption(const WorkingText& text, RunOptions& options, CommandLineControls& controls);

// The text of the error box (title kCommandLineErrorTitle).
inline constexpr std::string_view kCommandLineErrorTitle = "Corvane Automatic Installation";
std::string CommandLineErrorMessage(const std::string& text, CommandLineError kind, bool rightsDenied);

// The outcome of parsing a whole command line (Main's steps 6 to 12).
struct ParseResult {
    bool ok = true;
    CommandLineError error = CommandLineError::CommandInvalid;
    std::string message;  // the error box text when !ok
};
// Runs the parsers in Main's order over an argument text that holds no "?" and is not empty.
ParseResult ParseCommandLine(const std::string& argumentText, RunOptions& options,
                             CommandLineControls& controls);

// The argument part of a process command line: everything after the program's own name,
// quoted or not, and the blanks that follow it.
std::string ArgumentText(std::string_view commandLine);

}  // namespace cvinst
