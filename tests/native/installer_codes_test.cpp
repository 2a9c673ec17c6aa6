#include "base/installer_codes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace cvinst::installer {
namespace {

struct CodeRow {
    unsigned long code;
    Step step;
    int exitStatus;
    std::string text;
};

class CodeTableTest : public ::testing::TestWithParam<CodeRow> {};

TEST_P(CodeTableTest, SaysWhatACodeMeansForItsProgramAndForTheRun) {
    const CodeMeaning& meaning = MeaningOf(GetParam().code);
    EXPECT_EQ(meaning.step, GetParam().step);
    EXPECT_EQ(meaning.exitStatus, GetParam().exitStatus);
    EXPECT_EQ(meaning.text, GetParam().text);
}

const std::string kRestart = "success, a restart is needed to finish";

INSTANTIATE_TEST_SUITE_P(
    Codes, CodeTableTest,
    ::testing::Values(
        CodeRow{0, Step::Done, Success, "success"}, CodeRow{1707, Step::Done, Success, "success"},
        CodeRow{3010, Step::Done, RebootRequired, kRestart},
        CodeRow{3011, Step::Done, RebootRequired, kRestart},
        CodeRow{1641, Step::RestartStarted, RebootInitiated,
                "success so far, the Windows Installer is restarting the machine"},
        CodeRow{1618, Step::Busy, AlreadyRunning,
                "another installation is in progress: try again later"},
        CodeRow{1602, Step::Cancelled, UserCancelled, "cancelled"},
        CodeRow{1619, Step::Failed, InstallFailure, "nothing to run: the packages are missing"},
        CodeRow{1639, Step::Failed, InstallFailure, "the command line was refused"},
        CodeRow{5, Step::Failed, InstallFailure, "the user may not change machine-wide settings"},
        CodeRow{1603, Step::Failed, InstallFailure, "failed"},
        CodeRow{1605, Step::Failed, InstallFailure, "failed"},
        CodeRow{0xFFFFFFFFul, Step::Failed, InstallFailure, "failed"}));

struct WeightRow {
    int status;
    int other;
    int winner;
};

class WeightTest : public ::testing::TestWithParam<WeightRow> {};

TEST_P(WeightTest, TheWeightierWinsWhicheverCameFirst) {
    EXPECT_EQ(Weightier(GetParam().status, GetParam().other), GetParam().winner);
    EXPECT_EQ(Weightier(GetParam().other, GetParam().status), GetParam().winner);
}

INSTANTIATE_TEST_SUITE_P(Pairs, WeightTest,
                         ::testing::Values(WeightRow{1602, 1603, 1602}, WeightRow{1603, 1641, 1603},
                                           WeightRow{1641, 1618, 1641}, WeightRow{1618, 3010, 1618},
                                           WeightRow{3010, 0, 3010}, WeightRow{1605, 1641, 1605},
                                           WeightRow{0, 0, 0}));

// The deployment guide states the same order the run applies.
TEST(PrecedenceText, IsTheDeploymentGuidesAndGoesFromWeightiestToLightest) {
    EXPECT_EQ(PrecedenceText(), "1602, then 1603, then 1641, then 1618, then 3010");
    std::ifstream file(std::string(CVINST_SOURCE_DIR) + "/docs/DEPLOYMENT.md");
    const std::string guide{std::istreambuf_iterator<char>(file), {}};
    EXPECT_NE(guide.find("the weightier wins: " + PrecedenceText() + "."), std::string::npos);
}

}  // namespace
}  // namespace cvinst::installer
