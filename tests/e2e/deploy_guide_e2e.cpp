// The Group Policy start-up script of docs/DEPLOYMENT.md, taken from the page as it is now and run
// by the prefix's own cmd.exe against CVInst.exe and the demo packages, ends as the page says.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "driver.h"
#include "fake_msiexec.h"

namespace cvinst::e2e {
namespace {

// The first code block under the Group Policy heading, with the share it names
// (\\server\deploy\Corvane) replaced by the test's folder.
std::string StartupScript(const std::string& share) {
    static const std::regex block(R"(\n## Group Policy[\s\S]*?\n\n((?:    .*\n)+))");
    const std::string page =
        FileBytes(testkit::WindowsPath(CVINST_SOURCE_DIR "/docs/DEPLOYMENT.md")).value_or("");
    std::smatch m;
    if (!std::regex_search(page, m, block)) return "";
    std::istringstream lines(m.str(1));
    std::string script;
    for (std::string line; std::getline(lines, line);) script += line.substr(4) + "\r\n";
    return std::regex_replace(script, std::regex(R"(\\\\server\\deploy\\Corvane)"), share);
}

struct ScriptCase {
    const char* name;
    std::optional<std::vector<DWORD>> msiexecCodes;  // none: the real msiexec
    DWORD exitCode;                                  // the script's
    std::string installed;
};

void PrintTo(const ScriptCase& c, std::ostream* os) { *os << c.name; }

class GroupPolicyScript : public CleanMachineTest,
                          public ::testing::WithParamInterface<ScriptCase> {};

TEST_P(GroupPolicyScript, EndsAsTheGuideSays) {
    PlaceWithPackages(folder, Package::Of("MW"));
    const std::string script = StartupScript(folder.Path());
    ASSERT_NE(script.find(folder.Path() + "\\CVInst.exe"), std::string::npos) << script;
    ASSERT_TRUE(folder.Write("install.cmd", script));
    std::optional<FakeMsiexec> fake;
    if (GetParam().msiexecCodes) {
        fake.emplace();
        ASSERT_TRUE(fake->Active() && fake->SetExitCodes(*GetParam().msiexecCodes));
    }
    EXPECT_EQ(
        testkit::RunToEnd("cmd.exe /c \"" + folder.File("install.cmd") + "\"", kRunDeadlineMs),
        std::optional<unsigned long>(GetParam().exitCode));
    EXPECT_EQ(ProgramsPresent(), GetParam().installed);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, GroupPolicyScript,
    ::testing::Values(ScriptCase{"Success", std::nullopt, 0, "MW"},
                      ScriptCase{"RestartNeeded", std::vector<DWORD>{3010}, 0, ""},
                      ScriptCase{"Failure", std::vector<DWORD>{1603}, 1603, ""}));

}  // namespace
}  // namespace cvinst::e2e
