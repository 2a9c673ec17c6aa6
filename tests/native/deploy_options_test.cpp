#include "startup/deploy_options.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "cmdline_oracle.h"

namespace cvinst {
namespace {

struct DeployCase {
    std::string arguments;
    std::string rest;
    std::optional<std::string> logPath;
    std::optional<unsigned long> waitSeconds;
};

class TakeDeployOptionsTest : public ::testing::TestWithParam<DeployCase> {};

TEST_P(TakeDeployOptionsTest, TakesTheOptionsOutAndLeavesTheRest) {
    const DeployOptions taken = TakeDeployOptions(GetParam().arguments);
    ASSERT_TRUE(taken.ok) << taken.text;
    EXPECT_EQ(taken.rest, GetParam().rest);
    EXPECT_EQ(taken.logPath, GetParam().logPath);
    EXPECT_EQ(taken.waitSeconds, GetParam().waitSeconds);
    EXPECT_EQ(testkit::CommandLineDifference(GetParam().arguments), "");  // the fuzzer's model
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TakeDeployOptionsTest,
    ::testing::Values(
        DeployCase{"/I /P:M", "/I /P:M", std::nullopt, std::nullopt},
        DeployCase{"", "", std::nullopt, std::nullopt},
        // The path keeps its case, and what it holds counts for no other option.
        DeployCase{R"(/log="C:\Logs\Deploy /U ?.txt" /I)", " /I", R"(C:\Logs\Deploy /U ?.txt)",
                   std::nullopt},
        DeployCase{R"(/I/LOG="\\?\C:\x.log"/P:M)", "/I/P:M", R"(\\?\C:\x.log)", std::nullopt},
        DeployCase{"/wait:0 /I", " /I", std::nullopt, 0ul},
        // The digits end at a blank, the next option's "/" or the end.
        DeployCase{"/I /WAIT:1000000/T", "/I /T", std::nullopt, 1000000ul},
        DeployCase{"/I /WAIT:0007\t/T", "/I \t/T", std::nullopt, 7ul},
        // Inside quotes it belongs to the installer parameters.
        DeployCase{R"(/I /MSI="/WAIT:5")", R"(/I /MSI="/WAIT:5")", std::nullopt, std::nullopt},
        DeployCase{R"(/I /MSI="/qn PROP=/LOG=1")", R"(/I /MSI="/qn PROP=/LOG=1")", std::nullopt,
                   std::nullopt},
        DeployCase{R"(/MSI="x" /WAIT:7 /LOG="l")", R"(/MSI="x"  )", "l", 7ul}));

std::string LogRefusal(const std::string& quoted) {
    return "Invalid command line parameters.\n\nInvalid log file syntax: \"" + quoted +
           "\"\n\nSyntax: /LOG=\"path of the log file\"";
}

std::string WaitRefusal(const std::string& quoted) {
    return "Invalid command line parameters.\n\nInvalid wait syntax: \"" + quoted +
           "\"\n\nSyntax: /WAIT:seconds (0 to 1000000; 0 does not wait)";
}

struct RefusedCase {
    std::string arguments;
    CommandLineError error;
    std::string message;
    bool help = false;  // a "?" outside the options' values still asks for the help
};

class RefusedDeployOptions : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedDeployOptions, QuoteTheWholeUpperCasedText) {
    const DeployOptions taken = TakeDeployOptions(GetParam().arguments);
    ASSERT_FALSE(taken.ok);
    EXPECT_EQ(taken.error, GetParam().error);
    EXPECT_EQ(CommandLineErrorMessage(taken.text, taken.error, false), GetParam().message);
    EXPECT_EQ(IsHelpRequest(taken.rest), GetParam().help) << taken.rest;
    EXPECT_EQ(testkit::CommandLineDifference(GetParam().arguments), "");
}

using Error = CommandLineError;

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedDeployOptions,
    ::testing::Values(
        RefusedCase{"/i /log=c:\\x.log", Error::LogInvalid, LogRefusal("/I /LOG=C:\\X.LOG")},
        RefusedCase{"/I /LOG=\"\"", Error::LogInvalid, LogRefusal("/I /LOG=\"\"")},
        RefusedCase{"/I /LOG=\"c:\\x.log", Error::LogInvalid, LogRefusal("/I /LOG=\"C:\\X.LOG")},
        RefusedCase{"/I /wait:", Error::WaitInvalid, WaitRefusal("/I /WAIT:")},
        RefusedCase{"/I /WAIT:1000001", Error::WaitInvalid, WaitRefusal("/I /WAIT:1000001")},
        // Copies taken out before the faulty one are still quoted: the user wrote them.
        RefusedCase{"/LOG=\"a\" /I /LOG=b", Error::LogInvalid, LogRefusal("/LOG=\"A\" /I /LOG=B")},
        RefusedCase{"/WAIT:5 /I /WAIT:x", Error::WaitInvalid, WaitRefusal("/WAIT:5 /I /WAIT:X")},
        // A unit, a sign, a fraction or an exponent is not taken for the digits before it.
        RefusedCase{"/I /WAIT:-5", Error::WaitInvalid, WaitRefusal("/I /WAIT:-5")},
        RefusedCase{"/I /WAIT:+5", Error::WaitInvalid, WaitRefusal("/I /WAIT:+5")},
        RefusedCase{"/I /wait:10m", Error::WaitInvalid, WaitRefusal("/I /WAIT:10M")},
        RefusedCase{"/I /WAIT:1e3/T", Error::WaitInvalid, WaitRefusal("/I /WAIT:1E3/T")},
        RefusedCase{"/WAIT:1.5 /I", Error::WaitInvalid, WaitRefusal("/WAIT:1.5 /I")},
        // Given twice, even alike.
        RefusedCase{"/WAIT:5 /I /WAIT:5", Error::WaitInvalid, WaitRefusal("/WAIT:5 /I /WAIT:5")},
        RefusedCase{"/LOG=\"a\" /I /Log=\"b\"", Error::LogInvalid,
                    LogRefusal("/LOG=\"A\" /I /LOG=\"B\"")},
        // A "?" in a value, well-formed or not, is the value's; anywhere else it asks for help.
        RefusedCase{"/LOG=\"\\\\?\\C:\\x.log\" /WAIT:", Error::WaitInvalid,
                    WaitRefusal("/LOG=\"\\\\?\\C:\\X.LOG\" /WAIT:")},
        RefusedCase{"/LOG=\\\\?\\C:\\x.log /WAIT:5? /I", Error::LogInvalid,
                    LogRefusal("/LOG=\\\\?\\C:\\X.LOG /WAIT:5? /I")},
        RefusedCase{"/I /LOG=\"?", Error::LogInvalid, LogRefusal("/I /LOG=\"?")},
        RefusedCase{"? /WAIT:x", Error::WaitInvalid, WaitRefusal("? /WAIT:X"), true},
        RefusedCase{"/I /MSI=\"?\" /WAIT:1.5", Error::WaitInvalid,
                    WaitRefusal("/I /MSI=\"?\" /WAIT:1.5"), true},
        // Read where it stands: an option inside the /MSI= value or a quoted word is theirs.
        RefusedCase{"/I /MSI=\"/LOG=x\" X=\"/WAIT:1\" /WAIT:9999999", Error::WaitInvalid,
                    WaitRefusal("/I /MSI=\"/LOG=X\" X=\"/WAIT:1\" /WAIT:9999999")}));

TEST(DescribeRequestTest, NamesEveryChoiceOfTheRun) {
    CommandLine request;
    request.action = kUninstallAction;
    request.programs = std::vector<int>{2, 0};
    request.ShowWindow = true;
    RunOptions options;
    options.SkipInstalled = true;
    options.InstallerParams = "/qn";
    options.WaitSeconds = 0;
    options.LogPath = R"(C:\Logs\run.log)";
    EXPECT_EQ(DescribeRequest(request, options),
              "uninstall; programs: Corvane Personal Server, Corvane Menu; installer parameters: "
              "\"/qn\"; programs already installed are left alone (/T); the window is shown "
              "(/SHOW); waits up to 0 s for another installation; msiexec logs beside "
              "\"C:\\Logs\\run.log\"");
    EXPECT_EQ(DescribeRequest(CommandLine{}, RunOptions{}),
              "install; programs: every one whose package is present; installer parameters: the "
              "defaults; waits up to 600 s for another installation");
}

}  // namespace
}  // namespace cvinst
