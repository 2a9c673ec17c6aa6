#include "engine/packages.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <set>
#include <string>
#include <vector>

namespace cvinst {
namespace {

using ::testing::ElementsAre;

class FakeControls : public PackageControls {
public:
    void SetProgramEnabled(int index, bool enabled) override { enabled_.at(index) = enabled; }
    void DisableActions() override { ++disableActionsCalls; }

    std::array<bool, 4> enabled_{true, true, true, true};
    int disableActionsCalls = 0;
};

class ChkPackagesTest : public ::testing::Test {
protected:
    bool Check(const std::string& folder, bool unattended) {
        return ChkPackages(
            folder, unattended,
            [this](const std::string& path) {
                searched.push_back(path);
                return files.count(path) ? std::string("found") : std::string();
            },
            controls);
    }

    std::set<std::string> files;
    std::vector<std::string> searched;
    FakeControls controls;
};

TEST_F(ChkPackagesTest, LooksForEachPackageBesideTheInstallerInOrder) {
    Check(R"(D:\Setup)", false);
    EXPECT_THAT(searched, ElementsAre(R"(D:\Setup\CVMenu.msi)", R"(D:\Setup\CVWork.msi)",
                                      R"(D:\Setup\CVPServ.msi)", R"(D:\Setup\CVExampl.msi)"));
}

TEST_F(ChkPackagesTest, FolderEndingInBackslashGetsNoSecondOne) {
    Check(R"(D:\)", false);
    EXPECT_THAT(searched, ElementsAre(R"(D:\CVMenu.msi)", R"(D:\CVWork.msi)", R"(D:\CVPServ.msi)",
                                      R"(D:\CVExampl.msi)"));
}

TEST_F(ChkPackagesTest, OnlyWorkstationPackageEnablesOnlyItsBox) {
    files = {R"(D:\Setup\CVWork.msi)"};
    EXPECT_TRUE(Check(R"(D:\Setup)", false));
    EXPECT_THAT(controls.enabled_, ElementsAre(false, true, false, false));
    EXPECT_EQ(0, controls.disableActionsCalls);
}

TEST_F(ChkPackagesTest, AllPackagesEnableAllBoxes) {
    files = {R"(D:\Setup\CVMenu.msi)", R"(D:\Setup\CVWork.msi)", R"(D:\Setup\CVPServ.msi)",
             R"(D:\Setup\CVExampl.msi)"};
    controls.enabled_ = {false, false, false, false};
    Check(R"(D:\Setup)", false);
    EXPECT_THAT(controls.enabled_, ElementsAre(true, true, true, true));
    EXPECT_EQ(0, controls.disableActionsCalls);
}

TEST_F(ChkPackagesTest, NoPackageInteractiveDisablesBoxesAndActions) {
    EXPECT_FALSE(Check(R"(D:\Setup)", false));
    EXPECT_THAT(controls.enabled_, ElementsAre(false, false, false, false));
    EXPECT_EQ(1, controls.disableActionsCalls);
}

TEST_F(ChkPackagesTest, NoPackageUnattendedLeavesActionsAlone) {
    Check(R"(D:\Setup)", true);
    EXPECT_THAT(controls.enabled_, ElementsAre(false, false, false, false));
    EXPECT_EQ(0, controls.disableActionsCalls);
}

TEST_F(ChkPackagesTest, PackageRemovedSinceLastCallDisablesItsBox) {
    files = {R"(D:\Setup\CVMenu.msi)", R"(D:\Setup\CVExampl.msi)"};
    Check(R"(D:\Setup)", false);
    EXPECT_THAT(controls.enabled_, ElementsAre(true, false, false, true));
    files.erase(R"(D:\Setup\CVMenu.msi)");
    files.insert(R"(D:\Setup\CVPServ.msi)");
    Check(R"(D:\Setup)", false);
    EXPECT_THAT(controls.enabled_, ElementsAre(false, false, true, true));
    EXPECT_EQ(0, controls.disableActionsCalls);
}

}  // namespace
}  // namespace cvinst
