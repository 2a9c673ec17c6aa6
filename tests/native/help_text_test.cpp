#include "startup/help_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace cvinst {
namespace {

const std::string kInstall = "Install Programs To \"Program Files\" Folder";
const std::string kUninstall = "Uninstall Programs From \"Program Files\" Folder";

TEST(HelpTextTest, WholeText) {
    const std::string indent(18, ' ');
    const std::string expected =
        "Corvane Installer Command Line Parameters:\n"
        "\n"
        "CVINST /I /U [/P:MWSE] [/T] [/MSI=\"parameters\"] [/show]\n"
        "\n"
        "  /I" +
        std::string(8, ' ') + kInstall +
        "\n"
        "  /U" +
        std::string(7, ' ') + kUninstall +
        "\n"
        "  /P:" +
        std::string(6, ' ') + "Specifies programs [if missing all programs are selected]:\n" +
        indent + "M-Corvane Menu\n" + indent + "W-Corvane Workstation\n" + indent +
        "S-Corvane Personal Server\n" + indent +
        "E-Corvane Examples\n"
        "  /T:" +
        std::string(6, ' ') +
        "Does not install programs that are already installed.\n"
        "  /MSI" +
        std::string(3, ' ') +
        "Additional MS Windows Installer parameters (if missing = "
        "\"/QB ALLUSERS=2 DISABLEADVTSHORTCUTS=1\").\n"
        "  /show Shows Corvane Installer user interface.\n"
        "  /WAIT:    Seconds to wait for another installation to finish (if missing = 600, 0 = "
        "do not wait).\n"
        "  /LOG=\"file\" Log of the run, with the MS Windows Installer logs beside it (if "
        "missing = %TEMP%\\CVInst.log).";
    const std::string text = BuildHelpText(kInstall, kUninstall);
    EXPECT_EQ(text, expected);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 15);  // 16 lines, none after the last
}

TEST(HelpTextTest, ActionRowsFollowTheCaptions) {
    const std::string text = BuildHelpText("A", "");
    EXPECT_NE(text.find("\n  /I        A\n  /U       \n  /P:"), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 15);
}

}  // namespace
}  // namespace cvinst
