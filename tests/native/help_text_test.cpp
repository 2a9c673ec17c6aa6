#include "startup/help_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "expected_texts.h"

namespace cvinst {
namespace {

TEST(HelpTextTest, WholeText) {
    EXPECT_EQ(BuildHelpText("Install Programs To \"Program Files\" Folder",
                            "Uninstall Programs From \"Program Files\" Folder"),
              testkit::kUsageText);
}

TEST(HelpTextTest, ActionRowsFollowTheCaptions) {
    const std::string text = BuildHelpText("A", "");
    EXPECT_NE(text.find("\n  /I        A\n  /U       \n  /P:"), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 15);  // 16 lines, none after the last
}

}  // namespace
}  // namespace cvinst
