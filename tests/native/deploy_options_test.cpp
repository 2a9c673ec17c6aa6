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
        // Every copy goes; the first names the file.
        DeployCase{R"(/LOG="a" /I /Log="b")", " /I ", "a", std::nullopt},
        DeployCase{"/wait:0 /I", " /I", std::nullopt, 0ul},
        DeployCase{"/I /WAIT:1000000/T", "/I /T", std::nullopt, 1000000ul},
        DeployCase{"/WAIT:30 /WAIT:5 /U", "  /U", std::nullopt, 30ul},
        // Inside quotes it belongs to the installer parameters.
        DeployCase{R"(/I /MSI="/WAIT:5")", R"(/I /MSI="/WAIT:5")", std::nullopt, std::nullopt},
        DeployCase{R"(/I /MSI="/qn PROP=/LOG=1")", R"(/I /MSI="/qn PROP=/LOG=1")", std::nullopt,
                   std::nullopt},
        DeployCase{R"(/MSI="x" /WAIT:7 /LOG="l")", R"(/MSI="x"  )", "l", 7ul}));

struct RefusedCase {
    std::string arguments;
    CommandLineError error;
    std::string message;
};

class RefusedDeployOptions : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedDeployOptions, QuoteTheWholeUpperCasedText) {
    const DeployOptions taken = TakeDeployOptions(GetParam().arguments);
    ASSERT_FALSE(taken.ok);
    EXPECT_EQ(taken.error, GetParam().error);
    EXPECT_EQ(CommandLineErrorMessage(taken.text, taken.error, false), GetParam().message);
    EXPECT_EQ(testkit::CommandLineDifference(GetParam().arguments), "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedDeployOptions,
    ::testing::Values(
        RefusedCase{"/i /log=c:\\x.log", CommandLineError::LogInvalid,
                    "Invalid command line parameters.\n\nInvalid log file syntax: "
                    "\"/I /LOG=C:\\X.LOG\"\n\nSyntax: /LOG=\"path of the log file\""},
        RefusedCase{"/I /LOG=\"\"", CommandLineError::LogInvalid,
                    "Invalid command line parameters.\n\nInvalid log file syntax: "
                    "\"/I /LOG=\"\"\"\n\nSyntax: /LOG=\"path of the log file\""},
        RefusedCase{"/I /LOG=\"c:\\x.log", CommandLineError::LogInvalid,
                    "Invalid command line parameters.\n\nInvalid log file syntax: "
                    "\"/I /LOG=\"C:\\X.LOG\"\n\nSyntax: /LOG=\"path of the log file\""},
        RefusedCase{"/I /wait:", CommandLineError::WaitInvalid,
                    "Invalid command line parameters.\n\nInvalid wait syntax: \"/I /WAIT:\"\n\n"
                    "Syntax: /WAIT:seconds (0 to 1000000; 0 does not wait)"},
        RefusedCase{"/I /WAIT:1000001", CommandLineError::WaitInvalid,
                    "Invalid command line parameters.\n\nInvalid wait syntax: "
                    "\"/I /WAIT:1000001\"\n\nSyntax: /WAIT:seconds (0 to 1000000; 0 does not "
                    "wait)"},
        // Copies taken out before the faulty one are still quoted: the user wrote them.
        RefusedCase{"/LOG=\"a\" /I /LOG=b", CommandLineError::LogInvalid,
                    "Invalid command line parameters.\n\nInvalid log file syntax: "
                    "\"/LOG=\"A\" /I /LOG=B\"\n\nSyntax: /LOG=\"path of the log file\""},
        RefusedCase{"/WAIT:5 /I /WAIT:x", CommandLineError::WaitInvalid,
                    "Invalid command line parameters.\n\nInvalid wait syntax: "
                    "\"/WAIT:5 /I /WAIT:X\"\n\nSyntax: /WAIT:seconds (0 to 1000000; 0 does not "
                    "wait)"},
        RefusedCase{"/I /WAIT:-5", CommandLineError::WaitInvalid,
                    "Invalid command line parameters.\n\nInvalid wait syntax: \"/I /WAIT:-5\"\n\n"
                    "Syntax: /WAIT:seconds (0 to 1000000; 0 does not wait)"}));

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
