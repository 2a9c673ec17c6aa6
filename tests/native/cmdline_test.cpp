#include "startup/cmdline.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "cmdline_fake_window.h"
#include "cmdline_oracle.h"

namespace cvinst {
namespace {

using testkit::FakeCommandLineWindow;
using Checks = std::array<int, kProgramCount>;

// ---------------------------------------------------------------------------------------------
// Upper-casing

struct CaseSample {
    std::string in;
    std::string out;
};

class UpperCaseTest : public ::testing::TestWithParam<CaseSample> {};

TEST_P(UpperCaseTest, MapsLettersKeepsLength) {
    const std::string got = UpperCaseSameLength(GetParam().in);
    EXPECT_EQ(got, GetParam().out);
    EXPECT_EQ(got.size(), GetParam().in.size());
    EXPECT_EQ(testkit::CommandLineDifference(GetParam().in), "");  // the fuzzer's model agrees
}

INSTANTIATE_TEST_SUITE_P(
    Samples, UpperCaseTest,
    ::testing::Values(
        CaseSample{"/i /p:mwse /msi=\"x\" /show 09[]", "/I /P:MWSE /MSI=\"X\" /SHOW 09[]"},
        // Latin-1: ÿ goes to Latin Extended-A, µ to Greek; ß and ÷ have no simple upper case.
        CaseSample{"àéîõüþÿ µ ß ÷", "ÀÉÎÕÜÞŸ Μ ß ÷"},
        // ı and ſ would become one-byte ASCII letters, so they stay.
        CaseSample{"ąčěłńőšžŷ ı ſ ĸ", "ĄČĚŁŃŐŠŽŶ ı ſ ĸ"},
        CaseSample{"αβγωάέήίόύώ ς ϐϑϕϖ ϯ ϲ", "ΑΒΓΩΆΈΉΊΌΎΏ Σ ΒΘΦΠ Ϯ Ϲ"},
        CaseSample{"привет ёђџ ѡ ґ ӏ ӂ ӿ", "ПРИВЕТ ЁЂЏ Ѡ Ґ Ӏ Ӂ Ӿ"},
        CaseSample{"日本 ǆ 😀 Ab", "日本 ǆ 😀 AB"},
        // Invalid UTF-8 stays byte for byte; a valid pair after a broken sequence is a letter.
        CaseSample{"\xC3", "\xC3"}, CaseSample{"\xC3/i", "\xC3/I"},
        CaseSample{"\xE0\xC3\xA0", "\xE0\xC3\x80"}, CaseSample{"\xFF\x80z\xB1", "\xFF\x80Z\xB1"},
        CaseSample{"\xC0\xA1\xC1\xBF", "\xC0\xA1\xC1\xBF"}));

TEST(UpperCaseOfEveryTwoByteLetter, IsTheCLibrarysUtf8CaseMappingWhereItKeepsTheLength) {
    for (char32_t c = 0x80; c < 0x800; ++c) {
        const std::string letter{static_cast<char>(0xC0 | (c >> 6)),
                                 static_cast<char>(0x80 | (c & 0x3F))};
        const std::optional<std::string> expected = testkit::ExpectedUpperCase(letter);
        if (!expected) GTEST_SKIP() << "no UTF-8 locale in this C library";
        EXPECT_EQ(UpperCaseSameLength(letter), *expected)
            << "U+" << std::hex << static_cast<uint32_t>(c);
    }
}

// ---------------------------------------------------------------------------------------------
// Whole command lines

// Program boxes by their letters: "MS" is Corvane Menu and Corvane Personal Server.
Checks Boxes(std::string_view letters) {
    Checks boxes{};
    for (const char letter : letters) boxes.at(std::string_view("MWSE").find(letter)) = 1;
    return boxes;
}

// The window a line is read into: its ticked boxes, the enabled ones, the enabled actions.
struct Window {
    std::string_view ticked{};
    std::string_view enabled = "MWSE";
    std::array<bool, 2> actions{true, true};
};
Window Ticked(std::string_view ticked) { return {.ticked = ticked}; }
Window Enabled(std::string_view enabled, std::string_view ticked = "") {
    return {.ticked = ticked, .enabled = enabled};
}
Window Actions(bool install, bool uninstall) { return {.actions = {install, uninstall}}; }

class CommandLineTest : public ::testing::Test {
protected:
    const Acceptance& Read(const std::string& arguments, const Window& setup) {
        window.checkValue = Boxes(setup.ticked);
        for (size_t box = 0; box < kProgramCount; ++box) {
            window.checkEnabled[box] = Boxes(setup.enabled)[box] == 1;
        }
        window.actionEnabled = setup.actions;
        const FakeCommandLineWindow before = window;
        result = AcceptCommandLine(arguments, window);
        // The fuzzer's model of the language must agree with every row, too.
        EXPECT_EQ(testkit::AcceptanceDifference(arguments, UpperCaseSameLength(arguments), before,
                                                window, result),
                  "");
        return result;
    }

