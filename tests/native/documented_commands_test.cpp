// Every CVInst.exe command line that the README and the deployment guide show is one the program
// accepts: read from the documents themselves, so that a changed option or page breaks this test.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "engine/msi_arguments.h"
#include "engine/run_options.h"
#include "startup/cmdline.h"
#include "startup/deploy_options.h"
#include "support/file_names.h"

namespace cvinst {
namespace {

// A command opens a code line or a code span with CVInst.exe or a quoted path ending in it, and two
// blanks outside quotes end it (the README explains its examples beside them); the arguments a
// playbook or a script passes in one string count too. A synopsis ("[/P:MWSE]") is no example.
std::vector<std::string> DocumentedCommands(const char* document) {
    static const std::regex command(
        R"(^(?:    +|.*`)((?:CVInst\.exe|"[^"]*\\CVInst\.exe") (?! )(?:[^ "`]|"[^"]*"| (?! ))+))"
        R"(|(?:arguments: |\$arguments = )'([^']*)')");
    std::ifstream file(std::string(CVINST_SOURCE_DIR) + "/" + document);
    std::vector<std::string> found;
    std::smatch m;
    for (std::string line; std::getline(file, line);) {
        if (!std::regex_search(line, m, command) || line.find("[/") != std::string::npos) continue;
        found.push_back(m[1].matched ? m.str(1) : "CVInst.exe " + m.str(2));
    }
    return found;
}

class DocumentedCommandsTest : public ::testing::TestWithParam<const char*> {};

TEST_P(DocumentedCommandsTest, AreAcceptedByTheProgramsParser) {
    const std::vector<std::string> commands = DocumentedCommands(GetParam());
    ASSERT_FALSE(commands.empty()) << "no CVInst.exe command line found in " << GetParam();
    for (const std::string& line : commands) {
        // As Main reads them: the deployment options first, then help or the run's options; a
        // documented line holds nothing the program ignores.
        const OptionReading reading = ReadOptions(ArgumentText(line));
        EXPECT_EQ(DescribeIgnored(reading), "") << line;
        const DeployOptions deploy = TakeDeployOptions(reading);
        EXPECT_TRUE(deploy.ok) << line;
        if (!deploy.ok || deploy.rest.empty() || IsHelpRequest(deploy.rest)) continue;
        const ParseResult parsed = ParseCommandLine(reading);
        EXPECT_TRUE(parsed.ok) << line << "\nrefused at: " << parsed.text;
    }
}

// The facts the program keeps in one place each, as the documents state them.
TEST_P(DocumentedCommandsTest, StateTheProgramsOwnDefaultsAndLimits) {
    std::ifstream file(std::string(CVINST_SOURCE_DIR) + "/" + GetParam());
    const std::string text{std::istreambuf_iterator<char>(file), {}};
    // Appended, never inserted nor `"literal" + string`: GCC 12 warns of an overlapping copy
    // there (-Wrestrict).
    const std::string digits = std::to_string(kLongestCommandLine);
    const std::string longest =
        digits.substr(0, digits.size() - 3).append(",").append(digits.substr(digits.size() - 3));
    const auto quoted = [](std::string_view value) {
        return std::string("`").append(value).append("`");
    };
    for (const std::string& fact :
         {quoted(kDefaultInstallerParams),
          std::string("default ").append(std::to_string(kDefaultWaitSeconds)),
          std::string("0 to ").append(std::to_string(kLongestWaitSeconds)),
          quoted(DefaultLogPathText(true)), quoted(DefaultLogPathText(false)), LogSizeLimitText(),
          longest}) {
        EXPECT_NE(text.find(fact), std::string::npos) << GetParam() << " does not say " << fact;
    }
}

INSTANTIATE_TEST_SUITE_P(Documents, DocumentedCommandsTest,
                         ::testing::Values("README.md", "docs/DEPLOYMENT.md"));

}  // namespace
}  // namespace cvinst
