// Every CVInst.exe command line that the README and the deployment guide show is one the program
// accepts: read from the documents themselves, so that a changed option or a changed page breaks
// this test.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "startup/cmdline.h"
#include "startup/deploy_options.h"

namespace cvinst {
namespace {

// A command starts a code line or a code span with CVInst.exe or a quoted path ending in it; in a
// code line, two blanks outside quotes end it (the README explains its examples beside them).
// The arguments a playbook or a script passes in one string count as well. A synopsis
// ("[/P:MWSE]") is no example.
std::vector<std::string> DocumentedCommands(const std::string& document) {
    std::ifstream file(std::string(CVINST_SOURCE_DIR) + "/" + document);
    std::stringstream text;
    text << file.rdbuf();
    static const std::regex command(R"(^(?:CVInst\.exe|"[^"]*\\CVInst\.exe") .*)");
    static const std::regex span("`([^`]*)`");
    static const std::regex arguments(R"((?:arguments: |\$arguments = )'([^']*)')");
    std::vector<std::string> found;
    for (std::string line; std::getline(text, line);) {
        std::vector<std::string> candidates;
        std::smatch m;
        if (line.starts_with("    ")) {
            const std::string code = line.substr(line.find_first_not_of(' '));
            bool quoted = false;
            size_t end = 0;
            while (end < code.size() && (quoted || code.compare(end, 2, "  ") != 0)) {
                quoted ^= code[end++] == '"';
            }
            candidates.push_back(code.substr(0, end));
            if (std::regex_search(line, m, arguments)) found.push_back("CVInst.exe " + m.str(1));
        } else {
            for (std::sregex_iterator i(line.begin(), line.end(), span), e; i != e; ++i) {
                candidates.push_back(i->str(1));
            }
        }
        for (const std::string& c : candidates) {
            if (std::regex_match(c, command) && c.find("[/") == std::string::npos) {
                found.push_back(c);
            }
        }
    }
    return found;
}

class DocumentedCommandsTest : public ::testing::TestWithParam<const char*> {};

TEST_P(DocumentedCommandsTest, AreAcceptedByTheProgramsParser) {
    const std::vector<std::string> commands = DocumentedCommands(GetParam());
    ASSERT_FALSE(commands.empty()) << "no CVInst.exe command line found in " << GetParam();
    for (const std::string& line : commands) {
        // As Main reads them: the deployment options first, then help or the run's options.
        const DeployOptions deploy = TakeDeployOptions(ArgumentText(line));
        EXPECT_TRUE(deploy.ok) << line;
        if (!deploy.ok || deploy.rest.empty() || IsHelpRequest(deploy.rest)) continue;
        const ParseResult parsed = ParseCommandLine(deploy.rest);
        EXPECT_TRUE(parsed.ok) << line << "\nrefused at: " << parsed.text;
    }
}

INSTANTIATE_TEST_SUITE_P(Documents, DocumentedCommandsTest,
                         ::testing::Values("README.md", "docs/DEPLOYMENT.md"));

}  // namespace
}  // namespace cvinst