    FakeCommandLineWindow window;
    Acceptance result;
};

struct AcceptedLine {
    std::string arguments;
    int action{};
    std::string_view ticked{};
    std::string installerParams{};
    bool skipInstalled = false;
    bool showWindow = false;
    Window before{};
};

class AcceptedLineTest : public CommandLineTest,
                         public ::testing::WithParamInterface<AcceptedLine> {};

TEST_P(AcceptedLineTest, SelectsTheActionOnceAndTicksThePrograms) {
    const AcceptedLine& row = GetParam();
    Read(row.arguments, row.before);
    EXPECT_TRUE(result.ok) << result.message;
    EXPECT_EQ(result.message, "");
    EXPECT_FALSE(result.rightsDenied);
    EXPECT_EQ(window.selectCalls, 1);
    EXPECT_EQ(window.selectedAction(), row.action);
    EXPECT_EQ(window.checkValue, Boxes(row.ticked));
    EXPECT_EQ(result.request.options.InstallerParams, row.installerParams);
    EXPECT_EQ(result.request.options.SkipInstalled, row.skipInstalled);
    EXPECT_EQ(result.request.ShowWindow, row.showWindow);
    EXPECT_FALSE(result.request.options.Unattended) << "the start-up's to set";
}

constexpr int kInstall = kInstallAction;
constexpr int kUninstall = kUninstallAction;

INSTANTIATE_TEST_SUITE_P(
    Lines, AcceptedLineTest,
    ::testing::Values(
        // Case and blanks do not matter.
        AcceptedLine{"/u/p:ws/t/show", kUninstall, "WS", "", true, true},
        AcceptedLine{"  /U  /P:WS  /T  /SHOW  ", kUninstall, "WS", "", true, true},
        // Letters in any order, repeated, with outer blanks; the boxes not named are cleared.
        AcceptedLine{"/I /P:  ESEE  /X", kInstall, "SE", "", false, false, Ticked("MWSE")},
        // Without "/P:" exactly the enabled boxes are ticked.
        AcceptedLine{"/I", kInstall, "MS", "", false, false, Enabled("MS", "WE")},
        // A named program is ticked even when its box is disabled.
        AcceptedLine{"/I /P:W", kInstall, "W", "", false, false, Enabled("MSE")},
        AcceptedLine{"/U /P:M /I", kInstall, "M"},       // install wins
        AcceptedLine{"/p:mw /Install", kInstall, "MW"},  // "/I" inside "/INSTALL"
        // Only the requested action needs to be enabled.
        AcceptedLine{"/U", kUninstall, "MWSE", "", false, false, Actions(false, true)},
        // What the /MSI= quotes hold counts for no other option.
        AcceptedLine{"/I /MSI=\"/U /T /P:X /SHOW\"", kInstall, "MWE", "/U /T /P:X /SHOW", false,
                     false, Enabled("MWE")},
        // The parameters keep the user's case and lose their outer blanks.
        AcceptedLine{"/i /msi=\"  /qn TargetDir=C:\\Progs\\Ünï  LOG=x \"/p:m", kInstall, "M",
                     "/qn TargetDir=C:\\Progs\\Ünï  LOG=x"},
        // Empty quotes mean the default parameters.
        AcceptedLine{"/I /MSI=\"\"", kInstall, "MWSE"},
        AcceptedLine{"/I /MSI=\"   \"", kInstall, "MWSE"},
        // "/T" matches anywhere.
        AcceptedLine{"/I /T:", kInstall, "MWSE", "", true},
        AcceptedLine{"/I/Tx", kInstall, "MWSE", "", true},
        // Switches may repeat; a quoted word outside any value is ignored whole.
        AcceptedLine{"/I /T /show /T /SHOW /i", kInstall, "MWSE", "", true, true},
        AcceptedLine{"/U X=\"/I /P:Q /MSI=\" /P:M", kUninstall, "M"},
        // The values of /LOG= and /MSI= hold no option, and /P: ends at the next "/".
        AcceptedLine{"/U /LOG=\"C:\\Installs\\l.log\" /P:M/MSI=\"TRANSFORMS=C:/Installs/x.mst\"",
                     kUninstall, "M", "TRANSFORMS=C:/Installs/x.mst"}));

struct RefusedLine {
    std::string arguments;
    CommandLineError error{};
    std::string message{};
    // What the parse found before it failed.
    std::string installerParams{};
    bool skipInstalled = false;
    bool showWindow = false;
    Window before{};
    // Only a line refused for a disabled action gets as far as ticking boxes; any other leaves
    // them as they were.
    std::optional<std::string_view> tickedAfter{};
};

class RefusedLineTest : public CommandLineTest,
                        public ::testing::WithParamInterface<RefusedLine> {};

TEST_P(RefusedLineTest, GivesTheErrorBoxAndSelectsNoAction) {
    const RefusedLine& row = GetParam();
    Read(row.arguments, row.before);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, row.error);
    EXPECT_EQ(result.message, row.message);
    EXPECT_EQ(result.rightsDenied, row.tickedAfter.has_value());
    EXPECT_EQ(window.selectCalls, 0);
    EXPECT_EQ(window.checkValue, Boxes(row.tickedAfter.value_or(row.before.ticked)));
    EXPECT_EQ(result.request.options.InstallerParams, row.installerParams);
    EXPECT_EQ(result.request.options.SkipInstalled, row.skipInstalled);
    EXPECT_EQ(result.request.ShowWindow, row.showWindow);
}

using Error = CommandLineError;

INSTANTIATE_TEST_SUITE_P(
    Lines, RefusedLineTest,
    ::testing::Values(
        RefusedLine{"/i /p:/t", Error::ProgramsInvalid,
                    "Invalid command line parameters.\n\nMissing or invalid \"/p:\" syntax: "
                    "\"/I /P:/T\"\n\nPlease specify /P:MWSEA for programs and actions.",
                    "", true, false, Ticked("MS")},
        RefusedLine{"/I /P:   ", Error::ProgramsInvalid,
                    "Invalid command line parameters.\n\nMissing or invalid \"/p:\" syntax: "
                    "\"/I /P:   \"\n\nPlease specify /P:MWSEA for programs and actions."},
        // A blank between letters fails at the blank, and nothing is ticked.
        RefusedLine{"/I /P:M W", Error::ProgramsInvalid,
                    "Invalid command line parameters.\n\nMissing or invalid \"/p:\" syntax: "
                    "\"/I /P:M W\"\n\nPlease specify /P:MWSEA for programs and actions."},
        // An unknown letter leaves the boxes as they were.
        RefusedLine{"/p:wsa /i", Error::ProgramsInvalid,
                    "Invalid command line parameters.\n\nMissing or invalid \"/p:\" syntax: "
                    "\"/P:WSA /I\"\n\nPlease specify /P:MWSEA for programs and actions.",
                    "", false, false, Ticked("MWSE")},
        // The message quotes what "/SHOW" and the "/MSI=" option left of the working text.
        RefusedLine{"/Show/P:q/SHOW", Error::ProgramsInvalid,
                    "Invalid command line parameters.\n\nMissing or invalid \"/p:\" syntax: "
                    "\"/P:Q\"\n\nPlease specify /P:MWSEA for programs and actions.",
                    "", false, true},
        RefusedLine{"/show /msi=\"/qn\" update /p:mw", Error::CommandInvalid,
                    "Invalid command line parameters.\n\nMissing or invalid command: "
                    "\"  UPDATE /P:MW\"\n\nPlease specify /I to install or /U to uninstall the "
                    "programs.",
                    "/qn", false, true},
        RefusedLine{"/msi=\"/i /u\"", Error::CommandInvalid,
                    "Invalid command line parameters.\n\nMissing or invalid command: \"\"\n\n"
                    "Please specify /I to install or /U to uninstall the programs.",
                    "/i /u"},
        // "/MSI=" and "/P:" may each be given once, even alike: a second one is not dropped.
        RefusedLine{"/msi=\"q\" /MSI=\"Q\"/msi=\"qq\"", Error::InstallerParamsInvalid,
                    "Invalid command line parameters.\n\nInvalid MS Windows Installer parameters "
                    "syntax: \"/MSI=\"Q\" /MSI=\"Q\"/MSI=\"QQ\"\"\n\nSyntax: \"/MSI=\"MS "
                    "Installer Parameters\"\""},
        RefusedLine{"/U /P:M /MSI=\"/qn\" /MSI=\"TRANSFORMS=C:/Installs/x.mst\"",
                    Error::InstallerParamsInvalid,
                    "Invalid command line parameters.\n\nInvalid MS Windows Installer parameters "
                    "syntax: \"/U /P:M /MSI=\"/QN\" /MSI=\"TRANSFORMS=C:/INSTALLS/X.MST\"\"\n\n"
                    "Syntax: \"/MSI=\"MS Installer Parameters\"\""},
        RefusedLine{"/I /P:MW /T /P:S", Error::ProgramsInvalid,
                    "Invalid command line parameters.\n\nMissing or invalid \"/p:\" syntax: "
                    "\"/I /P:MW /T /P:S\"\n\nPlease specify /P:MWSEA for programs and actions.",
                    "", true},
        RefusedLine{"/I /P:M /P:M", Error::ProgramsInvalid,
                    "Invalid command line parameters.\n\nMissing or invalid \"/p:\" syntax: "
                    "\"/I /P:M /P:M\"\n\nPlease specify /P:MWSEA for programs and actions."},
        // The letters end at the next "/", whatever option it begins.
        RefusedLine{"/I /P:/showM", Error::ProgramsInvalid,
                    "Invalid command line parameters.\n\nMissing or invalid \"/p:\" syntax: "
                    "\"/I /P:M\"\n\nPlease specify /P:MWSEA for programs and actions.",
                    "", false, true},
        // A disabled action: the privileges message, with the boxes as the line ticked them.
        RefusedLine{"/I /P:MWSE /MSI=\"/qn\"", Error::CommandInvalid,
                    "Invalid command line parameters.\n\n"
                    "You do not have enough privileges to perform this action.",
                    "/qn", false, false, Actions(false, false), "MWSE"},
        // A malformed "/MSI=" fails before anything else is read, quoting the whole text.
        RefusedLine{"/p:x /msi=/qn", Error::InstallerParamsInvalid,
                    "Invalid command line parameters.\n\nInvalid MS Windows Installer parameters "
                    "syntax: \"/P:X /MSI=/QN\"\n\nSyntax: \"/MSI=\"MS Installer Parameters\"\""},
        RefusedLine{"/P:X /MSI= \"/qn\" /T /SHOW", Error::InstallerParamsInvalid,
                    "Invalid command line parameters.\n\nInvalid MS Windows Installer parameters "
                    "syntax: \"/P:X /MSI= \"/QN\" /T /SHOW\"\n\nSyntax: \"/MSI=\"MS Installer "
                    "Parameters\"\""},
        RefusedLine{"/p:x /msi=\"/qn", Error::InstallerParamsInvalid,
                    "Invalid command line parameters.\n\nInvalid MS Windows Installer parameters "
                    "syntax: \"/P:X /MSI=\"/QN\"\n\nSyntax: \"/MSI=\"MS Installer Parameters\"\""},
        RefusedLine{"/p:x /msi=", Error::InstallerParamsInvalid,
                    "Invalid command line parameters.\n\nInvalid MS Windows Installer parameters "
                    "syntax: \"/P:X /MSI=\"\n\nSyntax: \"/MSI=\"MS Installer Parameters\"\""}));

struct IgnoredCase {
    std::string arguments;
    std::string line;  // the log's line about it
};

class IgnoredTextTest : public ::testing::TestWithParam<IgnoredCase> {};

TEST_P(IgnoredTextTest, IsNamedInOneLogLine) {
    EXPECT_EQ(DescribeIgnored(ReadOptions(GetParam().arguments)), GetParam().line);
    EXPECT_EQ(testkit::CommandLineDifference(GetParam().arguments), "");
}

INSTANTIATE_TEST_SUITE_P(
    Lines, IgnoredTextTest,
    ::testing::Values(
        IgnoredCase{"/I /P:M /T /MSI=\"/quiet\" /LOG=\"x /y\" /WAIT:5", ""},
        IgnoredCase{"/quiet /Immediately",
                    "Not an option, ignored on the command line: "
                    "\"/quiet\", \"mmediately\" (right after /I)"},
        // A quoted part is one word with its blanks; a word ends where an option begins.
        IgnoredCase{"/I Größe=\"a /U b\"c/T:",
                    "Not an option, ignored on the command line: "
                    "\"Größe=\"a /U b\"c\", \":\" (right after /T)"},
        IgnoredCase{"/P:M/X \t?",
                    "Not an option, ignored on the command line: \"/X\" (right "
                    "after /P:), \"?\""}));

// Selecting the profile re-applies it in the window; the programs must be set after that.
TEST_F(CommandLineTest, ProgramsAreSetAgainAfterTheActionIsSelected) {
    window.onProfileClick = [](FakeCommandLineWindow& w, int) {
        w.checkEnabled[3] = true;
        w.checkValue = {0, 0, 0, 0};
    };
    Read("/U", Enabled("MWS"));
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(window.checkValue, Boxes("MWSE"));

    window = FakeCommandLineWindow{};
    window.actionSelected = {false, true};
    window.onProfileClick = [](FakeCommandLineWindow& w, int) { w.checkValue = {0, 0, 0, 0}; };
    Read("/I /P:ME", {});
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(window.selectedAction(), kInstall);
    EXPECT_EQ(window.checkValue, Boxes("ME"));
}

// ---------------------------------------------------------------------------------------------
// The argument part of the process command line

struct CommandLineSample {
    std::string commandLine;
    std::string arguments;
};

class ArgumentTextTest : public ::testing::TestWithParam<CommandLineSample> {};

TEST_P(ArgumentTextTest, DropsProgramNameAndFollowingBlanks) {
    EXPECT_EQ(ArgumentText(GetParam().commandLine), GetParam().arguments);
    EXPECT_EQ(testkit::CommandLineDifference(GetParam().commandLine), "");
}

INSTANTIATE_TEST_SUITE_P(
    Samples, ArgumentTextTest,
    ::testing::Values(CommandLineSample{"\"C:\\Program Files\\CVInst.exe\"  /I /P:M  ",
                                        "/I /P:M  "},
                      CommandLineSample{"\"C:\\Program Files\\CVInst.exe\"/u", "/u"},
                      CommandLineSample{"\"C:\\Program Files\\CVInst.exe\"", ""},
                      CommandLineSample{"\"C:\\unterminated /I", ""},
                      CommandLineSample{"CVInst.exe \t /i  /msi=\" a \"", "/i  /msi=\" a \""},
                      CommandLineSample{"C:\\x\\CVInst.exe\t?", "?"},
                      CommandLineSample{"CVInst.exe", ""}, CommandLineSample{"CVInst.exe   ", ""},
                      CommandLineSample{"", ""}));

}  // namespace
}  // namespace cvinst
