#include "startup/cmdline.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "cmdline_fake_window.h"

namespace cvinst {
namespace {

using testkit::FakeCommandLineWindow;
using Checks = std::array<int, kProgramCount>;

const std::string kHead = "Invalid command line parameters.\n\n";
const std::string kPrivileges = "You do not have enough privileges to perform this action.";

std::string ProgramsMessage(const std::string& quoted) {
    return kHead + "Missing or invalid \"/p:\" syntax: \"" + quoted +
           "\"\n\nPlease specify /P:MWSEA for programs and actions.";
}
std::string CommandMessage(const std::string& quoted) {
    return kHead + "Missing or invalid command: \"" + quoted +
           "\"\n\nPlease specify /I to install or /U to uninstall the programs.";
}
std::string InstallerParamsMessage(const std::string& quoted) {
    return kHead + "Invalid MS Windows Installer parameters syntax: \"" + quoted +
           "\"\n\nSyntax: \"/MSI=\"MS Installer Parameters\"\"";
}

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

TEST(WorkingTextTest, RemovalsKeepBothTextsAligned) {
    WorkingText text("a/show b/Show ä/SHOW");
    EXPECT_EQ(text.upper(), "A/SHOW B/SHOW Ä/SHOW");
    EXPECT_TRUE(text.contains("/SHOW"));
    EXPECT_FALSE(text.contains("/show"));

    text.removeAll("/SHOW");
    EXPECT_EQ(text.upper(), "A B Ä");
    EXPECT_EQ(text.original(), "a b ä");

    text.erase(1, 2);
    EXPECT_EQ(text.upper(), "A Ä");
    EXPECT_EQ(text.original(), "a ä");
}

// Like a text Replace: what two removals bring together is not searched again.
TEST(WorkingTextTest, RemoveAllIsOnePassLeftToRight) {
    WorkingText text("/SH/showOW /sHoW/SHOW");
    text.removeAll("/SHOW");
    EXPECT_EQ(text.upper(), "/SHOW ");
    EXPECT_EQ(text.original(), "/SHOW ");
}

// ---------------------------------------------------------------------------------------------
// Whole command lines

class ParseCommandLineTest : public ::testing::Test {
protected:
    Acceptance Parse(const std::string& arguments) {
        result = AcceptCommandLine(arguments, window);
        EXPECT_EQ(testkit::BrokenParseInvariant(arguments, window, result), "");
        return result;
    }
    void ExpectAccepted(int action, Checks checks) {
        EXPECT_TRUE(result.ok) << result.message;
        EXPECT_EQ(window.selectedAction(), action);
        EXPECT_EQ(window.checkValue, checks);
    }
    void ExpectRejected(CommandLineError error, const std::string& message) {
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.error, error);
        EXPECT_EQ(result.message, message);
    }

    FakeCommandLineWindow window;
    Acceptance result;
    const RunOptions& options = result.request.options;
};

TEST_F(ParseCommandLineTest, CaseAndBlanksDoNotMatter) {
    Parse("/u/p:ws/t/show");
    ExpectAccepted(1, {0, 1, 1, 0});
    EXPECT_TRUE(options.SkipInstalled);
    EXPECT_TRUE(result.request.ShowWindow);
    EXPECT_FALSE(options.Unattended);  // the start-up's to set
    EXPECT_TRUE(options.InstallerParams.empty());

    FakeCommandLineWindow spacedWindow;
    const Acceptance spaced = AcceptCommandLine("  /U  /P:WS  /T  /SHOW  ", spacedWindow);
    ASSERT_TRUE(spaced.ok);
    EXPECT_EQ(spacedWindow.checkValue, window.checkValue);
    EXPECT_EQ(spacedWindow.selectedAction(), 1);
    EXPECT_TRUE(spaced.request.options.SkipInstalled && spaced.request.ShowWindow);
}

TEST_F(ParseCommandLineTest, ProgramLettersInAnyOrderWithTrimmedBlanks) {
    window.checkValue = {1, 1, 1, 1};
    Parse("/I /P:  ESEE  /X");
    ExpectAccepted(0, {0, 0, 1, 1});
    EXPECT_FALSE(options.SkipInstalled);
    EXPECT_FALSE(result.request.ShowWindow);
}

TEST_F(ParseCommandLineTest, ProgramsOptionFollowedBySlashFails) {
    window.checkValue = {1, 0, 1, 0};
    Parse("/i /p:/t");
    ExpectRejected(CommandLineError::ProgramsInvalid, ProgramsMessage("/I /P:/T"));
    EXPECT_EQ(window.checkValue, (Checks{1, 0, 1, 0}));
}

TEST_F(ParseCommandLineTest, OnlyBlanksAfterProgramsOptionFails) {
    Parse("/I /P:   ");
    ExpectRejected(CommandLineError::ProgramsInvalid, ProgramsMessage("/I /P:   "));
}

TEST_F(ParseCommandLineTest, BlankBetweenLettersFailsAtTheBlank) {
    Parse("/I /P:M W");
    ExpectRejected(CommandLineError::ProgramsInvalid, ProgramsMessage("/I /P:M W"));
    EXPECT_EQ(window.checkValue, (Checks{0, 0, 0, 0})) << "a refused line ticks nothing";
    EXPECT_EQ(window.selectCalls, 0);
}

TEST_F(ParseCommandLineTest, UnknownLetterFailsAndTheBoxesStayAsTheyWere) {
    window.checkValue = {1, 1, 1, 1};
    Parse("/p:wsa /i");
    ExpectRejected(CommandLineError::ProgramsInvalid, ProgramsMessage("/P:WSA /I"));
    EXPECT_EQ(window.checkValue, (Checks{1, 1, 1, 1}));
}

TEST_F(ParseCommandLineTest, WithoutProgramsOptionTicksExactlyTheEnabledBoxes) {
    window.checkEnabled = {true, false, true, false};
    window.checkValue = {0, 1, 0, 1};
    Parse("/I");
    ExpectAccepted(0, {1, 0, 1, 0});
}

TEST_F(ParseCommandLineTest, NamedProgramIsTickedEvenWhenItsBoxIsDisabled) {
    window.checkEnabled = {true, false, true, true};
    Parse("/I /P:W");
    ExpectAccepted(0, {0, 1, 0, 0});
}

// Selecting the profile re-applies it in the window; the programs must be set after that.
TEST_F(ParseCommandLineTest, ProgramsAreSetAgainAfterTheActionIsSelected) {
    window.checkEnabled = {true, true, true, false};
    window.onProfileClick = [this](int) {
        window.checkEnabled[3] = true;
        window.checkValue = {0, 0, 0, 0};
    };
    Parse("/U");
    ExpectAccepted(1, {1, 1, 1, 1});

    window = FakeCommandLineWindow{};
    window.actionSelected = {false, true};
    window.onProfileClick = [this](int) { window.checkValue = {0, 0, 0, 0}; };
    Parse("/I /P:ME");
    ExpectAccepted(0, {1, 0, 0, 1});
}

TEST_F(ParseCommandLineTest, InstallWinsOverUninstall) {
    Parse("/U /P:M /I");
    ExpectAccepted(0, {1, 0, 0, 0});
    EXPECT_EQ(window.selectCalls, 1);
}

TEST_F(ParseCommandLineTest, MissingCommandQuotesTheWorkingText) {
    Parse("/p:mw /Install");  // "/I" is found inside "/INSTALL"
    ExpectAccepted(0, {1, 1, 0, 0});

    window = FakeCommandLineWindow{};
    Parse("/show /msi=\"/qn\" update /p:mw");
    ExpectRejected(CommandLineError::CommandInvalid, CommandMessage("  UPDATE /P:MW"));
    EXPECT_FALSE(result.rightsDenied);
    EXPECT_EQ(window.selectCalls, 0);
}

TEST_F(ParseCommandLineTest, DisabledActionGivesThePrivilegesMessage) {
    window.actionEnabled = {false, false};
    Parse("/I /P:MWSE /MSI=\"/qn\"");
    ExpectRejected(CommandLineError::CommandInvalid, kHead + kPrivileges);
    EXPECT_TRUE(result.rightsDenied);
    EXPECT_EQ(window.selectCalls, 0);
}

TEST_F(ParseCommandLineTest, OnlyTheRequestedActionNeedsToBeEnabled) {
    window.actionEnabled = {false, true};
    Parse("/U");
    ExpectAccepted(1, {1, 1, 1, 1});
    EXPECT_FALSE(result.rightsDenied);
}

TEST_F(ParseCommandLineTest, MalformedInstallerOptionFailsBeforeEverythingElse) {
    for (const std::string arguments :
         {"/p:x /msi=/qn", "/P:X /MSI= \"/qn\"", "/p:x /msi=\"/qn", "/p:x /msi="}) {
        SCOPED_TRACE(arguments);
        window = FakeCommandLineWindow{};
        Parse(arguments);
        ExpectRejected(CommandLineError::InstallerParamsInvalid,
                       InstallerParamsMessage(UpperCaseSameLength(arguments)));
        EXPECT_EQ(window.chkAllCalls, 0);
        EXPECT_FALSE(options.SkipInstalled || result.request.ShowWindow);
    }
}

TEST_F(ParseCommandLineTest, OptionsInsideTheQuotesHaveNoEffect) {
    window.checkEnabled = {true, true, false, true};
    Parse("/I /MSI=\"/U /T /P:X /SHOW\"");
    ExpectAccepted(0, {1, 1, 0, 1});
    EXPECT_FALSE(options.SkipInstalled);
    EXPECT_FALSE(result.request.ShowWindow);
    EXPECT_EQ(options.InstallerParams, "/U /T /P:X /SHOW");

    window = FakeCommandLineWindow{};
    Parse("/msi=\"/i /u\"");
    ExpectRejected(CommandLineError::CommandInvalid, CommandMessage(""));
}

TEST_F(ParseCommandLineTest, InstallerParamsKeepTheUsersCaseAndLoseOuterBlanks) {
    Parse("/i /msi=\"  /qn TargetDir=C:\\Progs\\Ünï  LOG=x \"/p:m");
    ExpectAccepted(0, {1, 0, 0, 0});
    EXPECT_EQ(options.InstallerParams, "/qn TargetDir=C:\\Progs\\Ünï  LOG=x");
}

TEST_F(ParseCommandLineTest, EmptyQuotesMeanDefaultParameters) {
    for (const std::string arguments : {"/I /MSI=\"\"", "/I /MSI=\"   \""}) {
        SCOPED_TRACE(arguments);
        window = FakeCommandLineWindow{};
        Parse(arguments);
        ExpectAccepted(0, {1, 1, 1, 1});
        EXPECT_TRUE(options.InstallerParams.empty());
    }
}

TEST_F(ParseCommandLineTest, EveryCopyOfTheInstallerOptionIsRemoved) {
    Parse("/msi=\"q\" /MSI=\"Q\"/msi=\"qq\"");
    EXPECT_EQ(options.InstallerParams, "q");
    ExpectRejected(CommandLineError::CommandInvalid, CommandMessage(" /MSI=\"QQ\""));
}

TEST_F(ParseCommandLineTest, SkipSwitchMatchesAnywhere) {
    Parse("/I /T:");
    EXPECT_TRUE(result.ok);
    EXPECT_TRUE(options.SkipInstalled);

    window = FakeCommandLineWindow{};
    Parse("/I/Tx");
    EXPECT_TRUE(options.SkipInstalled);
}

TEST_F(ParseCommandLineTest, ShowIsRemovedBeforeTheProgramsAreRead) {
    Parse("/I /P:/showM");
    ExpectAccepted(0, {1, 0, 0, 0});
    EXPECT_TRUE(result.request.ShowWindow);

    window = FakeCommandLineWindow{};
    Parse("/Show/P:q/SHOW");
    ExpectRejected(CommandLineError::ProgramsInvalid, ProgramsMessage("/P:Q"));
    EXPECT_TRUE(result.request.ShowWindow);
}

// ---------------------------------------------------------------------------------------------
// Message texts

TEST(CommandLineErrorMessageTest, FullTextsOfEachKind) {
    EXPECT_EQ(CommandLineErrorMessage("/P:Z", CommandLineError::ProgramsInvalid, false),
              "Invalid command line parameters.\n\nMissing or invalid \"/p:\" syntax: \"/P:Z\""
              "\n\nPlease specify /P:MWSEA for programs and actions.");
    EXPECT_EQ(CommandLineErrorMessage(" X ", CommandLineError::CommandInvalid, false),
              "Invalid command line parameters.\n\nMissing or invalid command: \" X \"\n\n"
              "Please specify /I to install or /U to uninstall the programs.");
    EXPECT_EQ(CommandLineErrorMessage("/I", CommandLineError::CommandInvalid, true),
              "Invalid command line parameters.\n\n"
              "You do not have enough privileges to perform this action.");
    EXPECT_EQ(CommandLineErrorMessage("/MSI=1", CommandLineError::InstallerParamsInvalid, false),
              "Invalid command line parameters.\n\nInvalid MS Windows Installer parameters "
              "syntax: \"/MSI=1\"\n\nSyntax: \"/MSI=\"MS Installer Parameters\"\"");
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
